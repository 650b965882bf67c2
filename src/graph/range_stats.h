#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "data/measurement.h"

namespace korvan {

// When a sample was taken: its block's stamp, then its milliseconds. Ordered in time.
struct SampleTime {
  uint32_t stamp = 0;
  uint16_t milliseconds = 0;
  friend auto operator<=>(const SampleTime&, const SampleTime&) = default;
};

// The samples that count, from..to inclusive.
struct SampleWindow {
  SampleTime from;
  SampleTime to{0xFFFFFFFF, 0xFFFF};
};

// All samples whose stamp lies within range, whatever their milliseconds (as the export
// takes rows).
SampleWindow WindowOfStamps(const StampRange& range);
// The samples whose date-time (stamp plus milliseconds) lies within [from, to], to the
// millisecond; nothing when no stamp can lie there.
std::optional<SampleWindow> WindowOfTimes(double from, double to);
// The samples of both; nothing when they do not overlap.
std::optional<SampleWindow> Intersect(const SampleWindow& a, const SampleWindow& b);

// Figures of one line over a window. With count 0 the other members mean nothing.
struct RangeStats {
  uint64_t count = 0;
  double minimum = 0.0;
  double maximum = 0.0;
  double mean = 0.0;
  SampleTime minimum_time;  // the earliest sample with the minimum
  SampleTime maximum_time;  // the earliest sample with the maximum
  SampleTime first_time;
  SampleTime last_time;
};

// The figures of one line, built up sample by sample. A sample counts when it lies in the
// window and its converted value is a value (not an F no-value word), within the line's range
// and finite. Times are compared, not positions, so count, minimum, maximum, their times and
// the first and last time do not depend on the order of the samples; the mean is a
// compensated sum, the same whatever the order but for its last bits in rare cases.
class RangeStatsAccumulator {
 public:
  RangeStatsAccumulator(const MeasuredLine& line, const SampleWindow& window)
      : from_(KeyOf(window.from.stamp, window.from.milliseconds)),
        to_(KeyOf(window.to.stamp, window.to.milliseconds)) {
    // What the conversions read, kept here rather than behind a pointer.
    line_.type_letter = line.type_letter;
    line_.size_digit = line.size_digit;
    line_.multiplier = line.multiplier;
    line_.minimum = line.minimum;
    line_.maximum = line.maximum;
    line_.offset = line.offset;
  }

  // Always inline: called for every sample of a card.
  [[gnu::always_inline]] void Add(uint32_t stamp, uint16_t milliseconds, uint32_t raw) {
    // Stamp and milliseconds as one integer, in time order.
    const uint64_t t = KeyOf(stamp, milliseconds);
    if (t < from_ || t > to_) return;
    if (IsNoValue(line_, raw)) return;
    const double value = ConvertRawValue(line_, raw);
    if (!InValueRange(line_, value) || !std::isfinite(value)) return;
    // The first sample counted passes every test below: values are finite.
    if (value < minimum_ || (value == minimum_ && t < minimum_time_)) {
      minimum_ = value;
      minimum_time_ = t;
    }
    if (value > maximum_ || (value == maximum_ && t < maximum_time_)) {
      maximum_ = value;
      maximum_time_ = t;
    }
    first_time_ = std::min(first_time_, t);
    last_time_ = std::max(last_time_, t);
    ++count_;
    // Compensated: a mean over millions of samples keeps its last digits.
    const double next = sum_ + value;
    compensation_ +=
        std::abs(sum_) >= std::abs(value) ? (sum_ - next) + value : (value - next) + sum_;
    sum_ = next;
  }

  RangeStats Result() const;

 private:
  static constexpr uint64_t KeyOf(uint32_t stamp, uint16_t milliseconds) {
    return uint64_t{stamp} << 16 | milliseconds;
  }

  MeasuredLine line_;
  uint64_t from_, to_;
  uint64_t count_ = 0;
  double minimum_ = std::numeric_limits<double>::infinity();
  double maximum_ = -std::numeric_limits<double>::infinity();
  uint64_t minimum_time_ = UINT64_MAX, maximum_time_ = UINT64_MAX;
  uint64_t first_time_ = UINT64_MAX, last_time_ = 0;
  double sum_ = 0.0;
  double compensation_ = 0.0;
};

// One pass over the line's samples in place.
RangeStats ComputeRangeStats(const MeasuredLine& line, const TBuf& buffer,
                             const SampleWindow& window);

// The figures of chosen lines from the blocks of a scan that keeps no samples
// (StreamMeasurement): the same as ComputeRangeStats over the loaded lines.
class RangeStatsVisitor : public BlockVisitor {
 public:
  // lines: 0-based; those outside the measurement's lines are left out.
  RangeStatsVisitor(const Measurement& measurement, const std::vector<int>& lines,
                    const SampleWindow& window);
  void Block(uint32_t stamp, uint16_t milliseconds, const uint8_t* entries, size_t count) override;
  // The figures of a chosen line; nothing for a line that was not chosen.
  std::optional<RangeStats> Of(int line) const;

 private:
  std::vector<RangeStatsAccumulator> accumulators_;
  std::array<uint8_t, kMaxLines> slot_{};  // 1 + the accumulator of each line; 0: not chosen
};

// "2006-03-05 08:07:06", with ".25" (hundredths) appended when subseconds is set.
std::string IsoSampleTimeText(const SampleTime& time, bool subseconds);
// The sample time of a date-time value, rounded to the millisecond (for showing a time the
// way sample times are shown); nothing outside the years a stamp holds.
std::optional<SampleTime> SampleTimeOf(double value);

}  // namespace korvan
