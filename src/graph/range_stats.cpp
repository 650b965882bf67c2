#include "graph/range_stats.h"

#include <algorithm>
#include <cmath>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "data/log_block.h"

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

namespace {

SampleTime TimeOfKey(uint64_t key) {
  return {static_cast<uint32_t>(key >> 16), static_cast<uint16_t>(key & 0xFFFF)};
}

}  // namespace

RangeStats RangeStatsAccumulator::Result() const {
  RangeStats stats;
  stats.count = count_;
  if (count_ == 0) return stats;
  stats.minimum = minimum_;
  stats.maximum = maximum_;
  stats.minimum_time = TimeOfKey(minimum_time_);
  stats.maximum_time = TimeOfKey(maximum_time_);
  stats.first_time = TimeOfKey(first_time_);
  stats.last_time = TimeOfKey(last_time_);
  stats.mean = (sum_ + compensation_) / static_cast<double>(count_);
  return stats;
}

RangeStats ComputeRangeStats(const MeasuredLine& line, const TBuf& buffer,
                             const SampleWindow& window) {
  RangeStatsAccumulator stats(line, window);
  SampleCursor cursor;
  LogSample sample;
  while (buffer.Next(cursor, sample)) stats.Add(sample.stamp, sample.milliseconds, sample.raw);
  return stats.Result();
}

RangeStatsVisitor::RangeStatsVisitor(const Measurement& measurement, const std::vector<int>& lines,
                                     const SampleWindow& window) {
  for (int line : lines) {
    if (line < 0 || static_cast<uint32_t>(line) >= measurement.line_count) continue;
    if (!slot_[line]) {
      accumulators_.emplace_back(measurement.lines[line], window);
      slot_[line] = static_cast<uint8_t>(accumulators_.size());
    }
  }
}

void RangeStatsVisitor::Block(uint32_t stamp, uint16_t milliseconds, const uint8_t* entries,
                              size_t count) {
  for (size_t k = 0; k < count; ++k, entries += log_block::kEntrySize) {
    const uint16_t index = log_block::Load16(entries);
    // The scan passes only indices below the line count, and so below 50.
    if (const uint8_t slot = slot_[index]) {
      accumulators_[slot - 1].Add(stamp, milliseconds, log_block::Load32(entries + 2));
    }
  }
}

std::optional<RangeStats> RangeStatsVisitor::Of(int line) const {
  if (line < 0 || line >= kMaxLines || !slot_[line]) return std::nullopt;
  return accumulators_[slot_[line] - 1].Result();
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
