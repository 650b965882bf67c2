// Scan and time ordering of a page-cached LOG.BIN, and the time ordering of many segments.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "data/log_writer.h"
#include "data/measurement.h"

namespace korvan {
namespace {

constexpr int kLines = 8;
constexpr size_t kFileBytes = size_t{256} << 20;

// Exact whole seconds: a fraction of a day could round to the second before.
uint32_t StampAt(double base, uint64_t second) {
  const uint64_t s = second % kSecondsPerDay;
  return PackStamp(base + static_cast<double>(second / kSecondsPerDay),
                   EncodeTime(int(s / 3600), int(s / 60 % 60), int(s % 60), 0));
}

// 256 MB of 8-line blocks with millisecond words, one block per second; when wrapped, the
// second half of the recording sits in front of the first.
struct TempFiles {
  std::string paths[2];
  ~TempFiles() {
    for (const auto& p : paths) {
      if (!p.empty()) std::remove(p.c_str());
    }
  }
} temp_files;

const std::string& LogFile(bool wrapped) {
  std::string& path = temp_files.paths[wrapped];
  if (!path.empty()) return path;
  const char* tmp = std::getenv("TMPDIR");
  path = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvan-bench-log-" + std::to_string(getpid()) +
         (wrapped ? "-wrapped" : "") + ".bin";
  const double base = EncodeDate(2020, 1, 1);
  std::vector<LogEntry> entries(kLines);
  const size_t block = 4 + 4 + 2 + 6 * kLines;
  const uint64_t blocks = kFileBytes / block;
  std::string bytes;
  bytes.reserve(kFileBytes);
  for (uint64_t b = 0; b < blocks; ++b) {
    const uint64_t second = wrapped ? (b + blocks / 2) % blocks : b;
    for (int i = 0; i < kLines; ++i) entries[i] = {static_cast<uint16_t>(i), uint32_t(b * 7 + i)};
    AppendLogBlock(bytes, StampAt(base, second), MillisecondWord(uint16_t(b % 1000)), entries);
  }
  bytes.resize(kFileBytes, '\xFF');
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void ScanAndOrder(benchmark::State& state, bool wrapped) {
  const std::string& path = LogFile(wrapped);
  const uint32_t limit = PackStamp(EncodeDate(2030, 1, 1), 0);
  uint64_t samples = 0;
  for (auto _ : state) {
    Measurement m;
    LogScanResult result;
    ScanLogFile(path, kLines, limit, m.buffers.data(), result);
    m.line_count = kLines;
    m.intervals = {1.0, 1.0, 1.0, 1.0};
    OrderLines(m, result);
    samples = 0;
    for (int i = 0; i < kLines; ++i) samples += m.buffers[i].count();
    benchmark::DoNotOptimize(m.buffers[0].raw());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["samples"] = static_cast<double>(samples);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["sample_MB"] = static_cast<double>(samples * sizeof(LogSample)) / (1 << 20);
}

void BM_ScanAndOrder256MB(benchmark::State& state) { ScanAndOrder(state, false); }
void BM_ScanAndOrderWrapped256MB(benchmark::State& state) { ScanAndOrder(state, true); }
BENCHMARK(BM_ScanAndOrder256MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanAndOrderWrapped256MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// ReorderLineSamples alone over n samples cut into the given number of segments, stored
// newest segment first (the worst order for an exchange sort).
void BM_Reorder(benchmark::State& state) {
  const uint32_t n = static_cast<uint32_t>(state.range(0));
  const uint32_t segments = static_cast<uint32_t>(state.range(1));
  const double base = EncodeDate(2020, 1, 1);
  TBuf original;
  const uint32_t per = n / segments;
  for (uint32_t s = 0; s < segments; ++s) {
    for (uint32_t k = 0; k < per; ++k) {
      // 1 s apart inside a segment, 100 s between segments.
      original.Append({StampAt(base, uint64_t(segments - 1 - s) * (per + 100) + k), 0, k});
    }
  }
  TBuf work;
  for (auto _ : state) {
    state.PauseTiming();
    work.Clear();
    work.AppendFrom(original, 0, original.count());
    state.ResumeTiming();
    ReorderLineSamples(work, 1.0);
    benchmark::DoNotOptimize(work.raw());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * original.count()));
}
BENCHMARK(BM_Reorder)
    ->Args({1 << 23, 1})
    ->Args({1 << 23, 2})
    ->Args({1 << 23, 65536})
    ->Args({1 << 21, 65536})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvan
