#include "data/log_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "app/encodings.h"
#include "app/packed_stamp.h"
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

constexpr uint8_t kMarkerByte = 0xAA;

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian host
}

constexpr size_t BlockReach(int lines) { return 4 + 4 + 2 + 6 * static_cast<size_t>(lines) + 2; }

struct Scanner {
  int lines;
  uint32_t limit;
  TBuf* buffers;
  LogScanResult* result;
  // Consecutive blocks nearly always share their date: its check is done once per date.
  mutable uint32_t cached_date = 0xFFFFFFFF;
  mutable bool cached_date_valid = false;
  // (stamp, milliseconds) of each line's last sample; stamps order as unsigned integers.
  mutable std::array<uint64_t, kMaxLines> last_time{};

  bool ValidStamp(uint32_t stamp) const {
    if (StampDayKey(stamp) != cached_date) {
      cached_date = StampDayKey(stamp);
      cached_date_valid = IsValidStamp(StampMidnight(stamp));  // 00:00:00 is always valid
    }
    return cached_date_valid && StampSecond(stamp) <= 59 && StampMinute(stamp) <= 59 &&
           StampHour(stamp) <= 23;
  }

  // Six AA bytes then XX XX are either a longer AA run followed by a block whose stamp starts
  // with XX XX, or a block whose stamp itself ends in AA AA: at 10:42:42 every day. The run
  // reading comes first; only when it gives no acceptable stamp is the block read from m, so
  // that this second of the day is not lost.
  bool StampEndsInAaaa(const uint8_t* buf, size_t m, size_t avail) const {
    if (m + 10 <= avail) {
      const uint32_t shifted = Load32(buf + m + 6);
      if (ValidStamp(shifted) && shifted <= limit) return false;
    }
    const uint32_t stamp = Load32(buf + m + 4);
    return ValidStamp(stamp) && stamp <= limit;
  }

  // First marker start in [from, last_start), reading only bytes below avail.
  static size_t FindMarker(const uint8_t* buf, size_t from, size_t last_start, size_t avail) {
    // Blocks usually follow one another: try the current position before searching.
    if (from < last_start && Load32(buf + from) == 0xAAAAAAAA) return from;
    size_t m = from;
    while (m < last_start) {
      const void* hit = std::memchr(buf + m, kMarkerByte, last_start - m);
      if (!hit) return last_start;
      m = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buf);
      if (m + 4 <= avail && buf[m + 1] == kMarkerByte && buf[m + 2] == kMarkerByte &&
          buf[m + 3] == kMarkerByte) {
        return m;
      }
      ++m;
    }
    return last_start;
  }

  // Parses buf[pos, avail); returns where the scan resumes. Unless at_end, markers that lie
  // within BlockReach of avail are left for the next call.
  size_t Parse(const uint8_t* buf, size_t avail, size_t pos, bool at_end) const {
    const size_t reach = BlockReach(lines);
    size_t stop;  // marker candidates start below stop
    if (at_end) {
      stop = avail >= 8 ? avail - 7 : 0;  // a block needs at least its marker and stamp
    } else {
      stop = avail >= reach ? avail - reach + 1 : 0;
    }
    const uint16_t line_limit = static_cast<uint16_t>(lines);
    while (pos < stop) {
      size_t m = FindMarker(buf, pos, stop, avail);
      if (m >= stop) return at_end ? avail : stop;
      const uint8_t* block = buf + m;
      if (Load16(block + 6) == 0xAAAA) {
        pos = m + 2;  // inside a longer run of AA bytes
        continue;
      }
      if (Load16(block + 4) == 0xAAAA && !StampEndsInAaaa(buf, m, avail)) {
        pos = m + 2;  // the marker is the last four bytes of this run
        continue;
      }
      const uint32_t stamp = Load32(block + 4);
      if (!ValidStamp(stamp)) {
        pos = m + 2;
        continue;
      }
      if (stamp > limit) {
        pos = m + 8;
        continue;
      }
      result->earliest = std::min(result->earliest, stamp);
      result->latest = std::max(result->latest, stamp);
      size_t q = m + 8;
      uint16_t milliseconds = 0;
      if (q + 2 <= avail && (buf[q + 1] & 0xEC) == 0xEC) {
        // 1000-1023 cannot be a time of day; the block is kept as its last millisecond.
        milliseconds = std::min<uint16_t>(Load16(buf + q) & 0x3FF, 999);
        q += 2;
        result->subseconds_present = true;
      }
      const uint64_t time = uint64_t{stamp} << 16 | milliseconds;
      int previous = -1;
      while (q + 6 <= avail) {
        const uint16_t index = Load16(buf + q);
        if (index >= line_limit || static_cast<int>(index) <= previous) break;
        buffers[index].Append(LogSample{stamp, milliseconds, Load32(buf + q + 2)});
        if (time < last_time[index]) result->went_back[index] = true;
        last_time[index] = time;
        previous = index;
        q += 6;
      }
      pos = q;
    }
    return at_end ? avail : std::max(pos, stop);
  }
};

int ClampLines(int line_count) { return std::clamp(line_count, 0, kMaxLines); }

}  // namespace

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
