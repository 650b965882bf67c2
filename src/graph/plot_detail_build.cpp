// Building the level of detail: the pyramid over the samples where they stand in time order
// (one pass, on two cores for a long line), otherwise over the range's samples sorted by time.
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "graph/plot_detail.h"
#include "platform/task_thread.h"

namespace korvan {

LineDetail::LineDetail(const MeasuredLine& line, const TBuf& buffer, const StampRange& range,
                       const Progress& progress)
    : line_(line), samples_(&buffer), range_(range) {
  if (!Build(progress)) BuildOrdered(range);
}

// The day count of a stamp's date, once per day the samples pass through.
[[gnu::noinline]] static void NewDay(uint32_t stamp, int64_t& day, bool& day_valid) {
  double value = 0;
  day_valid = TryEncodeDate(StampYear(stamp), static_cast<int>(StampMonth(stamp)),
                            static_cast<int>(StampDay(stamp)), value);
  day = static_cast<int64_t>(value);
}

// Milliseconds since the day count's start, in whole numbers: ordered as the keys are.
static inline bool SampleTicks(const LogSample& s, uint32_t& day_key, int64_t& day, bool& day_valid,
                               int64_t& ticks) {
  const uint32_t key_of_day = StampDayKey(s.stamp);
  if (key_of_day != day_key) [[unlikely]] {
    day_key = key_of_day;
    NewDay(s.stamp, day, day_valid);
  }
  ticks = day * kMsPerDay + int64_t{StampSecondOfDay(s.stamp)} * 1000 + s.milliseconds;
  return day_valid;
}

// The key of a time in ms since the day count's start, given its day.
static inline double KeyOfTicks(int64_t day, int64_t ticks) {
  return static_cast<double>(day) +
         static_cast<double>(ticks - day * kMsPerDay) / static_cast<double>(kMsPerDay);
}

// One pass over the samples [from, to) (from a multiple of kFanOut): the units' extremes, the
// counts from the pass's start, and whether time only goes forward and every sample has a
// date (then the samples can stand in place). Two passes over halves may run at once.
class LineDetail::BasePass {
 public:
  BasePass(LineDetail& detail, const Progress* report)
      : detail_(detail),
        samples_(*detail.samples_),
        line_(detail.line_),
        raw_(samples_.raw()),
        report_(report) {}

  // False as soon as time goes back or a sample has no date.
  bool Run(uint32_t from, uint32_t to) {
    TimeHint hint;
    for (uint32_t i = from; i < to;) {
      uint32_t end = 0;
      const bool stepped = samples_.SteppedRun(i, hint, end) && hint.step >= 0;
      const uint32_t stop = std::min(to, end);
      if (!(stepped ? TakeRun(i, stop, hint) : TakeSingles(i, stop, from))) return false;
      i = stop;
    }
    return true;
  }

  uint32_t counted() const { return counted_; }

 private:
  // Valid times that only go forward: one check for the run, the values one by one.
  bool TakeRun(uint32_t i, uint32_t stop, const TimeHint& hint) {
    const int64_t ticks =
        hint.time + int64_t{i - hint.first} * hint.step + kUnixEpochOffset * kMsPerDay;
    if (ticks < last_ticks_ || (last_stamp_known_ && samples_.At(i).stamp < last_stamp_)) {
      return false;
    }
    for (uint32_t u = (i + kFanOut - 1) / kFanOut * kFanOut; u < stop; u += kFanOut) {
      const int64_t at = ticks + int64_t{u - i} * hint.step;
      detail_.unit_key_[u / kFanOut] = KeyOfTicks(at / kMsPerDay, at);
    }
    for (uint32_t k = i; k < stop; ++k) Take(k);
    last_ticks_ = ticks + int64_t{stop - 1 - i} * hint.step;
    last_stamp_known_ = false;  // after a stepped run only its time is at hand
    return true;
  }

  // Samples with times of their own, each checked.
  bool TakeSingles(uint32_t i, uint32_t stop, uint32_t from) {
    if (!last_stamp_known_ && i > from) last_stamp_ = samples_.At(i - 1).stamp;
    last_stamp_known_ = true;
    samples_.Seek(cursor_, i);
    LogSample s;
    for (; i < stop; ++i) {
      samples_.Next(cursor_, s);
      int64_t ticks = 0;
      if (!SampleTicks(s, day_key_, day_, day_valid_, ticks) || s.stamp < last_stamp_ ||
          ticks < last_ticks_) {
        return false;
      }
      last_stamp_ = s.stamp;
      last_ticks_ = ticks;
      if (i % kFanOut == 0) detail_.unit_key_[i / kFanOut] = KeyOfTicks(day_, ticks);
      Take(i);
    }
    return true;
  }

