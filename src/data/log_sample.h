#pragma once

#include <cstddef>
#include <cstdint>

namespace korvan {

// One measured value as kept in memory: the stamp and milliseconds of its block and the raw
// 32 bits of its entry. Packed to 10 bytes so that a card of hundreds of megabytes fits.
#pragma pack(push, 1)
struct LogSample {
  uint32_t stamp = 0;         // PackedStamp of the block
  uint16_t milliseconds = 0;  // 0-999; 0 for a block without a millisecond word
  uint32_t raw = 0;           // the entry's value as stored

  friend bool operator==(const LogSample& a, const LogSample& b) {
    return a.stamp == b.stamp && a.milliseconds == b.milliseconds && a.raw == b.raw;
  }
};
#pragma pack(pop)
static_assert(sizeof(LogSample) == 10, "LogSample must stay 10 bytes");

// The growable sample buffer of one line, with a read cursor for the row walkers.
// Large storage is mapped memory grown with mremap: pages move instead of being copied, so
// growing never holds two copies of a line, and untouched capacity costs no memory: a loader
// may reserve room for all a file could hold and trim it afterwards.
class TBuf {
 public:
  TBuf() = default;
  ~TBuf() { Clear(); }
  TBuf(TBuf&& other) noexcept;
  TBuf& operator=(TBuf&& other) noexcept;
  TBuf(const TBuf&) = delete;
  TBuf& operator=(const TBuf&) = delete;

  // Releases the storage; count, capacity and cursor become 0.
  void Clear();

  void Append(const LogSample& sample) {
    if (count_ == capacity_) Grow(count_ + 1);
    data_[count_++] = sample;
  }

  // Copies the sample at the cursor out and advances; false when the cursor is at the end.
  bool ReadNext(LogSample& sample) {
    if (cursor_ >= count_) return false;
    sample = data_[cursor_++];
    return true;
  }

  // Makes room for at least n samples (capacity stays a multiple of 1024).
  void Reserve(uint32_t n);
  // Sets the count to n, at most the capacity; samples beyond the old count hold whatever the
  // storage holds (for filling data() directly).
  void Resize(uint32_t n);
  // Drops the capacity beyond the count (after loading), keeping a multiple of 1024.
  void ShrinkToFit();

  const LogSample* data() const { return data_; }
  LogSample* data() { return data_; }
  uint32_t count() const { return count_; }
  uint32_t capacity() const { return capacity_; }
  uint32_t cursor() const { return cursor_; }
  void set_cursor(uint32_t cursor) { cursor_ = cursor; }
  const LogSample& operator[](uint32_t i) const { return data_[i]; }

 private:
  void Grow(uint64_t needed);

  LogSample* data_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
  uint32_t cursor_ = 0;
  bool mapped_ = false;  // storage from mmap rather than malloc
};

}  // namespace korvan
