#include "graph/form_graph.h"

#include <qcustomplot.h>

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimeEdit>
#include <QUrl>
#include <cmath>
#include <limits>
#include <utility>

#include "app/constants.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/error.h"
#include "app/packed_stamp.h"
#include "app/user_dialogs.h"
#include "graph/form_chart_tickers.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "graph/form_stats.h"
#include "graph/readout.h"
#include "platform/folder_lock.h"
#include "widgets/form_long_operation.h"
#include "widgets/form_placement.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {
namespace {

const QDate kDayZero(1899, 12, 30);

double DateValue(const QDateEdit* edit) { return kDayZero.daysTo(edit->date()); }
double TimeValue(const QTimeEdit* edit) {
  return edit->time().msecsSinceStartOfDay() / static_cast<double>(kMsPerDay);
}

// A date-time value into a picker pair, without any time-zone arithmetic.
void SetPickers(QDateEdit* date, QTimeEdit* time, double value) {
  const double day = std::floor(value);
  date->setDate(kDayZero.addDays(static_cast<qint64>(day)));
  const TimeParts t = DecodeTime(value - day);
  time->setTime(QTime(t.hour, t.minute, t.second, t.millisecond));
}

QPushButton* ArrowButton(const QString& symbol, const char* hint, QWidget* parent) {
  auto* button = new QPushButton(symbol, parent);
  button->setToolTip(Q(hint));
  button->setFixedSize(28, 24);
  QFont font = button->font();
  font.setPixelSize(15);
  font.setBold(true);
  button->setFont(font);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

// The arrows of the symbol font, as their Unicode look-alikes.
const QString kArrowLeft = QString(QChar(0x21E6));
const QString kArrowRight = QString(QChar(0x21E8));
const QString kArrowUp = QString(QChar(0x21E7));
const QString kArrowDown = QString(QChar(0x21E9));
const QString kArrowLeftRight = QString(QChar(0x2194));
const QString kArrowUpDown = QString(QChar(0x2195));

QPixmap LogoPixmap() {
  QPixmap pixmap(96, 40);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0, 70, 140));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(1, 1, 94, 38), 6, 6);
  p.setPen(QPen(QColor(255, 190, 0), 2));
  p.drawPolyline(QPolygonF({QPointF(8, 30), QPointF(20, 18), QPointF(30, 24), QPointF(44, 9)}));
  QFont font("Arial");
  font.setBold(true);
  // Whatever font stands in for Arial here, the name fits beside the mark.
  for (int size = 15; size > 8; --size) {
    font.setPixelSize(size);
    if (QFontMetrics(font).horizontalAdvance("Korvan") <= 52) break;
  }
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(40, 0, 54, 40), Qt::AlignCenter, "Korvan");
  return pixmap;
}

// Fonts in pixels: the printout draws at 96 units per inch, scaled to the printer.
QFont PixelFont(int pixels) {
  QFont font("Arial");
  font.setPixelSize(pixels);
  return font;
}

}  // namespace

