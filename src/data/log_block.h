#pragma once

// Recognition of LOG.BIN record blocks, shared by the log scan and the copy of a measurement
// so that both read blocks by the same rules and never look at bytes beyond those read.
//
// A block: the marker AA AA AA AA, a PackedStamp, optionally a millisecond word (its high
// byte has all of the bits 0xEC set), then entries of a 16-bit line index and a 32-bit raw
// value while the index is a valid next line.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/encodings.h"
#include "app/packed_stamp.h"

namespace korvan::log_block {

inline constexpr uint8_t kMarkerByte = 0xAA;
inline constexpr uint32_t kMarker = 0xAAAAAAAA;
inline constexpr size_t kEntrySize = 6;

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian host
}

// Marker, stamp, millisecond word, one entry per line and the word that ends the list:
// everything the decision about a block at a marker can look at.
constexpr size_t BlockReach(int lines) {
  return 4 + 4 + 2 + kEntrySize * static_cast<size_t>(lines) + 2;
}

// Where marker candidates of avail bytes end: before the file's end, those within reach of
// avail wait for the next chunk; at the end, a block needs at least its marker and stamp.
constexpr size_t CandidateStop(size_t avail, size_t reach, bool at_end) {
  if (at_end) return avail >= 8 ? avail - 7 : 0;
  return avail >= reach ? avail - reach + 1 : 0;
}

// The millisecond word at p (p[0], p[1] present) is one.
inline bool IsMillisecondWord(const uint8_t* p) { return (p[1] & 0xEC) == 0xEC; }

// IsValidStamp with a one-date cache: consecutive blocks nearly always share their date.
class StampCheck {
 public:
  bool Valid(uint32_t stamp) const {
    if (StampDayKey(stamp) != cached_date_) {
      cached_date_ = StampDayKey(stamp);
      cached_date_valid_ = IsValidStamp(StampMidnight(stamp));  // 00:00:00 is always valid
    }
    return cached_date_valid_ && StampSecond(stamp) <= 59 && StampMinute(stamp) <= 59 &&
           StampHour(stamp) <= 23;
  }

 private:
  mutable uint32_t cached_date_ = 0xFFFFFFFF;
  mutable bool cached_date_valid_ = false;
};

// Six AA bytes then XX XX are either a longer AA run followed by a block whose stamp starts
// with XX XX, or a block whose stamp itself ends in AA AA: at 10:42:42 every day. The run
// reading comes first; only when it gives no acceptable stamp (valid, not after limit) is the
// block read from m, so that this second of the day is not lost.
inline bool StampEndsInAaaa(const StampCheck& check, const uint8_t* buf, size_t m, size_t avail,
                            uint32_t limit) {
  if (m + 10 <= avail) {
    const uint32_t shifted = Load32(buf + m + 6);
    if (check.Valid(shifted) && shifted <= limit) return false;
  }
  const uint32_t stamp = Load32(buf + m + 4);
  return check.Valid(stamp) && stamp <= limit;
}

// Whether the marker at m (m + 8 <= avail) starts a block with a valid stamp: not inside a
// longer AA run, and the stamp valid. limit is the latest stamp the reader accepts; it only
// decides which reading of an AA run that ends in AA AA is the block's.
inline bool BlockAt(const StampCheck& check, const uint8_t* buf, size_t m, size_t avail,
                    uint32_t limit) {
  const uint8_t* block = buf + m;
  if (Load16(block + 6) == 0xAAAA) return false;  // inside a longer run of AA bytes
  if (Load16(block + 4) == 0xAAAA && !StampEndsInAaaa(check, buf, m, avail, limit)) {
    return false;  // the marker is the last four bytes of this run
  }
  return check.Valid(Load32(block + 4));
}

// First marker start in [from, last_start), reading only bytes below avail.
inline size_t FindMarker(const uint8_t* buf, size_t from, size_t last_start, size_t avail) {
  // Blocks usually follow one another: try the current position before searching.
  if (from < last_start && from + 4 <= avail && Load32(buf + from) == kMarker) return from;
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

// Where the first entry of the block at m lies (m + 8 or m + 10) and its milliseconds.
struct BlockHead {
  size_t entries = 0;
  bool has_milliseconds = false;
  uint16_t milliseconds = 0;  // 0-999
};
inline BlockHead ReadBlockHead(const uint8_t* buf, size_t m, size_t avail) {
  BlockHead head;
  size_t q = m + 8;
  if (q + 2 <= avail && IsMillisecondWord(buf + q)) {
    head.has_milliseconds = true;
    // 1000-1023 cannot be a time of day; the block is kept as its last millisecond.
    const uint16_t ms = Load16(buf + q) & 0x3FF;
    head.milliseconds = ms > 999 ? 999 : ms;
    q += 2;
  }
  head.entries = q;
  return head;
}

// Walks the entries from q while the index is below lines and above the previous one, each
// complete entry below avail; calls entry(index, raw) for each and returns where the list
// ends.
template <typename EntryFn>
inline size_t WalkEntries(const uint8_t* buf, size_t q, size_t avail, int lines, EntryFn&& entry) {
  const uint16_t line_limit = static_cast<uint16_t>(lines);
  int previous = -1;
  while (q + kEntrySize <= avail) {
    const uint16_t index = Load16(buf + q);
    if (index >= line_limit || static_cast<int>(index) <= previous) break;
    entry(index, Load32(buf + q + 2));
    previous = index;
    q += kEntrySize;
  }
  return q;
}

}  // namespace korvan::log_block