  // The value of sample k: its unit's count before it, and the unit's extremes.
  void Take(uint32_t k) {
    if (k % kFanOut == 0) detail_.prefix_[k / kFanOut] = counted_;
    const double value = ConvertRawValue(line_, raw_[k]);
    if (InValueRange(line_, value)) {
      ++counted_;
      if (!std::isnan(value)) Widen(detail_.levels_[0][k / kFanOut], k, value);
    }
    if (report_ && *report_ && k % 1024 == 0) (*report_)(k + 1);
  }

  LineDetail& detail_;
  const TBuf& samples_;
  const MeasuredLine line_;
  const uint32_t* raw_;
  const Progress* report_;
  uint32_t counted_ = 0;
  uint32_t last_stamp_ = 0;
  bool last_stamp_known_ = true;
  int64_t last_ticks_ = INT64_MIN;
  uint32_t day_key_ = 0xFFFFFFFF;
  int64_t day_ = 0;
  bool day_valid_ = false;
  SampleCursor cursor_;
};

// Whether time goes forward from sample i - 1 to sample i, which two passes saw apart.
static bool ForwardAt(const TBuf& samples, uint32_t i) {
  uint32_t day_key = 0xFFFFFFFF;
  int64_t day = 0, before = 0, after = 0;
  bool valid = false;
  const LogSample last = samples.At(i - 1);
  const LogSample next = samples.At(i);
  SampleTicks(last, day_key, day, valid, before);
  day_key = 0xFFFFFFFF;
  SampleTicks(next, day_key, day, valid, after);
  return next.stamp >= last.stamp && after >= before;
}

bool LineDetail::Build(const Progress& progress) {
  const uint32_t count = samples_->count();
  const size_t units = (size_t{count} + kFanOut - 1) / kFanOut;
  prefix_.assign(units + 1, 0);
  unit_key_.assign(units, 0);
  levels_.assign(1, std::vector<Unit>(units));
  // A long line in two halves, one on each core.
  const uint32_t half = count >= (uint32_t{1} << 20) ? count / 2 / kFanOut * kFanOut : 0;
  BasePass first(*this, &progress);
  if (half == 0) {
    if (!first.Run(0, count)) return false;
    prefix_[units] = first.counted();
  } else {
    BasePass second(*this, nullptr);
    bool first_forward = false, second_forward = false;
    RunAlongside([&] { second_forward = second.Run(half, count); },
                 [&] { first_forward = first.Run(0, half); });
    if (!first_forward || !second_forward || !ForwardAt(*samples_, half)) return false;
    for (size_t u = half / kFanOut; u < units; ++u) prefix_[u] += first.counted();
    prefix_[units] = first.counted() + second.counted();
  }
  BuildLevels();
  return true;
}

void LineDetail::BuildLevels() {
  while (levels_.back().size() > kFanOut) {
    const std::vector<Unit>& below = levels_.back();
    std::vector<Unit> above((below.size() + kFanOut - 1) / kFanOut);
    for (size_t u = 0; u < above.size(); ++u) {
      Fold f;
      for (size_t c = u * kFanOut; c < std::min(below.size(), (u + 1) * kFanOut); ++c) {
        TakeUnit(below[c], f);
      }
      above[u] = {f.min, f.max, f.min_at, f.max_at};
    }
    levels_.push_back(std::move(above));
  }
}

void LineDetail::BuildOrdered(const StampRange& range) {
  std::vector<std::pair<double, uint32_t>> keyed;
  SampleCursor cursor;
  LogSample s;
  for (uint32_t i = 0; i < samples_->count(); ++i) {
    samples_->Next(cursor, s);
    double key = 0;
    if (s.stamp < range.start || s.stamp > range.end) continue;
    if (!InValueRange(line_, ConvertRawValue(line_, s.raw)) || !SampleKey(s, key)) continue;
    keyed.emplace_back(key, i);
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  order_.resize(keyed.size());
  for (size_t k = 0; k < keyed.size(); ++k) order_[k] = keyed[k].second;
  keyed = {};
  ordered_ = true;
  // The pyramid over the positions in time order; here every position counts.
  const uint32_t count = Positions();
  const size_t units = (size_t{count} + kFanOut - 1) / kFanOut;
  prefix_.assign(units + 1, 0);
  levels_.assign(1, std::vector<Unit>(units));
  unit_key_.assign(units, 0);
  for (size_t u = 0; u < units; ++u) {
    prefix_[u] = static_cast<uint32_t>(u * kFanOut);
    unit_key_[u] = Key(static_cast<uint32_t>(u * kFanOut));
    Fold f;
    for (uint32_t i = static_cast<uint32_t>(u * kFanOut);
         i < std::min<size_t>(count, (u + 1) * kFanOut); ++i) {
      TakeSample(i, f);
    }
    levels_[0][u] = {f.min, f.max, f.min_at, f.max_at};
  }
  prefix_[units] = count;
  BuildLevels();
}

}  // namespace korvan