TFormGraph::TFormGraph(FormRegistry& app)
    : QWidget(nullptr), app_(app), measurement_(std::make_unique<Measurement>()) {
  setWindowTitle(Q("Naměřená data"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  BuildChart();
  // 1100 x 760 where the screen has room; on a laptop's or a scaled screen smaller, the chart
  // giving way first.
  OpenFitted(this, QSize(1100, 760));
  FormCreate();
  if (loaded_) show();
}

// Destroying the window releases the measurement's sample buffers with it.
TFormGraph::~TFormGraph() {
  // Before the chart goes: both watch it and read this window.
  delete stats_;
  delete readout_;
  app_.GraphWindowGone(this);
}

void TFormGraph::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  FormClose();
  app_.GraphWindowGone(this);
  deleteLater();
}

void TFormGraph::ConnectButtons() {
  const std::pair<QPushButton*, void (TFormGraph::*)()> clicks[] = {
      {ButtonRight, &TFormGraph::ButtonRightClick},
      {ButtonLeft, &TFormGraph::ButtonLeftClick},
      {ButtonZoomXIn, &TFormGraph::ButtonZoomXInClick},
      {ButtonZoomXOut, &TFormGraph::ButtonZoomXOutClick},
      {ButtonUnZoomX, &TFormGraph::ButtonUnZoomXClick},
      {ButtonlUp, &TFormGraph::ButtonlUpClick},
      {ButtonLDown, &TFormGraph::ButtonLDownClick},
      {ButtonZoomYLIn, &TFormGraph::ButtonZoomYLInClick},
      {ButtonZoomYLOut, &TFormGraph::ButtonZoomYLOutClick},
      {ButtonUnZoomYL, &TFormGraph::ButtonUnZoomYLClick},
      {ButtonRUp, &TFormGraph::ButtonRUpClick},
      {ButtonRDown, &TFormGraph::ButtonRDownClick},
      {ButtonZoomYRIn, &TFormGraph::ButtonZoomYRInClick},
      {ButtonButtonZoomYROut, &TFormGraph::ButtonButtonZoomYROutClick},
      {ButtonUnZoomYR, &TFormGraph::ButtonUnZoomYRClick},
      {ButtonRedraw, &TFormGraph::ButtonRedrawClick},
      {ButtonScales, &TFormGraph::ButtonScalesClick},
      {ButtonPrint, &TFormGraph::ButtonPrintClick},
      {ButtonText, &TFormGraph::ButtonTextClick},
      {ButtonSave, &TFormGraph::ButtonSaveClick},
      {ButtonExport, &TFormGraph::ButtonExportClick},
      {ButtonStats, &TFormGraph::ButtonStatsClick},
  };
  for (const auto& [button, handler] : clicks) {
    connect(button, &QPushButton::clicked, this, handler);
  }
}

void TFormGraph::BuildControls() {
  // The chart and the commands are made first: the focus goes through them before the range
  // and the channels, as it always has.
  Chart1 = new QCustomPlot(this);
  Chart1->setMinimumSize(400, 250);
  QGridLayout* commands = CommandButtons();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  AddChartRow(layout);
  AddTimeRow(layout);
  AddChannelRow(layout, commands);

  ConnectButtons();
  for (int n = 0; n < kChannels; ++n) {
    connect(ComboBoxes[n], &QComboBox::activated, this, [this, n] { ComboBoxChange(n); });
    connect(RadioGroups[n], &RadioGroup::Clicked, this, [this, n] { RadioGroupClick(n); });
  }
  if (TFormScales* scales = app_.Scales()) {
    connect(scales, &TFormScales::Rescale, this, [this] { RescaleAxes(true, true, true); });
  }
}

// The left axis' buttons left of the chart, the right axis' right of it.
void TFormGraph::AddChartRow(QVBoxLayout* layout) {
  ButtonlUp = ArrowButton(kArrowUp, "Posun nahoru", this);
  ButtonLDown = ArrowButton(kArrowDown, "Posun dolů", this);
  ButtonZoomYLIn = ArrowButton("+", "Zvětšení", this);
  ButtonZoomYLOut = ArrowButton("-", "Zmenšení", this);
  ButtonUnZoomYL = ArrowButton(kArrowUpDown, "Plná velikost", this);
  ButtonRUp = ArrowButton(kArrowUp, "Posun nahoru", this);
  ButtonRDown = ArrowButton(kArrowDown, "Posun dolů", this);
  ButtonZoomYRIn = ArrowButton("+", "Zvětšení", this);
  ButtonButtonZoomYROut = ArrowButton("-", "Zmenšení", this);
  ButtonUnZoomYR = ArrowButton(kArrowUpDown, "Plná velikost", this);

  auto axis_column = [](QPushButton* up, QPushButton* in, QPushButton* full, QPushButton* out,
                        QPushButton* down) {
    auto* column = new QVBoxLayout;
    column->addStretch();
    for (QPushButton* b : {up, in, full, out, down}) column->addWidget(b);
    column->addStretch();
    return column;
  };
  auto* chart_row = new QHBoxLayout;
  chart_row->addLayout(
      axis_column(ButtonlUp, ButtonZoomYLIn, ButtonUnZoomYL, ButtonZoomYLOut, ButtonLDown));
  chart_row->addWidget(Chart1, 1);
  chart_row->addLayout(
      axis_column(ButtonRUp, ButtonZoomYRIn, ButtonUnZoomYR, ButtonButtonZoomYROut, ButtonRDown));
  layout->addLayout(chart_row, 1);
}

// The time axis' buttons, the range's pickers and the loading bar.
void TFormGraph::AddTimeRow(QVBoxLayout* layout) {
  // The names are crossed on purpose: ButtonRight shows the left arrow and moves left.
  ButtonRight = ArrowButton(kArrowLeft, "Posun doleva", this);
  ButtonLeft = ArrowButton(kArrowRight, "Posun doprava", this);
  ButtonZoomXIn = ArrowButton("+", "Zvětšení", this);
  ButtonZoomXOut = ArrowButton("-", "Zmenšení", this);
  ButtonUnZoomX = ArrowButton(kArrowLeftRight, "Plná velikost", this);

  DateFrom = new QDateEdit(this);
  TimeFrom = new QTimeEdit(this);
  DateTo = new QDateEdit(this);
  TimeTo = new QTimeEdit(this);
  for (QDateEdit* d : {DateFrom, DateTo}) {
    d->setDisplayFormat("d.M.yyyy");
    d->setCalendarPopup(true);
    // A range outside the years a stamp holds would wrap round to other years.
    d->setDateRange(QDate(kStampFirstYear, 1, 1), QDate(kStampLastYear, 12, 31));
  }
  for (QTimeEdit* t : {TimeFrom, TimeTo}) t->setDisplayFormat("H:mm:ss");
  const double now = Now();
  SetPickers(DateFrom, TimeFrom, now);
  SetPickers(DateTo, TimeTo, now);
  auto* label_from = new QLabel(Q("&Od"), this);
  label_from->setBuddy(DateFrom);
  auto* label_to = new QLabel(Q("&Do"), this);
  label_to->setBuddy(DateTo);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximumHeight(14);
  ProgressBar1->hide();
  LabelStatus = new QLabel(this);
  LabelStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* time_row = new QHBoxLayout;
  time_row->addSpacing(34);
  for (QPushButton* b : {ButtonRight, ButtonZoomXIn, ButtonUnZoomX, ButtonZoomXOut, ButtonLeft}) {
    time_row->addWidget(b);
  }
  time_row->addSpacing(16);
  time_row->addWidget(label_from);
  time_row->addWidget(DateFrom);
  time_row->addWidget(TimeFrom);
  time_row->addSpacing(12);
  time_row->addWidget(label_to);
  time_row->addWidget(DateTo);
  time_row->addWidget(TimeTo);
  time_row->addSpacing(16);
  time_row->addWidget(ProgressBar1, 1);
  time_row->addWidget(LabelStatus, 1);
  layout->addLayout(time_row);
}

QGridLayout* TFormGraph::CommandButtons() {
  ButtonRedraw = new QPushButton(Q("&Překresli"), this);
  ButtonScales = new QPushButton(Q("&Měřítka"), this);
  ButtonPrint = new QPushButton(Q("&Tisk"), this);
  ButtonText = new QPushButton(Q("&Tabulka"), this);
  // "&Tisk" and "&Tabulka" share Alt+T, and a shared mnemonic only moves the focus between
  // them. Alt+T prints, as the first of the two in the tab order; the table is reached by
  // Tab and Space.
  ButtonText->setShortcut(QKeySequence());
  ButtonSave = new QPushButton(Q("&Ulož"), this);
  ButtonExport = new QPushButton(Q("&Export"), this);
  // S: the one letter of its caption that no control of this window uses.
  ButtonStats = new QPushButton(Q("&Statistika"), this);
  Image1 = new QLabel(this);
  Image1->setPixmap(LogoPixmap());
  Image1->setCursor(Qt::PointingHandCursor);
  Image1->installEventFilter(this);
  auto* button_grid = new QGridLayout;
  button_grid->addWidget(ButtonRedraw, 0, 0);
  button_grid->addWidget(ButtonScales, 1, 0);
  button_grid->addWidget(ButtonPrint, 2, 0);
  button_grid->addWidget(ButtonText, 0, 1);
  button_grid->addWidget(ButtonSave, 1, 1);
  button_grid->addWidget(ButtonExport, 2, 1);
  button_grid->addWidget(ButtonStats, 0, 2);
  button_grid->addWidget(Image1, 1, 2, 2, 1, Qt::AlignCenter);
  return button_grid;
}

// The eight channel selectors with their axis choice and style swatch, then the commands.
void TFormGraph::AddChannelRow(QVBoxLayout* layout, QGridLayout* commands) {
  const QStringList sides = {Q("Levá"), Q("Pravá")};
  auto* channel_grid = new QGridLayout;
  channel_grid->setHorizontalSpacing(6);
  channel_grid->setVerticalSpacing(2);
  for (int n = 0; n < kChannels; ++n) {
    ComboBoxes[n] = new QComboBox(this);
    ComboBoxes[n]->setProperty("tag", n);
    ComboBoxes[n]->setMinimumWidth(230);
    ComboBoxes[n]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    RadioGroups[n] = new RadioGroup(n % 4 == 0 ? Q("Osa") : QString(), sides, this);
    RadioGroups[n]->setProperty("tag", n);
    if (auto* box = qobject_cast<QBoxLayout*>(RadioGroups[n]->layout())) {
      box->setDirection(QBoxLayout::LeftToRight);
      box->setContentsMargins(4, 0, 4, 0);
    }
    RadioGroups[n]->SetItemIndex(0);
    Panels[n] = new QFrame(this);
    Panels[n]->setProperty("tag", n);
    Panels[n]->setFrameShape(QFrame::Panel);
    Panels[n]->setFrameShadow(QFrame::Sunken);
    Panels[n]->setFixedSize(36, 22);
    Panels[n]->setAutoFillBackground(true);
    Panels[n]->setToolTip(Q("Styl grafu"));
    Panels[n]->installEventFilter(this);
    const int row = n % 4;
    const int column = n / 4 * 4;
    channel_grid->addWidget(ComboBoxes[n], row, column, Qt::AlignBottom);
    channel_grid->addWidget(RadioGroups[n], row, column + 1);
    channel_grid->addWidget(Panels[n], row, column + 2, Qt::AlignBottom);
  }
  channel_grid->setColumnMinimumWidth(3, 12);

  auto* bottom_row = new QHBoxLayout;
  bottom_row->addLayout(channel_grid);
  bottom_row->addStretch();
  bottom_row->addLayout(commands);
  layout->addLayout(bottom_row);
}

void TFormGraph::BuildChart() {
  Chart1->setBackground(Qt::white);
  Chart1->setNoAntialiasingOnDrag(true);
  Chart1->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
  SetUpAxes();
  SetUpPrintExtras();
  for (int n = 0; n < kChannels; ++n) {
    channels_[n].series = MakeSeries(n, kFastLine, Chart1->yAxis);
    channels_[n].style = {0, kDefaultChannelColors[n], n < 2 ? 1 : 2, 0, 0, 0};
    DrawStyle(n);
  }
  ConnectChart();
}

// The time axis below, the values left and right; the grid of the time and the left axis.
void TFormGraph::SetUpAxes() {
  const QString thousands = QLocale::system().groupSeparator();
  const char sep = app_.DecimalSeparator();
  QCPAxis* time = Chart1->xAxis;
  time->setLabel(Q("Čas"));
  time->setTickLabelRotation(-90);
  time_ticker_ = new TimeAxisTicker(time, sep);
  time->setTicker(QSharedPointer<QCPAxisTicker>(time_ticker_));
  time->setRange(std::floor(Now()), std::floor(Now()) + 1);

  QCPAxis* left = Chart1->yAxis;
  QCPAxis* right = Chart1->yAxis2;
  right->setVisible(true);
  left->setTicker(QSharedPointer<QCPAxisTicker>(
      new ValueAxisTicker(left, "# ##0.######", sep, S(thousands), 20)));
  right->setTicker(QSharedPointer<QCPAxisTicker>(
      new ValueAxisTicker(right, "#,##0.######", sep, S(thousands), 20)));
  left->setRange(0, 10);
  right->setRange(0, 10);
  for (QCPAxis* axis : {time, left, right}) {
    axis->setTickLabelFont(PixelFont(11));
    axis->setLabelFont(PixelFont(12));
    axis->grid()->setVisible(axis != right);
    axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
  }
}

// Legend below the chart and foot line below that exist only during a printout.
void TFormGraph::SetUpPrintExtras() {
  Chart1->legend->setFont(PixelFont(11));
  Chart1->legend->setVisible(false);
  Chart1->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  Chart1->legend->setWrap(4);
  Chart1->legend->setBorderPen(QPen(Qt::gray));
  Chart1->axisRect()->insetLayout()->take(Chart1->legend);
  foot_ = new QCPTextElement(Chart1, QString("%1 v%2").arg(kAppName, kAppVersion), PixelFont(11));
  foot_->setTextColor(Qt::blue);
  foot_->setTextFlags(Qt::AlignRight | Qt::AlignVCenter);
  foot_->setVisible(false);
}

// The zoom rectangle, the wheel, the read-out and the context menu.
void TFormGraph::ConnectChart() {
  Chart1->setSelectionRectMode(QCP::srmCustom);
  Chart1->selectionRect()->setPen(QPen(Qt::black, 0, Qt::DashLine));
  connect(Chart1, &QCustomPlot::mousePress, this, &TFormGraph::ChartMousePress);
  connect(Chart1->selectionRect(), &QCPSelectionRect::accepted, this,
          &TFormGraph::ChartSelectionAccepted);
  connect(Chart1, &QCustomPlot::mouseWheel, this, &TFormGraph::ChartWheel);

  readout_ = new GraphReadout(
      Chart1, [this] { return DrawnChannels(); }, *measurement_, app_.DecimalSeparator());
  // The right button belongs to the context menu, not to the zoom rectangle.
  Chart1->installEventFilter(this);
  Chart1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Chart1, &QWidget::customContextMenuRequested, this, &TFormGraph::ChartContextMenu);
}

