#include "data/range_stats.h"

#include <algorithm>
#include <cmath>

#include "app/date_time.h"
#include "app/packed_stamp.h"

namespace korvan {

namespace {

// Sample times are day values computed from whole milliseconds; a window end within this much
// of a millisecond takes that millisecond in.
constexpr double kMsTolerance = 0.01;

// The sample time of a whole millisecond count since day 0, or nothing outside the stamp
// years; before tells which side it fell out on.
std::optional<SampleTime> FromMilliseconds(int64_t ms, bool* before) {
  const int64_t day = ms >= 0 ? ms / kMsPerDay : (ms - kMsPerDay + 1) / kMsPerDay;
  const int64_t in_day = ms - day * kMsPerDay;
  const DateParts d = DecodeDate(static_cast<double>(day));
  if (d.year < kStampFirstYear || d.year > kStampLastYear) {
    if (before) *before = d.year < kStampFirstYear;
    return std::nullopt;
  }
  const auto second = static_cast<int>(in_day / 1000);
  return SampleTime{
      PackStampFields(d.year, d.month, d.day, second / 3600, second / 60 % 60, second % 60),
      static_cast<uint16_t>(in_day % 1000)};
}

// Day values far outside any stamp year are clamped before they become integers.
double ClampDays(double value) { return std::clamp(value, -1e6, 1e6); }

void AppendPadded(std::string& out, unsigned value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}

}  // namespace

SampleWindow WindowOfStamps(const StampRange& range) {
  return {{range.start, 0}, {range.end, 0xFFFF}};
}

std::optional<SampleWindow> WindowOfTimes(double from, double to) {
  if (std::isnan(from) || std::isnan(to) || from > to) return std::nullopt;
  SampleWindow window;
  bool before = false;
  const auto start = static_cast<int64_t>(
      std::ceil(ClampDays(from) * static_cast<double>(kMsPerDay) - kMsTolerance));
  if (auto t = FromMilliseconds(start, &before)) {
    window.from = *t;
  } else if (!before) {
    return std::nullopt;  // starts after every stamp
  }
  const auto end = static_cast<int64_t>(
      std::floor(ClampDays(to) * static_cast<double>(kMsPerDay) + kMsTolerance));
  if (auto t = FromMilliseconds(end, &before)) {
    window.to = *t;
  } else if (before) {
    return std::nullopt;  // ends before every stamp
  }
  if (window.from > window.to) return std::nullopt;
  return window;
}

std::optional<SampleWindow> Intersect(const SampleWindow& a, const SampleWindow& b) {
  SampleWindow w{std::max(a.from, b.from), std::min(a.to, b.to)};
  if (w.from > w.to) return std::nullopt;
  return w;
}

RangeStats ComputeRangeStats(const MeasuredLine& line, const TBuf& buffer,
                             const SampleWindow& window) {
  RangeStats stats;
  const LogSample* samples = buffer.data();
  const uint32_t count = buffer.count();
  // Compensated sum: a mean over millions of samples keeps its last digits.
  double sum = 0.0;
  double compensation = 0.0;
  for (uint32_t i = 0; i < count; ++i) {
    const LogSample& s = samples[i];
    // Integer comparisons first; most samples of a zoomed view end here.
    if (s.stamp < window.from.stamp || s.stamp > window.to.stamp) continue;
    const SampleTime t{s.stamp, s.milliseconds};
    if (t < window.from || t > window.to) continue;
    if (IsNoValue(line, s.raw)) continue;
    const double value = ConvertRawValue(line, s.raw);
    if (!InValueRange(line, value) || !std::isfinite(value)) continue;
    if (stats.count == 0) {
      stats.minimum = stats.maximum = value;
      stats.minimum_time = stats.maximum_time = stats.first_time = stats.last_time = t;
    } else {
      if (value < stats.minimum || (value == stats.minimum && t < stats.minimum_time)) {
        stats.minimum = value;
        stats.minimum_time = t;
      }
      if (value > stats.maximum || (value == stats.maximum && t < stats.maximum_time)) {
        stats.maximum = value;
        stats.maximum_time = t;
      }
      if (t < stats.first_time) stats.first_time = t;
      if (t > stats.last_time) stats.last_time = t;
    }
    ++stats.count;
    const double next = sum + value;
    compensation += std::abs(sum) >= std::abs(value) ? (sum - next) + value : (value - next) + sum;
    sum = next;
  }
  if (stats.count > 0) stats.mean = (sum + compensation) / static_cast<double>(stats.count);
  return stats;
}

std::string IsoSampleTimeText(const SampleTime& time, bool subseconds) {
  const uint32_t s = time.stamp;
  std::string out;
  out.reserve(22);
  AppendPadded(out, static_cast<unsigned>(StampYear(s)), 4);
  out += '-';
  AppendPadded(out, StampMonth(s), 2);
  out += '-';
  AppendPadded(out, StampDay(s), 2);
  out += ' ';
  AppendPadded(out, StampHour(s), 2);
  out += ':';
  AppendPadded(out, StampMinute(s), 2);
  out += ':';
  AppendPadded(out, StampSecond(s), 2);
  if (subseconds) {
    out += '.';
    AppendPadded(out, std::min<unsigned>(time.milliseconds, 999) / 10, 2);
  }
  return out;
}

std::optional<SampleTime> SampleTimeOf(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return FromMilliseconds(
      static_cast<int64_t>(std::llround(ClampDays(value) * static_cast<double>(kMsPerDay))),
      nullptr);
}

}  // namespace korvan
