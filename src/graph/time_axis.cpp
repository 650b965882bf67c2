#include "graph/time_axis.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <span>

#include "app/date_time.h"
#include "app/numbers.h"

namespace korvan {
namespace {

constexpr double kMinute = 60 * kSecondDays;
constexpr double kHour = 60 * kMinute;

// Round steps per format row, smallest first.
constexpr std::array kSecondSteps = {kSecondDays,      2 * kSecondDays,  5 * kSecondDays,
                                     10 * kSecondDays, 15 * kSecondDays, 30 * kSecondDays,
                                     kMinute,          2 * kMinute,      5 * kMinute};
constexpr std::array kMinuteSteps = {kMinute,      2 * kMinute,  5 * kMinute, 10 * kMinute,
                                     15 * kMinute, 30 * kMinute, kHour,       2 * kHour,
                                     3 * kHour,    6 * kHour};
constexpr std::array kHourSteps = {kHour,      2 * kHour, 3 * kHour, 4 * kHour, 6 * kHour,
                                   12 * kHour, 1.0,       2.0,       5.0};
constexpr std::array kDaySteps = {1.0, 2.0, 5.0, 7.0, 14.0, 28.0, 56.0, 91.0, 182.0, 364.0};
constexpr std::array kMultiples = {1.0, 2.0, 5.0, 10.0};

// The smallest step whose labels keep pitch pixels apart; beyond the list, the last step
// times 2, 5, 10, 20 ...
double FitStep(std::span<const double> steps, double span, double length, double pitch) {
  const double wanted = length > 0 ? span * pitch / length : span;
  for (double step : steps) {
    if (step >= wanted) return step;
  }
  const double last = steps.back();
  for (double scale = 1;; scale *= 10) {
    for (double m : kMultiples) {
      if (last * m * scale >= wanted) return last * m * scale;
    }
  }
}

void AppendInt(std::string& out, int64_t value, int width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
  const int length = static_cast<int>(end - digits);
  if (length < width) out.append(static_cast<size_t>(width - length), '0');
  out.append(digits, end);
}

}  // namespace

TimeAxisFormat ChooseTimeAxisFormat(double span_days, double axis_length_px,
                                    double label_pitch_px) {
  // The span is looked at in single precision, as the chart component holds it.
  const double span = static_cast<float>(span_days);
  TimeAxisFormat f;
  f.minor_ticks = span > 0.01 ? 3 : 4;
  if (span > 20) {
    f.format = "d.M.yyyy";
    f.increment = FitStep(kDaySteps, span, axis_length_px, label_pitch_px);
  } else if (span > 1) {
    f.format = "d.M. h";
    f.increment = FitStep(kHourSteps, span, axis_length_px, label_pitch_px);
  } else if (span > 0.01) {
    f.format = "h:mm [d]";
    f.increment = FitStep(kMinuteSteps, span, axis_length_px, label_pitch_px);
  } else if (span > 0.00002) {
    f.format = "h:mm:ss [d]";
    f.increment = FitStep(kSecondSteps, span, axis_length_px, label_pitch_px);
  } else {
    f.format = "h:mm:ss";
    f.plain_numbers = true;
    const double seconds = span * kSecondsPerDay;
    double base = 1.1574074074074074e-7;  // 0.01 s
    if (seconds > 1) {
      base = 1.1574074074074074e-6;  // 0.1 s
    } else if (seconds > 0.3) {
      base = 5.787037037037037e-7;  // 0.05 s
    }
    const std::array steps = {base, 2 * base, 5 * base, 10 * base};
    f.increment = FitStep(steps, span, axis_length_px, label_pitch_px);
  }
  return f;
}

std::string TimeAxisLabel(const TimeAxisFormat& format, double value, char decimal_separator) {
  if (format.plain_numbers) {
    return RewriteTimeLabel(FormatFloat(kPlainNumberFormat, value, decimal_separator, ""),
                            decimal_separator);
  }
  return FormatDateTime(format.format, value);
}

std::string RewriteTimeLabel(std::string_view label, char decimal_separator) {
  if (label.empty() || label.find(':') != std::string_view::npos ||
      std::count(label.begin(), label.end(), '.') > 1) {
    return std::string(label);
  }
  double value = 0;
  if (!TryStrToFloat(label, decimal_separator, value)) return std::string(label);
  const TimeParts t = DecodeTime(value);
  // Rounded to hundredths over the whole time of day, so that .995 s and later carry into
  // the next second instead of showing ".100".
  const int64_t ms = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  const int64_t hundredths = (ms + 1) / 10 % (kMsPerDay / 10);
  std::string out;
  AppendInt(out, hundredths / 360000, 1);
  out += ':';
  AppendInt(out, hundredths / 6000 % 60, 2);
  out += ':';
  AppendInt(out, hundredths / 100 % 60, 2);
  out += " .";
  AppendInt(out, hundredths % 100, 2);
  return out;
}

}  // namespace korvan
