#pragma once

#include <string>
#include <string_view>

#include "app/date_time.h"

namespace korvan {

inline constexpr double kSecondDays = 1.0 / kSecondsPerDay;

// How the time axis labels a visible span: the FormatDateTime pattern, the distance of two
// labels and the minor ticks between them.
struct TimeAxisFormat {
  std::string format;
  double increment = 1.0;  // days
  int minor_ticks = 3;
  // Spans of about a second and less: tick values are written as plain numbers and then
  // rewritten to "h:mm:ss .cc".
  bool plain_numbers = false;
  bool operator==(const TimeAxisFormat&) const = default;
};

inline constexpr char kPlainNumberFormat[] = "#.##########";

// The format for a visible span (maximum - minimum, in days) drawn over axis_length_px
// pixels, where one turned label needs label_pitch_px pixels along the axis. Fixed
// increments (whole days, the sub-second steps) are kept when their labels fit and are
// otherwise multiplied up; "automatic" increments are the smallest round time step whose
// labels do not overlap.
TimeAxisFormat ChooseTimeAxisFormat(double span_days, double axis_length_px, double label_pitch_px);

// The label of one tick value, as the axis shows it.
std::string TimeAxisLabel(const TimeAxisFormat& format, double value, char decimal_separator);

// The label rewrite: a text that is not empty, holds no ":" and at most one "." is a
// date-time in days and becomes "%i:%02i:%02i .%02i" (hours, minutes, seconds, hundredths
// rounded from the milliseconds); any other text is returned unchanged.
std::string RewriteTimeLabel(std::string_view label, char decimal_separator);

}  // namespace korvan
