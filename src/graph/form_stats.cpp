#include "graph/form_stats.h"

#include <qcustomplot.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/range_stats.h"
#include "graph/readout.h"
#include "widgets/form_placement.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

const char* const kColumns[] = {"Veličina",   "Vzorků", "Minimum",      "Čas minima",     "Maximum",
                                "Čas maxima", "Průměr", "První vzorek", "Poslední vzorek"};
constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

QString TimeText(const SampleTime& t, bool subseconds) {
  return Q(TableRowTimeText(t.stamp, t.milliseconds, subseconds)).trimmed();
}

QIcon Swatch(uint32_t color) {
  QPixmap pixmap(12, 12);
  pixmap.fill(ToQColor(color));
  QPainter(&pixmap).drawRect(0, 0, 11, 11);
  return QIcon(pixmap);
}

}  // namespace

TFormStats::TFormStats(TFormGraph& graph, char decimal_separator)
    : QWidget(&graph, Qt::Tool), graph_(graph), decimal_separator_(decimal_separator) {
  setWindowTitle(Q("Statistika"));
  LabelRange = new QLabel(this);
  GridStats = new QTableWidget(0, kColumnCount, this);
  QStringList headers;
  for (const char* c : kColumns) headers << Q(c);
  GridStats->setHorizontalHeaderLabels(headers);
  GridStats->verticalHeader()->hide();
  GridStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
  GridStats->setSelectionBehavior(QAbstractItemView::SelectRows);
  GridStats->setWordWrap(false);
  GridStats->verticalHeader()->setDefaultSectionSize(20);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(LabelRange);
  layout->addWidget(GridStats, 1);

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, &TFormStats::Refresh);
  QCustomPlot* chart = graph_.Chart1;
  connect(chart->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          &TFormStats::ScheduleRefresh);
  connect(chart, &QCustomPlot::afterReplot, this, &TFormStats::ScheduleRefresh);
}

void TFormStats::ScheduleRefresh() {
  if (isVisible()) timer_->start();
}

void TFormStats::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  shown_.clear();
  Refresh();
}

void TFormStats::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// The visible span and, per drawn channel, its line, its plotted range and its points: the
// figures change only when one of these does.
std::vector<double> TFormStats::ShownState() const {
  const AxisRange visible = graph_.TimeRange();
  std::vector<double> state = {visible.minimum, visible.maximum};
  for (const DrawnChannel& c : graph_.DrawnChannels()) {
    const StampRange range = graph_.PlottedRange(c.channel);
    state.insert(state.end(),
                 {static_cast<double>(c.channel), static_cast<double>(c.line),
                  static_cast<double>(range.start), static_cast<double>(range.end),
                  static_cast<double>(graph_.PointCount(c.channel)), static_cast<double>(c.color)});
  }
  return state;
}

void TFormStats::Refresh() {
  std::vector<double> state = ShownState();
  if (state == shown_) return;
  shown_ = std::move(state);

  Measurement& m = graph_.CurrentMeasurement();
  const bool sub = m.subseconds_present;
  const AxisRange visible = graph_.TimeRange();
  const std::optional<SampleWindow> times = WindowOfTimes(visible.minimum, visible.maximum);
  auto shown_time = [&](double value) {
    const std::optional<SampleTime> t = SampleTimeOf(value);
    return t ? TimeText(*t, sub) : Q("—");
  };
  LabelRange->setText(Q("Zobrazený časový rozsah: %1 – %2")
                          .arg(shown_time(visible.minimum), shown_time(visible.maximum)));

  const std::vector<DrawnChannel> channels = graph_.DrawnChannels();
  GridStats->setRowCount(static_cast<int>(channels.size()));
  for (int row = 0; row < static_cast<int>(channels.size()); ++row) {
    const DrawnChannel& c = channels[row];
    RangeStats s;
    const std::optional<SampleWindow> window =
        times ? Intersect(WindowOfStamps(graph_.PlottedRange(c.channel)), *times) : std::nullopt;
    if (window) s = ComputeRangeStats(m.lines[c.line], m.buffers[c.line], *window);
    const QString none = Q("—");
    auto number = [&](double v) {
      return s.count ? Q(ShownValueText(v, c.single_precision, decimal_separator_)) : none;
    };
    const QString mean = s.count ? Q(ShownMeanText(s.mean, decimal_separator_)) : none;
    auto time = [&](const SampleTime& t) { return s.count ? TimeText(t, sub) : none; };
    const QString cells[kColumnCount] = {c.caption,
                                         QString::number(s.count),
                                         number(s.minimum),
                                         time(s.minimum_time),
                                         number(s.maximum),
                                         time(s.maximum_time),
                                         mean,
                                         time(s.first_time),
                                         time(s.last_time)};
    for (int column = 0; column < kColumnCount; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (column == 0) {
        item->setIcon(Swatch(c.color));
      } else if (column == 1 || column == 2 || column == 4 || column == 6) {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      GridStats->setItem(row, column, item);
    }
  }
  GridStats->resizeColumnsToContents();
  FitToTable();
}

// Wide enough for every column and tall enough for every channel, within the screen.
void TFormStats::FitToTable() {
  int width = 2 * GridStats->frameWidth() + 12;
  for (int column = 0; column < kColumnCount; ++column) width += GridStats->columnWidth(column);
  const int rows = std::max(GridStats->rowCount(), 1);
  const int height = LabelRange->sizeHint().height() + GridStats->horizontalHeader()->height() +
                     rows * GridStats->verticalHeader()->defaultSectionSize() +
                     2 * GridStats->frameWidth() + 24;
  // The frame as it will be once shown, so that the size does not change on showing.
  const QMargins frame = WindowFrame(this);
  const QRect area = AvailableArea(frameGeometry().center());
  const QSize size = QSize(width, height).boundedTo(area.size().shrunkBy(frame));
  if (size == fitted_) return;
  fitted_ = size;
  resize(size);
  // Grown with more channels: still whole on the screen.
  if (isVisible()) {
    const QRect framed = frameGeometry();
    move(std::max(area.left(), std::min(framed.left(), area.right() + 1 - framed.width())),
         std::max(area.top(), std::min(framed.top(), area.bottom() + 1 - framed.height())));
  }
}

}  // namespace korvan
