#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "data/export.h"
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

// One pass over the line's samples in place. A sample counts when it lies in the window and
// its converted value is a value (not an F no-value word), within the line's range and
// finite. Times are compared, not storage positions, so the figures do not depend on the
// order of the buffer.
RangeStats ComputeRangeStats(const MeasuredLine& line, const TBuf& buffer,
                             const SampleWindow& window);

// "2006-03-05 08:07:06", with ".25" (hundredths) appended when subseconds is set.
std::string IsoSampleTimeText(const SampleTime& time, bool subseconds);
// The sample time of a date-time value, rounded to the millisecond (for showing a time the
// way sample times are shown); nothing outside the years a stamp holds.
std::optional<SampleTime> SampleTimeOf(double value);

}  // namespace korvan