void TFormGraph::ShowSwatch(int channel) {
  QPalette palette = Panels[channel]->palette();
  palette.setColor(QPalette::Window, ToQColor(channels_[channel].style.color));
  Panels[channel]->setPalette(palette);
}

void TFormGraph::FormCreate() {
  ManualView = false;
  const QString none = Q("Nezobrazuj");
  for (QComboBox* box : ComboBoxes) {
    box->clear();
    box->addItem(none);
    box->setCurrentIndex(0);
  }

  // The main panel's bar counts the bytes of LOG.BIN; the window is not visible yet.
  QProgressBar* bar = app_.LoadProgressBar();
  LoadResult result;
  {
    LongOperation operation(bar);
    LoadProgress progress;
    progress.start = [&](uint64_t total) { operation.SetMaximum(total); };
    progress.advance = [&](uint64_t bytes) { operation.Advance(bytes); };
    progress.finish = [&] {
      operation.SetPosition(0);
      operation.End();
    };
    loaded_ = LoadMeasurement(app_.CurrentLocation(), app_.Dialogs(), Today(), progress,
                              *measurement_, &result);
    folder_ = result.folder;
  }
  if (bar) bar->setValue(0);

  for (uint32_t i = 0; i < measurement_->line_count; ++i) {
    const QString caption = Q(measurement_->lines[i].caption);
    for (QComboBox* box : ComboBoxes) box->addItem(caption);
  }
  if (!result.chart_title.empty()) {
    Chart1->plotLayout()->insertRow(0);
    QFont title_font = PixelFont(15);
    title_font.setBold(true);
    title_ = new QCPTextElement(Chart1, Q(result.chart_title), title_font);
    Chart1->plotLayout()->addElement(0, 0, title_);
  }
  if (!loaded_) return;
  if (result.has_range) SetExportRange(result.range_from, result.range_to);
  ReadGraphSettings();
  Chart1->replot();
}

