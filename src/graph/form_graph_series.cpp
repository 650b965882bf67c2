// The channels' series: plotting a line and the three series kinds' styles.
#include <qcustomplot.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QVector>
#include <climits>
#include <limits>

#include "graph/form_detail_series.h"
#include "graph/form_graph.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "graph/plot_detail.h"
#include "widgets/form_long_operation.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

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
void SetData(Plottable* series, const std::vector<DetailPoint>& points) {
  QVector<Data> data(static_cast<qsizetype>(points.size()));
  for (size_t i = 0; i < points.size(); ++i) {
    data[static_cast<qsizetype>(i)].key = points[i].key;
    data[static_cast<qsizetype>(i)].value = points[i].value;
  }
  series->data()->set(data, true);
}

AxisMap MapOf(const QCPAxis* axis) {
  return {[axis](double coord) { return axis->coordToPixel(coord); },
          [axis](double pixel) { return axis->pixelToCoord(pixel); }};
}

// How far beyond its point a mark or a bar reaches, in pixels: the largest mark (size 10) with
// its outline, the widest bar outline.
constexpr double kReach = 16;

}  // namespace

int TFormGraph::PointCount(int channel) const {
  return static_cast<int>(std::min<uint64_t>(channels_[channel].count, INT_MAX));
}

std::shared_ptr<const LineDetail> TFormGraph::DetailOf(int line, const StampRange& range) {
  std::shared_ptr<const LineDetail>& detail = details_[line];
  if (detail && detail->Covers(range)) return detail;
  const TBuf& buffer = measurement_->buffers[line];
  const uint32_t count = buffer.count();
  // Seconds on a big card: the bar moves and the user's clicks meanwhile go nowhere.
  ProgressBar1->show();
  LongOperation operation(ProgressBar1);
  operation.SetMaximum(count);
  QElapsedTimer painted;
  painted.start();
  detail = std::make_shared<const LineDetail>(measurement_->lines[line], buffer, range,
                                              [&](uint32_t position) {
                                                if (painted.elapsed() < 40) return;
                                                operation.SetPosition(position);
                                                painted.restart();
                                              });
  operation.End();
  ProgressBar1->hide();
  return detail;
}

void TFormGraph::PlotChannel(int channel) {
  Channel& c = channels_[channel];
  c.detail.reset();
  c.count = 0;
  c.values = {};
  c.times = {};
  const int item = ComboBoxes[channel]->currentIndex();
  // A choice beyond the loaded lines (settings of another configuration) shows nothing.
  const bool has_line = item >= 1 && static_cast<uint32_t>(item) <= measurement_->line_count &&
                        measurement_->buffers[item - 1].count() > 0;
  if (has_line) {
    c.plotted = CurrentStampRange();
    c.detail = DetailOf(item - 1, c.plotted);
    c.span = c.detail->SpanOf(c.plotted);
    const LineDetail::Extent extent = c.detail->ExtentOf(c.span);
    c.count = extent.count;
    if (extent.count > 0) {
      c.values.Add(extent.value_min, extent.value_max);
      c.times.Add(extent.key_min, extent.key_max);
    }
    c.series->setName(ComboBoxes[channel]->currentText());
  }
  if (!ManualView) {
    RescaleAxes(true, true, true);
  } else {
    Chart1->replot();
  }
}

void TFormGraph::FillGraph(int channel, DetailGraph& graph) {
  const Channel& c = channels_[channel];
  std::vector<DetailPoint> points;
  QVector<QCPGraphData>& marks = graph.Marks();
  marks.clear();
  if (c.detail) {
    const QCPAxis* keys = graph.keyAxis();
    const QCPAxis* values = graph.valueAxis();
    const AxisMap key_map = MapOf(keys);
    const QCPRange range = keys->range();
    if (!graph.scatterStyle().isNone()) {
      // Marks reach into view from above and below; the chart takes no marks from beyond the
      // neighbours of the visible keys.
      const QRect area = graph.keyAxis()->axisRect()->rect();
      c.detail->MarkPoints(c.span, range.lower, range.upper, key_map, MapOf(values),
                           area.top() - kReach, area.bottom() + kReach, points);
      marks.resize(static_cast<qsizetype>(points.size()));
      for (size_t i = 0; i < points.size(); ++i) {
        marks[static_cast<qsizetype>(i)] = QCPGraphData(points[i].key, points[i].value);
      }
    }
    c.detail->LinePoints(c.span, range.lower, range.upper, key_map, points);
  }
  SetData<QCPGraph, QCPGraphData>(&graph, c.detail ? points : std::vector<DetailPoint>{});
}

void TFormGraph::FillBars(int channel, DetailBars& bars) {
  const Channel& c = channels_[channel];
  std::vector<DetailPoint> points;
  if (c.detail) {
    const QCPRange range = bars.keyAxis()->range();
    c.detail->BarPoints(c.span, range.lower, range.upper, kReach, MapOf(bars.keyAxis()), points);
  }
  SetData<QCPBars, QCPBarsData>(&bars, points);
}

QCPAbstractPlottable* TFormGraph::MakeSeries(int channel, SeriesKind kind, QCPAxis* value_axis) {
  if (kind == kBars) {
    return new DetailBars(Chart1->xAxis, value_axis,
                          [this, channel](DetailBars& bars) { FillBars(channel, bars); });
  }
  return new DetailGraph(Chart1->xAxis, value_axis,
                         [this, channel](DetailGraph& graph) { FillGraph(channel, graph); });
}

void TFormGraph::ReplaceSeries(int channel, SeriesKind kind) {
  Channel& c = channels_[channel];
  QCPAbstractPlottable* old = c.series;
  // The points come from the channel's line at each drawing: nothing to carry over.
  QCPAbstractPlottable* fresh = MakeSeries(channel, kind, old->valueAxis());
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
