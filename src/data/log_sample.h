#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace korvan {

// One measured value as readers see it: the stamp and milliseconds of its block and the raw
// 32 bits of its entry.
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

// Growable memory for trivially copyable elements. Large storage is mapped memory grown with
// mremap: pages move instead of being copied, so growing never holds two copies, and
// untouched capacity costs no memory: a loader may reserve room for all a file could hold and
// trim it afterwards.
class SampleStorage {
 public:
  explicit SampleStorage(size_t element_bytes) : element_(element_bytes) {}
  ~SampleStorage() { Clear(); }
  SampleStorage(SampleStorage&& other) noexcept { Swap(other); }
  SampleStorage& operator=(SampleStorage&& other) noexcept {
    if (this != &other) {
      Clear();
      Swap(other);
    }
    return *this;
  }
  SampleStorage(const SampleStorage&) = delete;
  SampleStorage& operator=(const SampleStorage&) = delete;

  void* data() const { return data_; }
  uint64_t capacity() const { return capacity_; }
  // Room for at least n elements (a multiple of 1024); throws std::bad_alloc when refused.
  void Reserve(uint64_t n);
  // Room for n more than count, doubling so that appending stays linear.
  void Grow(uint64_t count, uint64_t needed);
  // Down to count elements rounded up to 1024; keeps the larger block when refused.
  void Shrink(uint64_t count);
  void Clear();

 private:
  void Swap(SampleStorage& other) {
    std::swap(data_, other.data_);
    std::swap(capacity_, other.capacity_);
    std::swap(element_, other.element_);
    std::swap(mapped_, other.mapped_);
  }
  size_t Bytes(uint64_t n) const;

  void* data_ = nullptr;
  uint64_t capacity_ = 0;
  size_t element_ = 1;
  bool mapped_ = false;  // storage from mmap rather than malloc
};

// A read position in a TBuf: where the next sample is and its time. Each reader keeps its
// own, so that any number of threads may read one buffer.
struct SampleCursor {
  uint32_t index = 0;         // the next sample
  uint32_t run = 0xFFFFFFFF;  // the time run holding it (none yet: the first comes next)
  uint32_t run_end = 0;       // first sample after that run
  uint32_t stamp = 0;         // the next sample's time, in a stepped run
  uint16_t milliseconds = 0;
};

// The stepped run a reader last looked a time up in, with its first time worked out.
struct TimeHint {
  uint32_t first = 0;
  uint32_t end = 0;
  int64_t time = 0;  // milliseconds since 1970 of sample first
  int32_t step = 0;
  // The last run of any kind looked at, so that the next one needs no search.
  uint32_t run = 0xFFFFFFFF;
  uint32_t run_end = 0;
};

// The samples of one line. The raw values take 4 bytes each; the times are kept as runs:
// a line's samples advance by its interval from block to block, so a stretch of times is its
// first time and a step, checked exactly against every sample as it comes. A stretch that does
// not keep a step (a jittering clock, single samples between jumps, stamps with no valid date)
// keeps its times one by one. The times cost a fraction of a byte a sample on a logger's card
// and never more than the plain 6 bytes a sample (and a few bytes a line).
class TBuf {
 public:
  TBuf() = default;
  TBuf(TBuf&& other) noexcept { Swap(other); }
  TBuf& operator=(TBuf&& other) noexcept {
    if (this != &other) {
      Clear();
      Swap(other);
    }
    return *this;
  }
  TBuf(const TBuf&) = delete;
  TBuf& operator=(const TBuf&) = delete;

  // Releases the storage; count, capacity and cursor become 0.
  void Clear();
  // No samples, keeping the storage for new ones.
  void Reset();

  void Append(const LogSample& sample) {
    StepMemo memo;
    Append(sample, memo);
  }

