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

struct Scanner {
  int lines;
  uint32_t limit;
  TBuf* buffers;
  LogScanResult* result;
  log_block::StampCheck stamps{};
  // (stamp, milliseconds) of each line's last sample; stamps order as unsigned integers.
  mutable std::array<uint64_t, kMaxLines> last_time{};

  // Parses buf[pos, avail); returns where the scan resumes. Unless at_end, markers that lie
  // within BlockReach of avail are left for the next call.
  size_t Parse(const uint8_t* buf, size_t avail, size_t pos, bool at_end) const {
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
      const uint16_t milliseconds = head.milliseconds;
      const uint64_t time = uint64_t{stamp} << 16 | milliseconds;
      pos = log_block::WalkEntries(buf, head.entries, avail, lines,
                                   [&](uint16_t index, uint32_t raw) {
                                     buffers[index].Append(LogSample{stamp, milliseconds, raw});
                                     if (time < last_time[index]) result->went_back[index] = true;
                                     last_time[index] = time;
                                   });
    }
    return at_end ? avail : std::max(pos, stop);
  }
};

int ClampLines(int line_count) { return std::clamp(line_count, 0, kMaxLines); }

}  // namespace

uint32_t ScanTimeLimit(double today) { return PackStamp(today + 1.0, 0.0); }

void ScanLogBytes(const uint8_t* data, size_t size, int line_count, uint32_t time_limit,
                  TBuf* buffers, LogScanResult& result) {
  Scanner scanner{ClampLines(line_count), time_limit, buffers, &result};
  result.bytes_read += size;
  if (data && size > 0) scanner.Parse(data, size, 0, true);
}

bool ScanLogFile(const std::string& path, int line_count, uint32_t time_limit, TBuf* buffers,
                 LogScanResult& result, const ScanProgress& progress, size_t chunk_size,
                 bool background) {
  Scanner scanner{ClampLines(line_count), time_limit, buffers, &result};
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return false;
  const size_t reach = BlockReach(scanner.lines);
  // A sample takes at least 14 bytes of the file (marker, stamp, its entry), which bounds
  // what any line can gain.
  std::optional<SamplePrefetch> prefetch;
  if (background) prefetch.emplace(buffers, scanner.lines, file.size() / 14 + 1);
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

}  // namespace korvan
