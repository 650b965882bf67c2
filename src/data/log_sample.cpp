#include "data/log_sample.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "platform/memory.h"

namespace korvan {

namespace {

constexpr uint64_t kStep = 1024;
constexpr uint64_t kMaxCapacity = 0xFFFFFC00;  // largest multiple of 1024 a count can index
constexpr size_t kMapFrom = size_t{1} << 20;   // bytes from which storage is mapped

uint64_t RoundUp(uint64_t n) { return (n + kStep - 1) / kStep * kStep; }

size_t PageRound(size_t bytes) {
  const size_t page = PageBytes();
  return (bytes + page - 1) / page * page;
}

int DaysIn(int year, uint32_t month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Milliseconds since 1970 of a valid stamp; false for fields no calendar has.
bool TimeOf(uint32_t stamp, uint16_t milliseconds, int64_t& time) {
  const uint32_t month = StampMonth(stamp);
  const uint32_t day = StampDay(stamp);
  if (month < 1 || month > 12 || day < 1 ||
      static_cast<int>(day) > DaysIn(StampYear(stamp), month) || StampHour(stamp) > 23 ||
      StampMinute(stamp) > 59 || StampSecond(stamp) > 59 || milliseconds > 999) {
    return false;
  }
  time = StampDayNumber(stamp) * kMsPerDay + int64_t{StampSecondOfDay(stamp)} * 1000 + milliseconds;
  return true;
}

// The stamp of a time, when a stamp can hold its year.
bool StampOf(int64_t time, uint32_t& stamp, uint16_t& milliseconds) {
  static constexpr int64_t kFirst = DaysFromCivil(kStampFirstYear, 1, 1) * kMsPerDay;
  static constexpr int64_t kEnd = DaysFromCivil(kStampLastYear + 1, 1, 1) * kMsPerDay;
  if (time < kFirst || time >= kEnd) return false;
  const int64_t days = time / kMsPerDay;
  const int64_t of_day = time % kMsPerDay;
  // Days to a civil date, in eras of 400 years (the inverse of DaysFromCivil).
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  const int64_t second = of_day / 1000;
  stamp = PackStampFields(year, month, day, static_cast<int>(second / 3600),
                          static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
  milliseconds = static_cast<uint16_t>(of_day % 1000);
  return true;
}

}  // namespace

size_t SampleStorage::Bytes(uint64_t n) const {
  const size_t bytes = static_cast<size_t>(n) * element_;
  return mapped_ ? PageRound(bytes) : bytes;
}

void SampleStorage::Reserve(uint64_t n) {
  if (n <= capacity_) return;
  const uint64_t capacity = RoundUp(n);
  if (capacity > kMaxCapacity) throw std::bad_alloc();
  const size_t bytes = static_cast<size_t>(capacity) * element_;
  void* grown;
  if (mapped_) {
    grown = RemapMemory(data_, Bytes(capacity_), PageRound(bytes));
    if (!grown) throw std::bad_alloc();
  } else if (bytes >= kMapFrom) {
    grown = MapMemory(PageRound(bytes));
    if (!grown) throw std::bad_alloc();
    if (capacity_ > 0) std::memcpy(grown, data_, Bytes(capacity_));
    std::free(data_);
    mapped_ = true;
  } else {
    // The elements are trivially copyable, so realloc may move them.
    grown = std::realloc(data_, bytes);
    if (!grown) throw std::bad_alloc();
  }
  data_ = grown;
  capacity_ = capacity;
}

void SampleStorage::Grow(uint64_t count, uint64_t needed) {
  // Doubling keeps appending linear over a whole card; a fixed step would copy quadratically.
  uint64_t capacity = std::max<uint64_t>({kStep, count + needed, capacity_ * 2});
  capacity = std::min(RoundUp(capacity), kMaxCapacity);
  if (capacity < count + needed) throw std::bad_alloc();
  Reserve(capacity);
}

void SampleStorage::Shrink(uint64_t count) {
  if (count == 0) {
    Clear();
    return;
  }
  const uint64_t capacity = RoundUp(count);
  if (capacity >= capacity_) return;
  void* shrunk;
  if (mapped_) {
    shrunk = RemapMemory(data_, Bytes(capacity_), Bytes(capacity));
  } else {
    shrunk = std::realloc(data_, static_cast<size_t>(capacity) * element_);
  }
  if (!shrunk) return;  // keeping the larger block is harmless
  data_ = shrunk;
  capacity_ = capacity;
}

void SampleStorage::Clear() {
  if (mapped_) {
    UnmapMemory(data_, Bytes(capacity_));
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  capacity_ = 0;
  mapped_ = false;
}

bool TBuf::AddMilliseconds(uint32_t& stamp, uint16_t& milliseconds, int64_t step) {
  if (step == 0) return true;
  int64_t time = 0;
  if (!TimeOf(stamp, milliseconds, time)) return false;
  return StampOf(time + step, stamp, milliseconds);
}

void TBuf::Swap(TBuf& other) noexcept {
  std::swap(raw_, other.raw_);
  std::swap(runs_, other.runs_);
  std::swap(singles_, other.singles_);
  std::swap(count_, other.count_);
  std::swap(run_count_, other.run_count_);
  std::swap(single_count_, other.single_count_);
  std::swap(open_, other.open_);
  std::swap(step_, other.step_);
  std::swap(next_time_, other.next_time_);
  std::swap(cursor_, other.cursor_);
}

void TBuf::Clear() {
  raw_.Clear();
  runs_.Clear();
  singles_.Clear();
  count_ = run_count_ = single_count_ = 0;
  SetOpen(Open::kNone);
  step_ = 0;
  cursor_ = SampleCursor{};
}

void TBuf::Reset() {
  count_ = run_count_ = single_count_ = 0;
  SetOpen(Open::kNone);
  cursor_ = SampleCursor{};
}

void TBuf::Reserve(uint32_t n) { raw_.Reserve(n); }

void TBuf::ShrinkToFit() {
  if (count_ == 0) {
    Clear();
    return;
  }
  raw_.Shrink(count_);
  runs_.Shrink(run_count_);
  singles_.Shrink(single_count_);
}

uint64_t TBuf::MemoryBytes() const {
  return uint64_t{count_} * sizeof(uint32_t) + uint64_t{run_count_} * sizeof(Run) +
         uint64_t{single_count_} * sizeof(SingleTime);
}

uint32_t TBuf::RunEnd(uint32_t run) const {
  return run + 1 < run_count_ ? runs()[run + 1].first : count_;
}

uint32_t TBuf::RunOf(uint32_t i) const {
  const Run* begin = runs();
  const Run* found = std::upper_bound(begin, begin + run_count_, i,
                                      [](uint32_t at, const Run& run) { return at < run.first; });
  return static_cast<uint32_t>(found - begin) - 1;
}

void TBuf::EnterRun(SampleCursor& cursor, uint32_t run) const {
  cursor.run = run;
  cursor.run_end = RunEnd(run);
  cursor.stamp = runs()[run].stamp;
  cursor.milliseconds = runs()[run].milliseconds;
}

void TBuf::NextRun(SampleCursor& cursor) const {
  // A cursor placed before the buffer grew may end its run early: then it looks again.
  const uint32_t next = cursor.run + 1;
  if (next < run_count_ && runs()[next].first == cursor.index) {
    EnterRun(cursor, next);
  } else {
    Seek(cursor, cursor.index);
  }
}

void TBuf::Seek(SampleCursor& cursor, uint32_t i) const {
  cursor = SampleCursor{};
  cursor.index = std::min(i, count_);
  if (cursor.index >= count_) return;
  EnterRun(cursor, RunOf(cursor.index));
  const Run& run = runs()[cursor.run];
  if (!run.single && cursor.index > run.first) {
    AddMilliseconds(cursor.stamp, cursor.milliseconds,
                    int64_t{run.step} * (cursor.index - run.first));
  }
}

LogSample TBuf::At(uint32_t i) const {
  const Run& run = runs()[RunOf(i)];
  if (run.single) {
    const SingleTime& t = singles()[run.stamp + (i - run.first)];
    return {t.stamp, t.milliseconds, Raw(i)};
  }
  LogSample sample{run.stamp, run.milliseconds, Raw(i)};
  if (i > run.first) {
    AddMilliseconds(sample.stamp, sample.milliseconds, int64_t{run.step} * (i - run.first));
  }
  return sample;
}

bool TBuf::SteppedRun(uint32_t i, TimeHint& hint, uint32_t& end) const {
  const bool next =
      hint.run + 1 < run_count_ && i == hint.run_end && runs()[hint.run + 1].first == i;
  const uint32_t r = next ? hint.run + 1 : RunOf(i);
  const Run& run = runs()[r];
  end = RunEnd(r);
  hint.run = r;
  hint.run_end = end;
  int64_t first = 0;
  if (run.single || !TimeOf(run.stamp, run.milliseconds, first)) return false;
  hint.first = run.first;
  hint.end = end;
  hint.time = first;
  hint.step = run.step;
  return true;
}

bool TBuf::TimeAtElsewhere(uint32_t i, TimeHint& hint, int64_t& time) const {
  uint32_t end = 0;
  if (SteppedRun(i, hint, end)) {
    time = hint.time + int64_t{i - hint.first} * hint.step;
    return true;
  }
  const LogSample sample = At(i);
  return TimeOf(sample.stamp, sample.milliseconds, time);
}

void TBuf::PushRun(const Run& run) {
  if (run_count_ == runs_.capacity()) runs_.Grow(run_count_, 1);
  runs()[run_count_++] = run;
}

void TBuf::PushSingle(uint32_t at, uint32_t stamp, uint16_t milliseconds) {
  if (open_ != Open::kNone || run_count_ == 0 || !runs()[run_count_ - 1].single) {
    PushRun({at, single_count_, 0, 0, 1});
    SetOpen(Open::kNone);
  }
  if (single_count_ == singles_.capacity()) singles_.Grow(single_count_, 1);
  static_cast<SingleTime*>(singles_.data())[single_count_++] = {stamp, milliseconds};
}

void TBuf::CloseRun() {
  if (open_ == Open::kNone) return;
  const Run last = runs()[run_count_ - 1];
  const uint32_t n = count_ - last.first;
  if (n < kMinRun) {
    --run_count_;
    SetOpen(Open::kNone);
    uint32_t stamp = last.stamp;
    uint16_t milliseconds = last.milliseconds;
    for (uint32_t k = 0; k < n; ++k) {
      PushSingle(last.first + k, stamp, milliseconds);
      StepTime(stamp, milliseconds, last.step);
    }
  }
  SetOpen(Open::kNone);
}

void TBuf::AppendTime(uint32_t stamp, uint16_t milliseconds) {
  if (open_ == Open::kFirst) {
    Run& last = runs()[run_count_ - 1];
    int64_t from = 0, to = 0;
    bool steps = true;
    if (stamp == last.stamp && milliseconds == last.milliseconds) {
      from = to = 0;
    } else {
      steps = TimeOf(last.stamp, last.milliseconds, from) && TimeOf(stamp, milliseconds, to) &&
              to - from > std::numeric_limits<int32_t>::min() &&
              to - from <= std::numeric_limits<int32_t>::max();
    }
    if (steps) {
      const int64_t step = to - from;
      last.step = step_ = static_cast<int32_t>(step);
      uint32_t next_stamp = stamp;
      uint16_t next_ms = milliseconds;
      if (StepTime(next_stamp, next_ms, step_)) {
        open_ = Open::kStepping;
        next_time_ = TimeWord(next_stamp, next_ms);
      } else {
        SetOpen(Open::kNone);
      }
      return;
    }
  }
  CloseRun();
  PushRun({count_, stamp, 0, milliseconds, 0});
  SetOpen(Open::kFirst);
}

void TBuf::AppendFrom(const TBuf& source, uint32_t first, uint32_t n) {
  CloseRun();
  if (n == 0) return;
  raw_.Reserve(uint64_t{count_} + n);
  std::memcpy(static_cast<uint32_t*>(raw_.data()) + count_, source.raw() + first,
              size_t{n} * sizeof(uint32_t));
  const uint32_t end = first + n;
  uint32_t i = first;
  while (i < end) {
    const uint32_t r = source.RunOf(i);
    const Run& run = source.runs()[r];
    const uint32_t stop = std::min(end, source.RunEnd(r));
    const uint32_t at = count_ + (i - first);
    if (run.single) {
      for (uint32_t k = i; k < stop; ++k) {
        const SingleTime& t = source.singles()[run.stamp + (k - run.first)];
        PushSingle(at + (k - i), t.stamp, t.milliseconds);
      }
    } else {
      uint32_t stamp = run.stamp;
      uint16_t milliseconds = run.milliseconds;
      AddMilliseconds(stamp, milliseconds, int64_t{run.step} * (i - run.first));
      if (stop - i >= kMinRun) {
        PushRun({at, stamp, run.step, milliseconds, 0});
        SetOpen(Open::kNone);
      } else {
        for (uint32_t k = i; k < stop; ++k) {
          PushSingle(at + (k - i), stamp, milliseconds);
          StepTime(stamp, milliseconds, run.step);
        }
      }
    }
    i = stop;
  }
  count_ += n;
}

}  // namespace korvan