  // The time one step after a block's time, worked out for the first line of the block that
  // needs it and taken by the others stepping alike: the lines of a block share its time.
  struct StepMemo {
    int64_t step = INT64_MIN;  // none yet
    uint64_t next = 0;         // TimeWord of the next time; kNoTime where it has none
  };
  // Append for the samples of one block, all with the same time and memo.
  void Append(const LogSample& sample, StepMemo& memo) {
    const uint32_t count = count_;
    if (count == raw_.capacity()) raw_.Grow(count, 1);
    uint32_t* raw = static_cast<uint32_t*>(raw_.data());
    const uint64_t time = TimeWord(sample.stamp, sample.milliseconds);
    if (time == next_time_) {
      if (memo.step != step_) {
        uint32_t stamp = sample.stamp;
        uint16_t milliseconds = sample.milliseconds;
        memo.step = step_;
        memo.next = StepTime(stamp, milliseconds, step_) ? TimeWord(stamp, milliseconds) : kNoTime;
      }
      next_time_ = memo.next;
      if (next_time_ == kNoTime) SetOpen(Open::kNone);
    } else {
      AppendTime(sample.stamp, sample.milliseconds);
    }
    // Last, so that nothing above is read again after a store that might alias it.
    raw[count] = sample.raw;
    count_ = count + 1;
  }

  // Appends samples [first, first + n) of another buffer, which stays as it was.
  void AppendFrom(const TBuf& source, uint32_t first, uint32_t n);

  uint32_t count() const { return count_; }
  // Room for raw values.
  uint32_t capacity() const { return static_cast<uint32_t>(raw_.capacity()); }
  // Makes room for at least n samples (capacity stays a multiple of 1024).
  void Reserve(uint32_t n);
  // Drops the capacity beyond the count (after loading), keeping a multiple of 1024.
  void ShrinkToFit();
  // Bytes the samples occupy (raw values, runs, single times), capacity not counted.
  uint64_t MemoryBytes() const;

  const uint32_t* raw() const { return static_cast<const uint32_t*>(raw_.data()); }
  uint32_t* raw() { return static_cast<uint32_t*>(raw_.data()); }
  uint32_t Raw(uint32_t i) const { return raw()[i]; }
  // Sample i; a cursor near i (from a reader going to and fro) makes the look-up cheap.
  LogSample At(uint32_t i) const;
  LogSample operator[](uint32_t i) const { return At(i); }

  // Milliseconds since 1970 of sample i when its stamp holds a valid date and time (false
  // otherwise); lookups near the last one cost a multiplication.
  bool TimeAt(uint32_t i, TimeHint& hint, int64_t& time) const {
    if (i - hint.first < hint.end - hint.first) {
      time = hint.time + int64_t{i - hint.first} * hint.step;
      return true;
    }
    return TimeAtElsewhere(i, hint, time);
  }

  // The run holding sample i: end is where it ends; true when its times step from a valid one,
  // and then hint holds it.
  bool SteppedRun(uint32_t i, TimeHint& hint, uint32_t& end) const;

  // A reader's own position; Next copies the sample out and advances (false at the end).
  void Seek(SampleCursor& cursor, uint32_t i) const;
  bool Next(SampleCursor& cursor, LogSample& sample) const {
    if (cursor.index >= count_) return false;
    if (cursor.index == cursor.run_end) NextRun(cursor);
    const Run& run = runs()[cursor.run];
    if (run.single) {
      const SingleTime& t = singles()[run.stamp + (cursor.index - run.first)];
      sample = {t.stamp, t.milliseconds, Raw(cursor.index)};
    } else {
      sample = {cursor.stamp, cursor.milliseconds, Raw(cursor.index)};
      StepTime(cursor.stamp, cursor.milliseconds, run.step);
    }
    ++cursor.index;
    return true;
  }

  // The step of the run the cursor's last sample came from, when that run steps; Skip moves
  // the cursor n samples on within that run (no further than its end), at the cost of one.
  bool CursorStep(const SampleCursor& cursor, int32_t& step) const {
    if (cursor.run >= run_count_ || runs()[cursor.run].single) return false;
    step = runs()[cursor.run].step;
    return true;
  }
  void Skip(SampleCursor& cursor, uint32_t n) const {
    cursor.index += n;
    AddMilliseconds(cursor.stamp, cursor.milliseconds, int64_t{runs()[cursor.run].step} * n);
  }

  // The buffer's own read cursor, for the row walkers.
  bool ReadNext(LogSample& sample) { return Next(cursor_, sample); }
  uint32_t cursor() const { return cursor_.index; }
  void set_cursor(uint32_t i) { Seek(cursor_, i); }

  // How many time runs the buffer holds (for measuring the layout).
  uint32_t RunCount() const { return run_count_; }

  // The time step at which a stamp's fields roll over, used by the runs: exact calendar
  // arithmetic on valid stamps (years 2000-2063, milliseconds below 1000); false where the
  // result or the start is no valid stamp. A step of 0 is the same time, valid or not.
  static bool AddMilliseconds(uint32_t& stamp, uint16_t& milliseconds, int64_t step);

 private:
  // A stretch of samples from first on: stepped (times from stamp/milliseconds by step) or
  // single (times one by one in singles from index stamp on).
  struct Run {
    uint32_t first = 0;
    uint32_t stamp = 0;  // single: index of the first time in singles
    int32_t step = 0;    // milliseconds
    uint16_t milliseconds = 0;
    uint16_t single = 0;
  };
  static_assert(sizeof(Run) == 16);
#pragma pack(push, 1)
  struct SingleTime {
    uint32_t stamp;
    uint16_t milliseconds;
  };
#pragma pack(pop)
  // What the last run can still take: nothing (a new sample starts a run), a second sample
  // (which sets the step), or the sample its step predicts.
  enum class Open : uint8_t { kNone, kFirst, kStepping };
  // A stamp and milliseconds as one word; kNoTime is no time at all.
  static constexpr uint64_t TimeWord(uint32_t stamp, uint16_t milliseconds) {
    return uint64_t{stamp} << 16 | milliseconds;
  }
  static constexpr uint64_t kNoTime = ~uint64_t{0};
  void SetOpen(Open open) {
    open_ = open;
    if (open != Open::kStepping) next_time_ = kNoTime;
  }
  // Shorter stepped runs cost more than their times one by one: with six or more, a run's
  // header and that of the singles between runs stay below 6 bytes a sample.
  static constexpr uint32_t kMinRun = 6;

  // The next time of a stepped run (whose times are valid): most steps stay within the
  // minute, without any calendar. False where the next time is no valid stamp.
  static bool StepTime(uint32_t& stamp, uint16_t& milliseconds, int32_t step) {
    if (step > 0) {
      const uint32_t total = milliseconds + static_cast<uint32_t>(step);
      if (total < 1000) {
        milliseconds = static_cast<uint16_t>(total);
        return true;
      }
      if ((stamp & 0x3F) + total / 1000 < 60) {
        stamp += total / 1000;
        milliseconds = static_cast<uint16_t>(total % 1000);
        return true;
      }
    }
    return AddMilliseconds(stamp, milliseconds, step);
  }
  void Swap(TBuf& other) noexcept;

  const Run* runs() const { return static_cast<const Run*>(runs_.data()); }
  Run* runs() { return static_cast<Run*>(runs_.data()); }
  const SingleTime* singles() const { return static_cast<const SingleTime*>(singles_.data()); }
  bool TimeAtElsewhere(uint32_t i, TimeHint& hint, int64_t& time) const;
  void EnterRun(SampleCursor& cursor, uint32_t run) const;
  void NextRun(SampleCursor& cursor) const;
  uint32_t RunOf(uint32_t i) const;
  uint32_t RunEnd(uint32_t run) const;
  void AppendTime(uint32_t stamp, uint16_t milliseconds);
  void PushRun(const Run& run);
  void PushSingle(uint32_t at, uint32_t stamp, uint16_t milliseconds);
  // Turns a last stepped run too short to pay for itself into single times.
  void CloseRun();

  SampleStorage raw_{sizeof(uint32_t)};
  SampleStorage runs_{sizeof(Run)};
  SampleStorage singles_{sizeof(SingleTime)};
  uint32_t count_ = 0;
  uint32_t run_count_ = 0;
  uint32_t single_count_ = 0;
  Open open_ = Open::kNone;
  int32_t step_ = 0;              // of the last run, once it steps
  uint64_t next_time_ = kNoTime;  // what a stepping last run takes next; kNoTime otherwise
  SampleCursor cursor_;
};

}  // namespace korvan
