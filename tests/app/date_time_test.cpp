#include "app/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/error.h"

namespace korvan {
namespace {

struct DateCase {
  int year, month, day;
  double value;
};

TEST(DateTest, EncodesKnownDays) {
  const DateCase cases[] = {
      {1899, 12, 30, 0},      {1899, 12, 31, 1},    {1900, 1, 1, 2},         {1900, 3, 1, 61},
      {2000, 1, 1, 36526},    {2000, 2, 29, 36585}, {2024, 3, 5, 45356},     {2100, 3, 1, 73110},
      {1600, 2, 29, -109512}, {1, 1, 1, -693593},   {9999, 12, 31, 2958465},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.value) << c.year << "-" << c.month;
    DateParts parts = DecodeDate(c.value);
    EXPECT_EQ(parts.year, c.year);
    EXPECT_EQ(parts.month, c.month);
    EXPECT_EQ(parts.day, c.day);
  }
}

TEST(DateTest, EveryDayFollowsThePreviousOne) {
  // Four centuries around the Gregorian exceptions, one day at a time.
  const double first = EncodeDate(1696, 1, 1);
  const double last = EncodeDate(2104, 12, 31);
  DateParts previous = DecodeDate(first - 1);
  for (double day = first; day <= last; ++day) {
    // Before day 0 the whole part is still the day and the fraction its time of day.
    DateParts parts = DecodeDate(day >= 0 ? day + 0.75 : day - 0.75);
    if (parts.day == 1) {
      ASSERT_TRUE(previous.month != parts.month) << day;
      ASSERT_TRUE(parts.month == 1
                      ? previous.year + 1 == parts.year && previous.month == 12
                      : previous.year == parts.year && previous.month + 1 == parts.month)
          << day;
    } else {
      ASSERT_EQ(parts.day, previous.day + 1) << day;
      ASSERT_EQ(parts.month, previous.month) << day;
    }
    ASSERT_EQ(EncodeDate(parts.year, parts.month, parts.day), day);
    previous = parts;
  }
}

TEST(DateTest, RejectsImpossibleDates) {
  const int bad[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {0, 1, 1},
                        {10000, 1, 1}, {2024, 13, 1}, {2024, 0, 1},  {2024, 4, 31},
                        {2024, 1, 0},  {2024, 1, 32}, {-5, 1, 1}};
  for (const auto& d : bad) {
    double value = 123;
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], value)) << d[0] << "-" << d[1] << "-" << d[2];
    EXPECT_EQ(value, 123);
    EXPECT_THROW(EncodeDate(d[0], d[1], d[2]), Error);
  }
  double value = 0;
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, value));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, value));
}

TEST(TimeTest, EncodeRejectsOutOfRange) {
  const int bad[][4] = {{24, 0, 0, 0},   {0, 60, 0, 0}, {0, 0, 60, 0},
                        {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
  for (const auto& t : bad) {
    EXPECT_THROW(EncodeTime(t[0], t[1], t[2], t[3]), Error) << t[0] << ":" << t[1];
  }
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST(TimeTest, EverySecondRoundTrips) {
  for (int s = 0; s < kSecondsPerDay; ++s) {
    const int ms = s % 1000;
    const double value = 45356 + EncodeTime(s / 3600, s / 60 % 60, s % 60, ms);
    TimeParts t = DecodeTime(value);
    ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second, s);
    ASSERT_EQ(t.millisecond, ms);
    ASSERT_EQ(DecodeDate(value).day, 5);
  }
}

TEST(TimeTest, RoundsToTheMillisecondBeforeSplitting) {
  TimeParts t = DecodeTime((7 * 3600 + 8 * 60 + 9.9996) / kSecondsPerDay);
  EXPECT_EQ(t.hour, 7);
  EXPECT_EQ(t.minute, 8);
  EXPECT_EQ(t.second, 10);
  EXPECT_EQ(t.millisecond, 0);
  // 59.999 s stays in its second.
  t = DecodeTime(EncodeTime(10, 20, 59, 999));
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.millisecond, 999);
  // The last half millisecond of a day belongs to the next day.
  const double late = EncodeDate(2024, 2, 29) + (kSecondsPerDay - 0.0004) / kSecondsPerDay;
  DateParts d = DecodeDate(late);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 1);
  EXPECT_EQ(DecodeTime(late).hour, 0);
}

TEST(TimeTest, OddValuesDoNotCrash) {
  // Negative values count the fraction forward from midnight.
  DateParts d = DecodeDate(-1.25);
  EXPECT_EQ(d.year, 1899);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(DecodeTime(-1.25).hour, 6);
  for (double v :
       {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300, -1e9, 1e9}) {
    DecodeDate(v);
    DecodeTime(v);
    FormatDateTime("d.M.yyyy h:mm:ss", v);
  }
}

TEST(FormatDateTimeTest, ChartPatterns) {
  const double value = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 500);
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {"d.M.yyyy", "5.3.2024"},
      {"d.M. h", "5.3. 7"},
      {"h:mm [d]", "7:08 [5]"},
      {"h:mm:ss [d]", "7:08:09 [5]"},
      {"h:mm:ss", "7:08:09"},
      {"h:mm d.M.", "7:08 5.3."},
      {"d.m.yyyy", "5.3.2024"},  // m not after an hour is the month
      {"h mm", "7 08"},
      {"h:m", "7:8"},
      {"hh:nn:ss", "07:08:09"},
      {"dd.MM.yy", "05.03.24"},
      {"h:mm:ss.zzz", "7:08:09.500"},
      {"yyyy/MM/dd", "2024-03-05"},
      {"'h:mm' h", "h:mm 7"},
      {"\"d\"d", "d5"},
  };
  DateTimeSeparators separators;
  separators.date = '-';
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime(c.pattern, value, separators), c.expected) << c.pattern;
  }
  DateTimeSeparators dot;
  dot.time = '.';
  EXPECT_EQ(FormatDateTime("h:mm", value, dot), "7.08");
  EXPECT_EQ(FormatDateTime("d.M.yyyy", 0), "30.12.1899");
  EXPECT_EQ(FormatDateTime("h:mm", 0), "0:00");
  const double rounding = EncodeDate(2024, 3, 5) + (7 * 3600 + 8 * 60 + 9.9996) / kSecondsPerDay;
  EXPECT_EQ(FormatDateTime("h:mm:ss", rounding), "7:08:10");
  const double midnight = EncodeDate(2024, 3, 5) + (kSecondsPerDay - 0.0004) / kSecondsPerDay;
  EXPECT_EQ(FormatDateTime("d.M.yyyy h:mm:ss", midnight), "6.3.2024 0:00:00");
}

TEST(IsoDateTimeTest, RoundTripAndStrictParse) {
  const double value = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 0);
  EXPECT_EQ(IsoDateTimeText(value), "2024-03-05 07:08:09");
  double parsed = 0;
  ASSERT_TRUE(ParseIsoDateTime("2024-03-05 07:08:09", parsed));
  EXPECT_EQ(IsoDateTimeText(parsed), "2024-03-05 07:08:09");
  EXPECT_NEAR(parsed, value, 1e-9);
  ASSERT_TRUE(ParseIsoDateTime("0001-01-01 00:00:00", parsed));
  EXPECT_EQ(parsed, -693593);

  const char* bad[] = {"2024-3-05 07:08:09",
                       "2024-02-30 00:00:00",
                       "2024-03-05T07:08:09",
                       "2024-03-05 24:00:00",
                       "2024-03-05 07:60:00",
                       "2024-03-05 07:08:09 ",
                       "",
                       "2024-03-05 07:08:6x",
                       "+024-03-05 07:08:09",
                       "0000-01-01 00:00:00"};
  for (const char* text : bad) {
    double v = 5;
    EXPECT_FALSE(ParseIsoDateTime(text, v)) << text;
    EXPECT_EQ(v, 5);
  }
}

TEST(ClockTest, TodayIsTheDateOfNow) {
  const double today = Today();
  const double now = Now();
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(now, today);
  EXPECT_LT(now, today + 1.0001);  // allows for midnight between the two calls
  EXPECT_GT(today, EncodeDate(2020, 1, 1));
}

}  // namespace
}  // namespace korvan

namespace korvan {
namespace {

TEST(IsoDateTime, RoundTripsBeforeTheEpochToo) {
  for (const char* text : {"0024-01-05 07:08:54", "1899-12-29 18:00:00", "2026-12-08 23:59:59"}) {
    double value = 0;
    ASSERT_TRUE(ParseIsoDateTime(text, value)) << text;
    EXPECT_EQ(IsoDateTimeText(value), text);
  }
}

}  // namespace
}  // namespace korvan