void TFormGraph::FormClose() {
  // The view belongs beside the data it shows.
  if (!loaded_ || folder_.empty()) return;
  // Another writer of the card folder (a preparation, a copy) would have the file changed under it.
  const FolderLock lock(folder_);
  if (!lock.held()) {
    app_.Dialogs().ShowError(lock.refusal());
    return;
  }
  try {
    WriteGraphSettings(JoinFolder(folder_, kGraphIniFile));
  } catch (const Error& e) {
    // The window closes anyway; the user learns that the view was not kept.
    app_.Dialogs().ShowError(e.what());
  }
}

ExportRange TFormGraph::CurrentExportRange() const {
  const auto point = [](const QDateEdit* date, const QTimeEdit* time) {
    const double t = TimeValue(time);
    return std::floor(DateValue(date)) + (t - std::floor(t));
  };
  return {point(DateFrom, TimeFrom), point(DateTo, TimeTo)};
}

StampRange TFormGraph::CurrentStampRange() const {
  return {PackStamp(DateValue(DateFrom), TimeValue(TimeFrom)),
          PackStamp(DateValue(DateTo), TimeValue(TimeTo))};
}

void TFormGraph::SetExportRange(double from, double to) {
  SetPickers(DateFrom, TimeFrom, from);
  SetPickers(DateTo, TimeTo, to);
}

