// The table view's row pass over 1 000 000 rows of 8 lines (time and memory per row), and the
// copy of a page-cached 256 MB LOG.BIN (GB/s).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "bench_measurement.h"
#include "data/log_copy.h"
#include "data/log_merge.h"
#include "data/log_writer.h"
#include "export/sheet_rows.h"
#include "platform/file_query.h"
#include "platform/files.h"

namespace korvan {
namespace {

void BM_SheetRows(benchmark::State& state) {
  const uint32_t rows = static_cast<uint32_t>(state.range(0));
  Measurement m;
  FillBenchMeasurement(m, rows);
  size_t memory = 0, count = 0;
  for (auto _ : state) {
    SheetRows sheet(m);
    sheet.Build({0, 0xFFFFFFFF});
    memory = sheet.MemoryBytes();
    count = sheet.RowCount();
    benchmark::DoNotOptimize(sheet.CellText(count - 1, 7));
  }
  state.counters["rows"] = static_cast<double>(count);
  state.counters["bytes_per_row"] = static_cast<double>(memory) / static_cast<double>(count);
  state.counters["rows_per_s"] = benchmark::Counter(static_cast<double>(count) * state.iterations(),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SheetRows)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A 256 MB LOG.BIN of blocks of 8 lines with millisecond words, made once in /tmp.
const std::string& CopySource() {
  static const std::string path = [] {
    std::string p = "/tmp/korvan_copy_bench_LOG.BIN";
    AtomicWriter writer(p, Durability::kRenameOnly);
    std::string chunk;
    uint64_t written = 0;
    const double base = EncodeDate(2020, 1, 1);
    LogEntry entries[8];
    for (uint32_t r = 0; written < (256ull << 20); ++r) {
      const double t = base + r / static_cast<double>(kSecondsPerDay);
      for (uint16_t i = 0; i < 8; ++i) entries[i] = {i, r * 2654435761u + i};
      AppendLogBlock(chunk, PackStamp(t, t), MillisecondWord(r % 1000), entries);
      if (chunk.size() >= (1 << 20)) {
        writer.Write(chunk);
        written += chunk.size();
        chunk.clear();
      }
    }
    writer.Commit();
    return p;
  }();
  return path;
}

void BM_CopyLogRecords(benchmark::State& state) {
  const std::string& source = CopySource();
  const uint64_t size = QueryFile(source).size;
  const uint32_t start = PackStamp(EncodeDate(2020, 1, 1), 0);
  for (auto _ : state) {
    ReadOnlyFile input(source);
    // Into the page cache of /tmp; dropped uncommitted, so no sync is timed.
    AtomicWriter output("/tmp/korvan_copy_bench_OUT.BIN", Durability::kRenameOnly);
    const LogCopyResult r =
        CopyLogRecords(input, output, start, 0xFFFFFFFF, ScanTimeLimit(Today()), 8);
    benchmark::DoNotOptimize(r.bytes_written);
  }
  state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}
BENCHMARK(BM_CopyLogRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The join of the same bytes: the file alone (as the copy above), or twice (every block met
// twice and written once).
void BM_MergeLogBlocks(benchmark::State& state) {
  const std::string& source = CopySource();
  const uint64_t size = QueryFile(source).size;
  for (auto _ : state) {
    auto input = std::make_shared<ReadOnlyFile>(source);
    MergeInput one;
    one.size = size;
    one.open = [input](uint64_t offset) -> CopyRead {
      return [input, offset](uint8_t* buffer, size_t n) mutable {
        const ptrdiff_t got = input->ReadAt(offset, buffer, n);
        if (got > 0) offset += static_cast<uint64_t>(got);
        return got;
      };
    };
    const std::vector<MergeInput> inputs(static_cast<size_t>(state.range(0)), one);
    AtomicWriter output("/tmp/korvan_copy_bench_OUT.BIN", Durability::kRenameOnly);
    const MergeLogResult r = MergeLogBlocks(
        inputs, [&](const uint8_t* bytes, size_t n) { return output.Write(bytes, n); },
        ScanTimeLimit(Today()), 8);
    benchmark::DoNotOptimize(r.blocks);
  }
  state.SetBytesProcessed(static_cast<int64_t>(size) * state.range(0) * state.iterations());
}
BENCHMARK(BM_MergeLogBlocks)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace korvan
