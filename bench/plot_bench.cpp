#include <benchmark/benchmark.h>

#include <bit>

#include "data/plot_points.h"

namespace korvan {
namespace {

// A day's worth of stamps per 86 400 samples, one sample a second, from 1 May 2024.
TBuf MakeLine(uint32_t count) {
  TBuf buffer;
  buffer.Reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t day = 1 + i / 86400 % 28;
    const uint32_t s = i % 86400;
    const uint32_t stamp =
        24u << 26 | 5u << 22 | day << 17 | (s / 3600) << 12 | (s / 60 % 60) << 6 | s % 60;
    buffer.Append({stamp, 0, std::bit_cast<uint32_t>(static_cast<float>(i % 1000))});
  }
  return buffer;
}

void BM_ExtractPlotPoints(benchmark::State& state) {
  const TBuf buffer = MakeLine(static_cast<uint32_t>(state.range(0)));
  MeasuredLine line;
  line.type_letter = 'F';
  line.size_digit = 4;
  line.minimum = 0;
  line.maximum = 900;
  PlotPoints points;
  for (auto _ : state) {
    ExtractPlotPoints(line, buffer, {0, 0xFFFFFFFF}, points, [](uint32_t) {});
    benchmark::DoNotOptimize(points.x.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExtractPlotPoints)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan
