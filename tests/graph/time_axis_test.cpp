#include "graph/time_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/date_time.h"
#include "app/numbers.h"

namespace korvan {
namespace {

constexpr double kMinute = 60 * kSecondDays;
constexpr double kHour = 60 * kMinute;

struct SpanRow {
  double span;
  const char* format;
  int minor_ticks;
  bool plain;
};

TEST(TimeAxisFormatTest, EachSpanRowHasItsFormatAndMinorTicks) {
  const SpanRow rows[] = {
      {365.0, "d.M.yyyy", 3, false},
      {20.5, "d.M.yyyy", 3, false},
      {20.0, "d.M. h", 3, false},
      {1.5, "d.M. h", 3, false},
      {1.0, "h:mm [d]", 3, false},
      {0.011, "h:mm [d]", 3, false},
      {0.01, "h:mm:ss [d]", 4, false},
      {0.001, "h:mm:ss [d]", 4, false},
      {0.00003, "h:mm:ss [d]", 4, false},
      {0.00002, "h:mm:ss", 4, true},
      {0.5 * kSecondDays, "h:mm:ss", 4, true},
  };
  for (const SpanRow& row : rows) {
    SCOPED_TRACE(row.span);
    const TimeAxisFormat f = ChooseTimeAxisFormat(row.span, 1000, 16);
    EXPECT_EQ(f.format, row.format);
    EXPECT_EQ(f.minor_ticks, row.minor_ticks);
    EXPECT_EQ(f.plain_numbers, row.plain);
  }
}

TEST(TimeAxisFormatTest, FixedIncrementsWhenTheirLabelsFit) {
  struct Row {
    double span;
    double increment;
  };
  const Row rows[] = {
      {30.0, 1.0},                                  // one label per day
      {1.5 * kSecondDays, 1.1574074074074074e-6},   // 0.1 s above 1 s
      {0.5 * kSecondDays, 5.787037037037037e-7},    // 0.05 s above 0.3 s
      {0.29 * kSecondDays, 1.1574074074074074e-7},  // 0.01 s otherwise
      {0.2 * kSecondDays, 1.1574074074074074e-7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.span);
    EXPECT_DOUBLE_EQ(ChooseTimeAxisFormat(row.span, 1000, 16).increment, row.increment);
  }
}

TEST(TimeAxisFormatTest, IncrementsAreRoundStepsWhoseLabelsNeverOverlap) {
  struct Row {
    double span;
    double length;
    double increment;
  };
  const Row rows[] = {
      {0.5, 1000, 15 * kMinute},  // 14.4 min wanted
      {0.5, 300, 1 * kHour},      // 48 min wanted
      {5.0, 1000, 3 * kHour},     // 2.4 h wanted
      {15.0, 400, 1.0},           // 18 h wanted: a whole day
      {0.005, 1000, 10 * kSecondDays},
      {365.0, 1000, 14.0},  // 7.3 days wanted
      {30.0, 200, 5.0},     // days cannot all fit on a short axis
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.span);
    const TimeAxisFormat f = ChooseTimeAxisFormat(row.span, row.length, 20);
    EXPECT_NEAR(f.increment, row.increment, 1e-12);
  }
  // Whatever the span and axis, labels are at least one pitch apart.
  for (double span = 1e-6; span < 5000; span *= 1.7) {
    for (double length : {150.0, 600.0, 1800.0}) {
      const TimeAxisFormat f = ChooseTimeAxisFormat(span, length, 18);
      EXPECT_GE(f.increment / span * length, 18 * (1 - 1e-9)) << span << " " << length;
    }
  }
}

TEST(TimeAxisLabelTest, EachRowWritesItsPattern) {
  const double t = EncodeDate(2006, 3, 5) + EncodeTime(12, 30, 15, 250);
  struct Row {
    double span;
    const char* label;
  };
  const Row rows[] = {
      {30.0, "5.3.2006"},
      {5.0, "5.3. 12"},
      {0.5, "12:30 [5]"},
      {0.005, "12:30:15 [5]"},
      {0.5 * kSecondDays, "12:30:15 .25"},
  };
  for (const Row& row : rows) {
    const TimeAxisFormat f = ChooseTimeAxisFormat(row.span, 1000, 16);
    EXPECT_EQ(TimeAxisLabel(f, t, ','), row.label);
    EXPECT_EQ(TimeAxisLabel(f, t, '.'), row.label);
  }
}

TEST(TimeAxisLabelTest, SubSecondTicksCountInHundredths) {
  const TimeAxisFormat f = ChooseTimeAxisFormat(0.5 * kSecondDays, 1000, 16);
  const double start = EncodeDate(2024, 1, 1) + EncodeTime(23, 59, 59, 900);
  const char* expected[] = {"23:59:59 .90", "23:59:59 .95", "0:00:00 .00", "0:00:00 .05"};
  // Tick values are whole multiples of the increment, as the ticker makes them.
  const double first = std::round(start / f.increment);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(TimeAxisLabel(f, (first + i) * f.increment, ','), expected[i]);
  }
}

TEST(RewriteTimeLabelTest, OnlyPlainNumbersAreRewritten) {
  struct Row {
    const char* in;
    char separator;
    const char* out;
  };
  const double noon = EncodeDate(2006, 3, 5) + 0.5;
  const std::string noon_comma = std::to_string(static_cast<int>(noon)) + ",5";
  const std::string noon_point = std::to_string(static_cast<int>(noon)) + ".5";
  const Row rows[] = {
      {"", ',', ""},
      {"12:30", ',', "12:30"},
      {"5.3.2006", ',', "5.3.2006"},
      {"5.3. 12", ',', "5.3. 12"},
      {"abc", ',', "abc"},
      {noon_comma.c_str(), ',', "12:00:00 .00"},
      {noon_point.c_str(), '.', "12:00:00 .00"},
      {"0,25", ',', "6:00:00 .00"},
      {"0.25", ',', "0.25"},  // not a number with a decimal comma
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RewriteTimeLabel(row.in, row.separator), row.out) << row.in;
  }
}

TEST(RewriteTimeLabelTest, HundredthsRoundUpFromTheMilliseconds) {
  struct Row {
    int ms;
    const char* out;
  };
  // (ms + 1) / 10: a tick at .25 that decodes as 249 ms still reads .25.
  const Row rows[] = {{249, "1:02:03 .25"}, {250, "1:02:03 .25"}, {258, "1:02:03 .25"},
                      {9, "1:02:03 .01"},   {998, "1:02:03 .99"}, {999, "1:02:04 .00"}};
  for (const Row& row : rows) {
    const double value = EncodeTime(1, 2, 3, row.ms);
    const std::string text = FloatToStr(value, '.');
    EXPECT_EQ(RewriteTimeLabel(text, '.'), row.out) << row.ms << " " << text;
  }
}

}  // namespace
}  // namespace korvan
