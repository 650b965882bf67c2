#include <benchmark/benchmark.h>

#include <bit>
#include <vector>

#include "app/date_time.h"
#include "graph/plot_detail.h"

namespace korvan {
namespace {

// One sample a second in time order from 1 January 2024 (months of 28 days are enough).
TBuf MakeLine(uint32_t count) {
  TBuf buffer;
  buffer.Reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t days = i / kSecondsPerDay;
    const uint32_t year = 24 + days / 336, month = 1 + days / 28 % 12, day = 1 + days % 28;
    const uint32_t s = i % kSecondsPerDay;
    const uint32_t stamp =
        year << 26 | month << 22 | day << 17 | (s / 3600) << 12 | (s / 60 % 60) << 6 | s % 60;
    buffer.Append({stamp, 0, std::bit_cast<uint32_t>(static_cast<float>(i % 1000))});
  }
  return buffer;
}

MeasuredLine FloatLine() {
  MeasuredLine line;
  line.type_letter = 'F';
  line.size_digit = 4;
  line.minimum = 0;
  line.maximum = 900;
  return line;
}

// The pyramid of a line, built once after the load.
void BM_BuildLineDetail(benchmark::State& state) {
  const TBuf buffer = MakeLine(static_cast<uint32_t>(state.range(0)));
  for (auto _ : state) {
    LineDetail detail(FloatLine(), buffer, {0, 0xFFFFFFFF});
    benchmark::DoNotOptimize(detail.MemoryBytes());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildLineDetail)->Arg(1000000)->Arg(16000000)->Unit(benchmark::kMillisecond);

// A line's detail over its whole span, on a chart 1 000 pixels wide.
struct WholeSpan {
  explicit WholeSpan(uint32_t count)
      : buffer(MakeLine(count)),
        detail(FloatLine(), buffer, {0, 0xFFFFFFFF}),
        span(detail.SpanOf({0, 0xFFFFFFFF})),
        lower(detail.ExtentOf(span).key_min),
        upper(detail.ExtentOf(span).key_max),
        keys{[l = lower, s = 1000 / (upper - lower)](double key) { return (key - l) * s; },
             [l = lower, s = 1000 / (upper - lower)](double pixel) { return l + pixel / s; }} {}
  const TBuf buffer;
  const LineDetail detail;
  const LineDetail::Span span;
  const double lower, upper;
  const AxisMap keys;
};

// What one repaint asks of a line: the points of the whole span.
void BM_LinePoints(benchmark::State& state) {
  const WholeSpan w(static_cast<uint32_t>(state.range(0)));
  std::vector<DetailPoint> points;
  for (auto _ : state) {
    points.clear();
    w.detail.LinePoints(w.span, w.lower, w.upper, w.keys, points);
    benchmark::DoNotOptimize(points.data());
  }
}
BENCHMARK(BM_LinePoints)->Arg(1000000)->Arg(16000000)->Unit(benchmark::kMillisecond);

// The point marks of the whole span, the chart 400 pixels high.
void BM_MarkPoints(benchmark::State& state) {
  const WholeSpan w(static_cast<uint32_t>(state.range(0)));
  const AxisMap values{[](double value) { return 400 - value * 400 / 900; },
                       [](double pixel) { return (400 - pixel) * 900 / 400; }};
  std::vector<DetailPoint> points;
  for (auto _ : state) {
    w.detail.MarkPoints(w.span, w.lower, w.upper, w.keys, values, -10, 410, points);
    benchmark::DoNotOptimize(points.data());
  }
}
BENCHMARK(BM_MarkPoints)->Arg(1000000)->Arg(16000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan
