// The text export of 1 000 000 rows of 8 lines into a sink that only counts, on one thread
// and with the second one the export takes for a big measurement.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "bench_measurement.h"
#include "export/export.h"

namespace korvan {
namespace {

class CountingSink : public ExportSink {
 public:
  bool Write(const char*, size_t size) override {
    bytes += size;
    return true;
  }
  uint64_t bytes = 0;
};

void BM_Export(benchmark::State& state) {
  const uint32_t rows = static_cast<uint32_t>(state.range(0));
  Measurement m;
  FillBenchMeasurement(m, rows);
  const int lines[] = {0, 1, 2, 3, 4, 5, 6, 7};
  uint64_t bytes = 0;
  for (auto _ : state) {
    CountingSink sink;
    WriteExport(m, lines, {0, 0xFFFFFFFF}, ',', sink, {}, {static_cast<int>(state.range(1)), 0});
    bytes = sink.bytes;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_Export)
    ->Args({1000000, 1})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace korvan
