// The channels' series: plotting a line and the three series kinds' styles.
#include <qcustomplot.h>

#include <QComboBox>
#include <QProgressBar>
#include <QVector>
#include <limits>

#include "data/form_graph.h"
#include "data/form_scales.h"
#include "data/form_series_style.h"
#include "data/plot_points.h"
#include "shell/form_windows.h"
#include "widgets/form_qt_text.h"

namespace korvan {
namespace {

constexpr QCPScatterStyle::ScatterShape kShapes[kPointStyleCount] = {
    QCPScatterStyle::ssSquare,   QCPScatterStyle::ssCircle,
    QCPScatterStyle::ssTriangle, QCPScatterStyle::ssTriangleInverted,
    QCPScatterStyle::ssPlus,     QCPScatterStyle::ssCross,
    QCPScatterStyle::ssStar,     QCPScatterStyle::ssDiamond};

constexpr Qt::PenStyle kPenStyles[kLineStyleCount] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                                      Qt::DashDotLine, Qt::DashDotDotLine};

// A mark of size s reaches s pixels from its centre either way.
int MarkDiameter(int point_size) { return 2 * point_size + 1; }

// The line pen of a line series: invisible at thickness 0; dashes only on one-pixel lines,
// as the dialog offers them.
QPen LinePen(const QColor& color, int thickness, int line_style) {
  QPen pen(color);
  pen.setWidth(std::max(thickness, 1));
  pen.setStyle(thickness == 0 ? Qt::NoPen
               : thickness == 1 && line_style >= 0 && line_style < kLineStyleCount
                   ? kPenStyles[line_style]
                   : Qt::SolidLine);
  return pen;
}

template <typename Plottable, typename Data>
void SetData(Plottable* series, const std::vector<double>& x, const std::vector<double>& y,
             bool sorted) {
  QVector<Data> data(static_cast<qsizetype>(x.size()));
  for (size_t i = 0; i < x.size(); ++i) {
    data[static_cast<qsizetype>(i)].key = x[i];
    data[static_cast<qsizetype>(i)].value = y[i];
  }
  series->data()->set(data, sorted);
}

void SetPoints(QCPAbstractPlottable* series, const std::vector<double>& x,
               const std::vector<double>& y, bool sorted) {
  if (auto* graph = qobject_cast<QCPGraph*>(series)) {
    SetData<QCPGraph, QCPGraphData>(graph, x, y, sorted);
  } else if (auto* bars = qobject_cast<QCPBars*>(series)) {
    SetData<QCPBars, QCPBarsData>(bars, x, y, sorted);
  }
}

template <typename Plottable>
void GetData(const Plottable* series, std::vector<double>& x, std::vector<double>& y) {
  const auto& data = *series->data();
  x.reserve(static_cast<size_t>(data.size()));
  y.reserve(static_cast<size_t>(data.size()));
  for (auto it = data.constBegin(); it != data.constEnd(); ++it) {
    x.push_back(it->key);
    y.push_back(it->value);
  }
}

}  // namespace

int TFormGraph::PointCount(int channel) const {
  return channels_[channel].series ? channels_[channel].series->interface1D()->dataCount() : 0;
}

void TFormGraph::PlotChannel(int channel) {
  Channel& c = channels_[channel];
  SetPoints(c.series, {}, {}, true);
  c.values = {};
  c.times = {};
  const int item = ComboBoxes[channel]->currentIndex();
  // A choice beyond the loaded lines (settings of another configuration) shows nothing.
  const bool has_line = item >= 1 && static_cast<uint32_t>(item) <= measurement_->line_count &&
                        measurement_->buffers[item - 1].count() > 0;
  if (has_line) {
    const TBuf& buffer = measurement_->buffers[item - 1];
    const uint32_t count = buffer.count();
    const int scale = count > static_cast<uint32_t>(std::numeric_limits<int>::max()) ? 2 : 1;
    ProgressBar1->setMaximum(static_cast<int>(count / scale));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    PlotPoints points;
    c.plotted = CurrentStampRange();
    ExtractPlotPoints(
        measurement_->lines[item - 1], buffer, c.plotted, points,
        [&](uint32_t position) { ProgressBar1->setValue(static_cast<int>(position / scale)); });
    SetPoints(c.series, points.x, points.y, points.sorted);
    if (!points.empty()) {
      c.values.Add(points.y_min, points.y_max);
      c.times.Add(points.x_min, points.x_max);
    }
    c.series->setName(ComboBoxes[channel]->currentText());
    ProgressBar1->hide();
  }
  if (!ManualView) {
    RescaleAxes(true, true, true);
  } else {
    Chart1->replot();
  }
}

void TFormGraph::ReplaceSeries(int channel, SeriesKind kind) {
  Channel& c = channels_[channel];
  QCPAbstractPlottable* old = c.series;
  QCPAxis* value_axis = old->valueAxis();
  QCPAbstractPlottable* fresh = nullptr;
  if (kind == kBars) {
    auto* bars = new QCPBars(Chart1->xAxis, value_axis);
    bars->setWidthType(QCPBars::wtAbsolute);
    bars->setWidth(1);
    fresh = bars;
  } else {
    auto* graph = new QCPGraph(Chart1->xAxis, value_axis);
    graph->setAdaptiveSampling(true);
    fresh = graph;
  }
  if (auto* from = qobject_cast<QCPGraph*>(old); from && kind != kBars) {
    // Same container type: the new series takes the points over without copying.
    static_cast<QCPGraph*>(fresh)->setData(from->data());
  } else {
    std::vector<double> x;
    std::vector<double> y;
    if (auto* g = qobject_cast<QCPGraph*>(old)) GetData(g, x, y);
    if (auto* b = qobject_cast<QCPBars*>(old)) GetData(b, x, y);
    SetPoints(fresh, x, y, true);
  }
  fresh->setName(old->name());
  Chart1->removePlottable(old);
  c.series = fresh;
}

void TFormGraph::ApplySeriesStyle(int channel, const SeriesStyle& style) {
  Channel& c = channels_[channel];
  const SeriesKind wanted = SeriesKindOf(style);
  if (SeriesKindOf(c.style) != wanted) ReplaceSeries(channel, wanted);
  c.style = style;
  DrawStyle(channel);
  Chart1->replot();
}

void TFormGraph::DrawStyle(int channel) {
  const Channel& c = channels_[channel];
  const SeriesStyle& style = c.style;
  const QColor color = ToQColor(style.color);
  if (auto* graph = qobject_cast<QCPGraph*>(c.series)) {
    const SeriesKind kind = SeriesKindOf(style);
    graph->setPen(LinePen(color, style.line_thickness, style.line_style));
    graph->setBrush(Qt::NoBrush);
    graph->setLineStyle(kind == kLine && style.type == 1 ? QCPGraph::lsStepLeft : QCPGraph::lsLine);
    if (kind == kFastLine || style.point_size == 0) {
      graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    } else {
      const int shape =
          style.point_style >= 0 && style.point_style < kPointStyleCount ? style.point_style : 0;
      QCPScatterStyle marks(kShapes[shape], MarkDiameter(style.point_size));
      // Only the line-drawn shapes (crosses, star) need an outline.
      marks.setPen(shape >= 4 && shape <= 6 ? QPen(color, style.point_size / 2) : QPen(Qt::NoPen));
      marks.setBrush(color);
      graph->setScatterStyle(marks);
    }
  } else if (auto* bars = qobject_cast<QCPBars*>(c.series)) {
    bars->setBrush(style.line_thickness == 0 ? QBrush(Qt::NoBrush) : QBrush(color));
    bars->setPen(QPen(color, style.line_thickness));
  }
  ShowSwatch(channel);
}

SeriesStyle TFormGraph::LoadSeriesStyle(int channel) const {
  return ReadBackStyle(channels_[channel].style, app_.SeriesStyle()->Style());
}

void TFormGraph::PanelDblClick(int channel) {
  const std::optional<SeriesStyle> edited = app_.SeriesStyle()->Execute(LoadSeriesStyle(channel));
  if (!edited) return;
  ApplySeriesStyle(channel, *edited);
}

}  // namespace korvan