const TimeAxisFormat& TFormGraph::TimeFormat() const { return time_ticker_->Format(); }
QCPLayoutElement* TFormGraph::Legend() const { return Chart1->legend; }

void TFormGraph::ButtonRedrawClick() {
  for (int n = 0; n < kChannels; ++n) PlotChannel(n);
}

void TFormGraph::ButtonScalesClick() {
  if (app_.Scales()) app_.Scales()->Open(ToolSpace());
}

void TFormGraph::ButtonStatsClick() {
  const bool first = !stats_;
  if (first) {
    stats_ = new TFormStats(*this, app_.DecimalSeparator());
    // Its size follows the figures: known once they are.
    stats_->Refresh();
    MoveToolWindow(stats_, ToolSpace());
  }
  stats_->show();
  stats_->raise();
  stats_->Refresh();
}

// Beside the window, or over the chart's plot area below the band where the read-out box
// shows, as tall as the box is with every channel drawn.
ToolSpot TFormGraph::ToolSpace() const {
  const QRect plot = Chart1->axisRect()->rect();
  const QRect cover(Chart1->mapToGlobal(plot.topLeft()), plot.size());
  const QLabel* box = readout_->Box();
  const int box_height = (kChannels + 1) * QFontMetrics(box->font()).lineSpacing() +
                         2 * (box->margin() + box->frameWidth()) + 8;
  return {frameGeometry(), cover, QRect(cover.topLeft(), QSize(cover.width(), box_height))};
}

std::vector<DrawnChannel> TFormGraph::DrawnChannels() const {
  std::vector<DrawnChannel> drawn;
  for (int n = 0; n < kChannels; ++n) {
    const int item = ComboBoxes[n]->currentIndex();
    if (item < 1 || static_cast<uint32_t>(item) > measurement_->line_count) continue;
    drawn.push_back({n, item - 1, channels_[n].detail.get(), channels_[n].span,
                     channels_[n].style.color, ComboBoxes[n]->currentText(),
                     IsSinglePrecision(measurement_->lines[item - 1].type_letter)});
  }
  return drawn;
}

void TFormGraph::Image1Click() { QDesktopServices::openUrl(QUrl(QString(kMakerUrl))); }

bool TFormGraph::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Chart1 &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
       event->type() == QEvent::MouseButtonDblClick) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    return true;
  }
  if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
    Image1Click();
    return true;
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int n = 0; n < kChannels; ++n) {
      if (watched == Panels[n]) {
        PanelDblClick(n);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvan
