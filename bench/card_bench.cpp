// Filling LOG.BIN against a plain write loop of the same bytes to the same folder, and the
// CONFIG.BIN image built and read back. KORVAN_BENCH_DIR names the folder to write in (the
// current folder by default: put it on the disk to be measured); KORVAN_BENCH_MB the size.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/card_preparation.h"
#include "config/config_image.h"

namespace korvan {
namespace {

std::string Folder() {
  const char* dir = std::getenv("KORVAN_BENCH_DIR");
  return dir && *dir ? dir : ".";
}

int64_t Megabytes() {
  const char* mb = std::getenv("KORVAN_BENCH_MB");
  return mb && *mb ? std::atoll(mb) : 1024;
}

void BM_FillLogFile(benchmark::State& state) {
  const std::string path = Folder() + "/bench-LOG.BIN";
  const int64_t blocks = Megabytes() * kBlocksPerMB;
  for (auto _ : state) {
    if (WriteLogFile(path, blocks, nullptr) != LogFileResult::kWritten) {
      state.SkipWithError("LOG.BIN could not be written");
      break;
    }
    std::remove(path.c_str());
  }
  state.SetBytesProcessed(state.iterations() * blocks * int64_t{kCardBlockSize});
}

// The yardstick: 8 MiB writes into one file, synced, as fast as the folder takes them.
void BM_PlainWriteLoop(benchmark::State& state) {
  const std::string path = Folder() + "/bench-plain.bin";
  const std::string buffer(8 << 20, '\xFF');
  const int64_t total = Megabytes() << 20;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int64_t written = 0; written < total;) {
      const ssize_t n = write(fd, buffer.data(), buffer.size());
      if (n <= 0) break;
      written += n;
    }
    fsync(fd);
    close(fd);
    std::remove(path.c_str());
  }
  state.SetBytesProcessed(state.iterations() * total);
}

RecordingConfig FiftyLines() {
  RecordingConfig config;
  config.lines.assign(50, {"Elektroměr", "Teplota výstupní vody", "1", "01h", "R", "0010h", "F4",
                           "0,1", "-10", "100", ""});
  return config;
}

void BM_BuildConfigImage(benchmark::State& state) {
  const RecordingConfig config = FiftyLines();
  for (auto _ : state) benchmark::DoNotOptimize(BuildConfigImage(config, ','));
}

void BM_ReadBackConfigImage(benchmark::State& state) {
  const std::string image = BuildConfigImage(FiftyLines(), ',');
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(image.data()),
                                       image.size());
  for (auto _ : state) {
    RecordingConfig config;
    benchmark::DoNotOptimize(ReadBackConfigImage(bytes, config, ','));
  }
}

// Interleaved, so that both see the same state of the disk's cache.
BENCHMARK(BM_PlainWriteLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FillLogFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainWriteLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FillLogFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BuildConfigImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBackConfigImage)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvan
