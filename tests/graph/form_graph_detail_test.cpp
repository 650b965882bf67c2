// The chart draws each channel from the few points per pixel column its line's pyramid gives;
// here every series kind and style is drawn that way and from all of the samples' points, and
// the pictures are compared.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <vector>

#include "app/date_time.h"
#include "graph/form_graph.h"
#include "support/card_builder.h"
#include "support/plot_points.h"
#include "support/qt/graph_window_fixture.h"

namespace korvan {
namespace {

using testing::FloatBits;
using testing::MakeStamp;

constexpr int kSamples = 6000;  // about 12 per pixel column of the chart

enum Shape { kRamp, kNoise, kGap, kStep, kSpike, kShapes };

// Line `shape`'s sample i, or nothing where the line has a gap. The gap line also breaks the
// chart's line with NaN words, and the noise line's range (0-90) leaves its top tenth out.
std::optional<uint32_t> Raw(int shape, int i) {
  const uint32_t hash = static_cast<uint32_t>(i) * 2654435761u >> 12;
  switch (shape) {
    case kRamp:
      return FloatBits(static_cast<float>(i) * 0.01f);
    case kNoise:
      return FloatBits(static_cast<float>(hash % 1000) * 0.1f);
    case kGap:
      if (i > 1800 && i < 3200) return std::nullopt;
      if (i > 4200 && i < 4260) return 0x7FC00000;
      return FloatBits(static_cast<float>(50 * std::sin(i / 400.0)));
    case kStep:
      return FloatBits(static_cast<float>(i / 800 % 3 * 10));
    default:
      return FloatBits(i == 2161 ? 100.0f : i == 4938 ? -40.0f : static_cast<float>(hash % 3));
  }
}

testing::CardBuilder Card() {
  testing::CardBuilder card;
  card.intervals = {1, 1, 1, 1};
  for (const char* name : {"Rampa", "Šum", "Mezera", "Schody", "Špička"}) {
    testing::CardLine line;
    line.name = name;
    card.lines.push_back(line);
  }
  card.lines[kNoise].maximum = 90;
  for (int i = 0; i < kSamples; ++i) {
    std::vector<LogEntry> entries;
    for (int shape = 0; shape < kShapes; ++shape) {
      if (const std::optional<uint32_t> raw = Raw(shape, i)) {
        entries.push_back({static_cast<uint16_t>(shape), *raw});
      }
    }
    const int s = i % kSecondsPerDay;
    AppendLogBlock(card.log,
                   MakeStamp(2024, 3, 1 + i / kSecondsPerDay, s / 3600, s / 60 % 60, s % 60),
                   std::nullopt, entries);
  }
  return card;
}

// Every pixel of one picture that is not white has one that is not white within a pixel of it
// in the other.
bool SameUpToOnePixel(const QImage& a, const QImage& b) {
  const int w = a.width(), h = a.height();
  auto ink = [&](const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<char> mask(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
      for (int x = 0; x < w; ++x)
        mask[static_cast<size_t>(y * w + x)] = qRgb(255, 255, 255) != (line[x] | 0xFF000000u);
    }
    return mask;
  };
  const std::vector<char> ink_a = ink(a), ink_b = ink(b);
  auto near = [&](const std::vector<char>& mask, int x, int y) {
    for (int py = std::max(0, y - 1); py <= std::min(h - 1, y + 1); ++py) {
      for (int px = std::max(0, x - 1); px <= std::min(w - 1, x + 1); ++px) {
        if (mask[static_cast<size_t>(py * w + px)]) return true;
      }
    }
    return false;
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t at = static_cast<size_t>(y * w + x);
      if (ink_a[at] != ink_b[at] && !near(ink_a[at] ? ink_b : ink_a, x, y)) return false;
    }
  }
  return true;
}

class GraphDetailTest : public testing::GraphWindowTest {};

// The line of every kind goes through the chart's own pixel-column reduction, which gets the
// same points per column from the pyramid as from all samples: the pictures are equal to the
// pixel. Marks and bars are drawn anti-aliased at sub-pixel positions, and the detail draws one
// mark per pixel and the bars that reach furthest per column, so only where coverage adds up
// differently may a pixel differ: each inked pixel of either picture must have ink within one
// pixel in the other (a lost spike, gap or filtered sample is far more).
TEST_F(GraphDetailTest, DrawsWhatAllPointsDraw) {
  TFormGraph& g = Open(Card());
  g.resize(640, 560);
  QCustomPlot* chart = g.Chart1;
  struct Style {
    const char* name;
    SeriesStyle style;
    bool exact;
  };
  const Style styles[] = {
      {"fast line", {0, 255, 1, 0, 0, 0}, true},
      {"thick line", {0, 255, 3, 0, 0, 0}, true},
      {"dashed line", {0, 255, 1, 2, 0, 0}, true},
      {"stairs", {1, 255, 2, 0, 0, 0}, true},
      {"marks", {0, 255, 0, 0, 3, 1}, false},
      {"line and crosses", {0, 255, 1, 0, 2, 5}, false},
      {"bars", {2, 255, 2, 0, 0, 0}, false},
      {"hollow bars", {2, 255, 0, 0, 0, 0}, false},
  };
  for (int shape = 0; shape < kShapes; ++shape) {
    for (const Style& style : styles) {
      for (bool zoomed : {false, true}) {
        SCOPED_TRACE(::testing::Message()
                     << "line " << shape << ", " << style.name << (zoomed ? ", zoomed" : ""));
        g.ButtonUnZoomXClick();
        Pick(g, 0, shape + 1);
        g.ApplySeriesStyle(0, style.style);
        if (zoomed) {
          // A third of a column's points, and neighbours beyond both edges.
          g.ButtonZoomXInClick();
          g.ButtonZoomXInClick();
          g.ButtonRightClick();
        }
        const QImage detail = chart->toPixmap(chart->width(), chart->height()).toImage();
        EXPECT_GT(g.PointCount(0), 0);

        // All points, as the chart was given them before: each sample that the plot takes.
        PlotPoints all;
        const Measurement& m = g.CurrentMeasurement();
        ExtractPlotPoints(m.lines[shape], m.buffers[shape], g.PlottedRange(0), all);
        QCPAbstractPlottable* series = g.Series(0);
        series->setVisible(false);
        std::vector<QCPAbstractPlottable*> reference;
        if (auto* bars = qobject_cast<QCPBars*>(series)) {
          auto* r = new QCPBars(chart->xAxis, bars->valueAxis());
          r->setWidthType(bars->widthType());
          r->setWidth(bars->width());
          r->setPen(bars->pen());
          r->setBrush(bars->brush());
          for (size_t i = 0; i < all.size(); ++i) r->addData(all.x[i], all.y[i]);
          reference.push_back(r);
        } else {
          auto* graph = qobject_cast<QCPGraph*>(series);
          ASSERT_NE(graph, nullptr);
          // The line as the chart has always drawn it, the marks every one of them.
          auto* line = new QCPGraph(chart->xAxis, graph->valueAxis());
          line->setPen(graph->pen());
          line->setLineStyle(graph->lineStyle());
          line->setAdaptiveSampling(true);
          reference.push_back(line);
          if (!graph->scatterStyle().isNone()) {
            auto* marks = new QCPGraph(chart->xAxis, graph->valueAxis());
            marks->setLineStyle(QCPGraph::lsNone);
            marks->setScatterStyle(graph->scatterStyle());
            marks->setAdaptiveSampling(false);
            reference.push_back(marks);
          }
          for (QCPAbstractPlottable* r : reference) {
            static_cast<QCPGraph*>(r)->setData(QVector<double>(all.x.begin(), all.x.end()),
                                               QVector<double>(all.y.begin(), all.y.end()));
          }
        }
        const QImage full = chart->toPixmap(chart->width(), chart->height()).toImage();
        for (QCPAbstractPlottable* r : reference) chart->removePlottable(r);
        series->setVisible(true);

        if (style.exact) {
          EXPECT_TRUE(detail == full);
        } else {
          EXPECT_TRUE(SameUpToOnePixel(detail, full));
        }
      }
    }
  }
}

// A press or wheel repaints without anti-aliasing; once the view rests it is drawn at full quality
// again, and a picture saved at once is drawn at full quality.
TEST_F(GraphDetailTest, FastWhileMovingFullQualityAtRest) {
  TFormGraph& g = Open(Card());
  g.resize(640, 560);
  QCustomPlot* chart = g.Chart1;
  Pick(g, 0, 1);
  g.ButtonZoomXInClick();
  EXPECT_EQ(chart->notAntialiasedElements(), QCP::aeAll);
  ASSERT_TRUE(g.SavePicture(data_.File("graf.png")));
  EXPECT_EQ(chart->notAntialiasedElements(), QCP::aeNone);

  g.ButtonRightClick();
  g.ButtonLeftClick();
  EXPECT_EQ(chart->notAntialiasedElements(), QCP::aeAll);
  QElapsedTimer waited;
  waited.start();
  while (chart->notAntialiasedElements() != QCP::aeNone && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_EQ(chart->notAntialiasedElements(), QCP::aeNone);
}

}  // namespace
}  // namespace korvan
