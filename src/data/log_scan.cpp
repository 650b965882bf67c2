#include "data/log_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "app/encodings.h"
#include "data/log_block.h"
#include "data/sample_prefetch.h"
#include "platform/file_query.h"
#include "platform/read_ahead.h"

namespace korvan {

// Chunks and results: the parser below decides a block at marker offset m only when the
// bytes m .. m + BlockReach(lines) are all present (or the file has ended). BlockReach covers
// marker, stamp, millisecond word, one entry per line and the word that ends the list, which
// is everything the decision can look at. A candidate closer to the end of the bytes read is
// carried over to the start of the next chunk, so each block is decided on the same bytes as
// if the whole file were one buffer, whatever the chunk size. This is the 16 384-byte refill
// rule with a margin large enough that no read ever goes past the bytes read.

namespace {

using log_block::BlockReach;

// Where the samples of accepted blocks go: into the lines' buffers, or to a visitor.
struct BufferSink {
  TBuf* buffers;
  LogScanResult* result;
  // (stamp, milliseconds) of each line's last sample; stamps order as unsigned integers.
  std::array<uint64_t, kMaxLines> last_time{};

  size_t Block(const uint8_t* buf, size_t entries, size_t avail, int lines, uint32_t stamp,
               uint16_t milliseconds) {
    const uint64_t time = uint64_t{stamp} << 16 | milliseconds;
    TBuf::StepMemo memo;
    return log_block::WalkEntries(buf, entries, avail, lines, [&](uint16_t index, uint32_t raw) {
      buffers[index].Append(LogSample{stamp, milliseconds, raw}, memo);
      if (time < last_time[index]) result->went_back[index] = true;
      last_time[index] = time;
    });
  }
};

struct VisitorSink {
  BlockVisitor* visitor;

  size_t Block(const uint8_t* buf, size_t entries, size_t avail, int lines, uint32_t stamp,
               uint16_t milliseconds) {
    const size_t end =
        log_block::WalkEntries(buf, entries, avail, lines, [](uint16_t, uint32_t) {});
    if (visitor) {
      visitor->Block(stamp, milliseconds, buf + entries, (end - entries) / log_block::kEntrySize);
    }
    return end;
  }
};

template <typename Sink>
struct Scanner {
  int lines;
  uint32_t limit;
  LogScanResult* result;
  Sink sink;
  log_block::StampCheck stamps{};

  // Parses buf[pos, avail); returns where the scan resumes. Unless at_end, markers that lie
  // within BlockReach of avail are left for the next call.
  size_t Parse(const uint8_t* buf, size_t avail, size_t pos, bool at_end) {
    const size_t reach = BlockReach(lines);
    const size_t stop = log_block::CandidateStop(avail, reach, at_end);
    while (pos < stop) {
      size_t m = log_block::FindMarker(buf, pos, stop, avail);
      if (m >= stop) return at_end ? avail : stop;
      if (!log_block::BlockAt(stamps, buf, m, avail, limit)) {
        pos = m + 2;
        continue;
      }
      const uint32_t stamp = log_block::Load32(buf + m + 4);
      if (stamp > limit) {
        pos = m + 8;
        continue;
      }
      result->earliest = std::min(result->earliest, stamp);
      result->latest = std::max(result->latest, stamp);
      const log_block::BlockHead head = log_block::ReadBlockHead(buf, m, avail);
      if (head.has_milliseconds) result->subseconds_present = true;
      pos = sink.Block(buf, head.entries, avail, lines, stamp, head.milliseconds);
    }
    return at_end ? avail : std::max(pos, stop);
  }
};

int ClampLines(int line_count) { return std::clamp(line_count, 0, kMaxLines); }

}  // namespace

uint32_t ScanTimeLimit(double today) { return PackStamp(today + 1.0, 0.0); }

void ScanLogBytes(const uint8_t* data, size_t size, int line_count, uint32_t time_limit,
                  TBuf* buffers, LogScanResult& result) {
  Scanner<BufferSink> scanner{ClampLines(line_count), time_limit, &result, {buffers, &result}};
  result.bytes_read += size;
  if (data && size > 0) scanner.Parse(data, size, 0, true);
}

namespace {

// The chunk loop of a scan over a file; prefetch (may be empty) runs a chunk ahead.
template <typename Sink>
bool ScanFile(ReadOnlyFile& file, Scanner<Sink>& scanner, LogScanResult& result,
              const ScanProgress& progress, size_t chunk_size, bool background,
              std::optional<SamplePrefetch>& prefetch) {
  const size_t reach = BlockReach(scanner.lines);
  // Carried-over bytes are always fewer than reach: they go into the room before the chunk.
  ReadAhead reader(file, chunk_size, reach, background);
  const uint8_t* carry = nullptr;
  size_t carried = 0;
  for (;;) {
    const ReadAhead::Chunk chunk = reader.Next();
    if (chunk.size < 0) return false;
    const size_t n = static_cast<size_t>(chunk.size);
    uint8_t* buf = chunk.data - carried;
    if (carried > 0) std::memcpy(buf, carry, carried);
    const size_t avail = carried + n;
    result.bytes_read += n;
    if (n > 0 && progress) progress(n);
    const bool at_end = n == 0;
    const size_t pos = scanner.Parse(buf, avail, 0, at_end);
    if (at_end) return true;
    carry = buf + pos;
    carried = avail - pos;
    if (prefetch) prefetch->Advance();
  }
}

}  // namespace

bool ScanLogFile(const std::string& path, int line_count, uint32_t time_limit, TBuf* buffers,
                 LogScanResult& result, const ScanProgress& progress, size_t chunk_size,
                 bool background) {
  Scanner<BufferSink> scanner{ClampLines(line_count), time_limit, &result, {buffers, &result}};
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  // A sample takes at least 14 bytes of the file (marker, stamp, its entry), which bounds
  // what any line can gain.
  std::optional<SamplePrefetch> prefetch;
  if (background) prefetch.emplace(buffers, scanner.lines, file.size() / 14 + 1);
  return ScanFile(file, scanner, result, progress, chunk_size, background, prefetch);
}

bool VisitLogFile(const std::string& path, int line_count, uint32_t time_limit,
                  BlockVisitor* visitor, LogScanResult& result, const ScanProgress& progress,
                  size_t chunk_size, bool background) {
  Scanner<VisitorSink> scanner{ClampLines(line_count), time_limit, &result, {visitor}};
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  std::optional<SamplePrefetch> none;
  return ScanFile(file, scanner, result, progress, chunk_size, background, none);
}

}  // namespace korvan
