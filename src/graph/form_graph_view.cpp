// The graph window's printout and its settings file.
#include <qcustomplot.h>

#include <QComboBox>
#include <QPrinter>
#include <cmath>

#include "app/constants.h"
#include "app/date_time.h"
#include "app/scope_exit.h"
#include "app/user_dialogs.h"
#include "data/measurement_folder.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "widgets/form_print_dialogs.h"
#include "widgets/form_registry.h"

namespace korvan {
namespace {

// Two stored times are the same when they differ by at most half a second.
constexpr double kRangeTolerance = 5.787037037037037e-06;

}  // namespace

void TFormGraph::AttachPrintExtras() {
  RestoreQuality();
  QCPLayoutGrid* layout = Chart1->plotLayout();
  int row = layout->rowCount();
  layout->addElement(row, 0, Chart1->legend);
  layout->addElement(row + 1, 0, foot_);
  // Only the chart stretches; legend and foot keep their natural height.
  layout->setRowStretchFactor(row, 0.001);
  layout->setRowStretchFactor(row + 1, 0.001);
  Chart1->legend->setVisible(true);
  foot_->setVisible(true);
}

void TFormGraph::DetachPrintExtras() {
  QCPLayoutGrid* layout = Chart1->plotLayout();
  Chart1->legend->setVisible(false);
  foot_->setVisible(false);
  layout->take(Chart1->legend);
  layout->take(foot_);
  layout->simplify();
  Chart1->replot();
}

// Legend entries of the printout and the pictures.
void TFormGraph::PrepareLegend() {
  // Entries in channel order, whatever order the series were made in.
  Chart1->legend->clearItems();
  for (int n = 0; n < kChannels; ++n) {
    QCPAbstractPlottable* series = channels_[n].series;
    if (ComboBoxes[n]->currentIndex() > 0) {
      const QString side = RadioGroups[n]->ItemIndex() != 0 ? "(P) " : "(L) ";
      series->setName(side + ComboBoxes[n]->currentText());
      series->addToLegend();
    } else {
      series->removeFromLegend();
    }
  }
}

void TFormGraph::ButtonPrintClick() {
  PrepareLegend();
  AttachPrintExtras();
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  const ScopeExit detach([this] { DetachPrintExtras(); });
  if (app_.Printing().ChoosePrinter(printer_.get())) PrintChart(*printer_);
}

void TFormGraph::PrintChart(QPrinter& printer) {
  // The user's orientation and page mode come back whatever happens while printing.
  struct Restore {
    QPrinter& printer;
    QPageLayout::Orientation orientation;
    bool full_page;
    ~Restore() {
      printer.setPageOrientation(orientation);
      printer.setFullPage(full_page);
    }
  } restore{printer, printer.pageLayout().orientation(), printer.fullPage()};
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setFullPage(true);

  QCPPainter painter;
  if (!painter.begin(&printer)) return;
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const QRectF area = paper.adjusted(paper.width() * 0.05, paper.height() * 0.05,
                                     -paper.width() * 0.05, -paper.height() * 0.05);
  // The chart is laid out in screen units (96 per inch) and drawn as vectors at the
  // printer's own resolution.
  const double scale = printer.resolution() / 96.0;
  painter.translate(area.topLeft());
  painter.scale(scale, scale);
  Chart1->toPainter(&painter, static_cast<int>(area.width() / scale),
                    static_cast<int>(area.height() / scale));
  painter.end();
}

GraphViewState TFormGraph::ViewState() {
  GraphViewState s;
  s.left_min = Chart1->yAxis->range().lower;
  s.left_max = Chart1->yAxis->range().upper;
  s.right_min = Chart1->yAxis2->range().lower;
  s.right_max = Chart1->yAxis2->range().upper;
  s.time_min = Chart1->xAxis->range().lower;
  s.time_max = Chart1->xAxis->range().upper;
  if (app_.Scales()) s.scales = app_.Scales()->State();
  const ExportRange range = CurrentExportRange();
  s.range_from = range.from;
  s.range_to = range.to;
  // Each channel's style is read back as the dialog would be shown it, one channel after the
  // other: a bar channel's three unused values are those of the channel before it.
  TFormSeriesStyle* dialog = app_.SeriesStyle();
  SeriesStyle shown = dialog->Style();
  for (int n = 0; n < kChannels; ++n) {
    s.channels[n].value = std::max(ComboBoxes[n]->currentIndex(), 0);
    s.channels[n].axis = RadioGroups[n]->ItemIndex() == 1 ? 1 : 0;
    shown = ReadBackStyle(channels_[n].style, shown);
    s.channels[n].style = shown;
  }
  dialog->SetStyle(shown);
  return s;
}

void TFormGraph::WriteGraphSettings(const std::string& path) {
  WriteGraphSettingsFile(path, ViewState(), app_.DecimalSeparator());
}

void TFormGraph::ReadGraphSettings() {
  if (folder_.empty()) return;
  GraphViewState s;
  // As the load read the other files: from the folder's whole set.
  if (!ReadGraphSettingsFile(CardSetPath(folder_, kGraphIniFile), s, Now())) return;
  ManualView = true;
  // The curves are drawn once, with everything in place, not after each channel and style.
  QCPLayer* curves = Chart1->layer("main");
  curves->setVisible(false);
  const ScopeExit show_curves([curves] { curves->setVisible(true); });
  for (int n = 0; n < kChannels; ++n) {
    const ChannelView& view = s.channels[n];
    RadioGroups[n]->SetItemIndex(view.axis != 0 ? 1 : 0);
    QCPAxis* axis = ValueAxis(n);
    if (auto* graph = qobject_cast<QCPGraph*>(channels_[n].series)) graph->setValueAxis(axis);
    if (auto* bars = qobject_cast<QCPBars*>(channels_[n].series)) bars->setValueAxis(axis);
    // A line that this measurement does not have shows nothing.
    const bool known = view.value >= 0 && view.value < ComboBoxes[n]->count();
    ComboBoxes[n]->setCurrentIndex(known ? view.value : 0);
    PlotChannel(n);
    ApplySeriesStyle(n, view.style);
  }
  curves->setVisible(true);
  // The dialog is left showing the last channel read, where a bar channel's unused values
  // come from.
  app_.SeriesStyle()->SetStyle(s.channels[kChannels - 1].style);
  const ExportRange range = CurrentExportRange();
  bool restore_axes = true;
  bool kept_by_user = false;
  if (std::abs(s.range_from - range.from) > kRangeTolerance ||
      std::abs(s.range_to - range.to) > kRangeTolerance) {
    if (app_.Dialogs().Ask("Uložený časový rozsah neodpovídá skutečnému časovému rozsahu "
                           "dat.\r\n Chcete nastavit nová měřítka ?")) {
      RescaleAxes(true, true, true);
      restore_axes = false;
      // The axes are the data's now, not a kept view: the next line picked rescales them too
      // (with no line shown yet, nothing above could).
      ManualView = false;
    } else {
      SetExportRange(s.range_from, s.range_to);
      kept_by_user = true;
    }
  }
  // A kept view of no line at all holds no view of the data (unless the user just chose to
  // keep it): the first line picked is shown whole, not on the day the empty chart showed.
  if (!kept_by_user && DrawnChannels().empty()) ManualView = false;
  if (restore_axes) {
    SetRange(Chart1->yAxis, {s.left_min, s.left_max});
    SetRange(Chart1->yAxis2, {s.right_min, s.right_max});
    SetRange(Chart1->xAxis, {s.time_min, s.time_max});
  }
  if (app_.Scales()) app_.Scales()->SetState(s.scales);
  // The window's creation draws the chart next.
}

}  // namespace korvan
