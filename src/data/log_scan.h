#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "data/log_sample.h"

namespace korvan {

inline constexpr int kMaxLines = 50;
inline constexpr uint32_t kUnsetEarliest = 0xFFFFFFFF;
inline constexpr uint32_t kUnsetLatest = 0;
// Bytes read per chunk by default. Any chunk size gives the same samples (see log_scan.cpp).
inline constexpr size_t kDefaultScanChunk = 1 << 20;

// The latest stamp the load of a measurement accepts: today + 1 day, 00:00:00.
uint32_t ScanTimeLimit(double today);

// What the scan of LOG.BIN learns besides the samples.
struct LogScanResult {
  uint32_t earliest = kUnsetEarliest;  // earliest accepted block stamp
  uint32_t latest = kUnsetLatest;      // latest accepted block stamp
  bool subseconds_present = false;     // some accepted block carried a millisecond word
  uint64_t bytes_read = 0;
  // Per line: some sample was earlier than the one before it. A line without that is already
  // in time order and needs no ReorderLineSamples.
  std::array<bool, kMaxLines> went_back{};
};

// Called after every chunk with the number of bytes that chunk read.
using ScanProgress = std::function<void(size_t bytes)>;

// Scans record blocks into buffers[0 .. line_count-1] (appending), skipping everything that
// is not a valid block: runs of AA bytes, invalid stamps, stamps later than time_limit
// (compared as unsigned; equal is accepted), entry indices that are not a valid next line.
// line_count is clamped to 0-50. Nothing beyond the given bytes is ever read; a block cut
// off by the end of the data yields the entries that are completely present.
void ScanLogBytes(const uint8_t* data, size_t size, int line_count, uint32_t time_limit,
                  TBuf* buffers, LogScanResult& result);

// The same over a file, read with read(2) in chunks of chunk_size bytes (the results do not
// depend on the chunk size). Returns false when the file cannot be opened or a read fails;
// the buffers then hold what was scanned so far. With background, one more thread reads the
// file a chunk ahead and another faults the buffers' pages in ahead of the scan, for which
// the buffers get room for all the file could hold (trim them afterwards with ShrinkToFit);
// the samples are the same either way, and progress is called on this thread.
bool ScanLogFile(const std::string& path, int line_count, uint32_t time_limit, TBuf* buffers,
                 LogScanResult& result, const ScanProgress& progress = {},
                 size_t chunk_size = kDefaultScanChunk, bool background = true);

// Receives the accepted blocks of a scan that stores nothing.
class BlockVisitor {
 public:
  virtual ~BlockVisitor() = default;
  // One accepted block in file order: its stamp and milliseconds and its count entries of 6
  // bytes (16-bit line index, 32-bit raw value, little-endian), exactly those the scan would
  // store.
  virtual void Block(uint32_t stamp, uint16_t milliseconds, const uint8_t* entries,
                     size_t count) = 0;
};

// ScanLogFile's pass without storing any sample: the same blocks go to visitor (none: only
// result is wanted), went_back stays unset, and memory stays a few chunks whatever the file's
// size.
bool VisitLogFile(const std::string& path, int line_count, uint32_t time_limit,
                  BlockVisitor* visitor, LogScanResult& result, const ScanProgress& progress = {},
                  size_t chunk_size = kDefaultScanChunk, bool background = true);

}  // namespace korvan
