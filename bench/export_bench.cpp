// The text export of 1 000 000 rows of 8 lines into a sink that only counts.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <bit>

#include "app/date_time.h"
#include "app/encodings.h"
#include "data/export.h"

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
  m.line_count = 8;
  m.subseconds_present = true;
  const char* types[] = {"F4", "U4", "S2", "A4", "F4", "U4", "S1", "U2"};
  const double multipliers[] = {1, 0.1, 0.01, 1, 1, 1, 0.5, 0.001};
  for (int i = 0; i < 8; ++i) {
    m.lines[i].caption = "Přístroj - Veličina " + std::to_string(i + 1);
    m.lines[i].type_letter = types[i][0];
    m.lines[i].size_digit = types[i][1] - '0';
    m.lines[i].multiplier = multipliers[i];
    m.buffers[i].Reserve(rows);
  }
  const double base = EncodeDate(2020, 1, 1);
  for (uint32_t r = 0; r < rows; ++r) {
    const double t = base + r / 86400.0;
    const uint32_t stamp = PackStamp(t, t);
    for (int i = 0; i < 8; ++i) {
      if (i == 3 && r % 4) continue;  // one slower line leaves empty cells
      uint32_t raw = r * 2654435761u + i;
      if (types[i][0] == 'F') raw = std::bit_cast<uint32_t>(static_cast<float>(r % 1000) * 0.37f);
      if (types[i][0] == 'A') raw = 0x01000000 | (r % 100000);
      m.buffers[i].Append({stamp, static_cast<uint16_t>(r % 1000), raw});
    }
  }
  const int lines[] = {0, 1, 2, 3, 4, 5, 6, 7};
  uint64_t bytes = 0;
  for (auto _ : state) {
    CountingSink sink;
    WriteExport(m, lines, {0, 0xFFFFFFFF}, ',', sink);
    bytes = sink.bytes;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_Export)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan
