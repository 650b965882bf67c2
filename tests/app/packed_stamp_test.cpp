#include "app/packed_stamp.h"

#include <gtest/gtest.h>

#include "app/date_time.h"
#include "app/encodings.h"

namespace korvan {
namespace {

TEST(PackedStamp, FieldsAgreeWithPackStampAndUnpackStamp) {
  struct Case {
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {2000, 1, 1, 0, 0, 0},     {2063, 12, 31, 23, 59, 59},
      {2024, 2, 29, 12, 34, 56}, {2010, 10, 17, 10, 42, 42},  // a stamp whose low bytes are AA AA
      {2031, 7, 9, 1, 2, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.year << "-" << c.month << "-" << c.day << " " << c.hour
                                      << ":" << c.minute << ":" << c.second);
    const double date = EncodeDate(c.year, c.month, c.day);
    const double time = EncodeTime(c.hour, c.minute, c.second, 0);
    const uint32_t stamp = PackStamp(date, time);
    EXPECT_EQ(PackStampFields(c.year, c.month, c.day, c.hour, c.minute, c.second), stamp);
    EXPECT_EQ(StampYear(stamp), c.year);
    EXPECT_EQ(StampMonth(stamp), static_cast<uint32_t>(c.month));
    EXPECT_EQ(StampDay(stamp), static_cast<uint32_t>(c.day));
    EXPECT_EQ(StampHour(stamp), static_cast<uint32_t>(c.hour));
    EXPECT_EQ(StampMinute(stamp), static_cast<uint32_t>(c.minute));
    EXPECT_EQ(StampSecond(stamp), static_cast<uint32_t>(c.second));
    EXPECT_EQ(StampSecondOfDay(stamp),
              static_cast<uint32_t>((c.hour * 60 + c.minute) * 60 + c.second));
    EXPECT_EQ(StampMidnight(stamp), PackStamp(date, 0));
    EXPECT_EQ(UnpackStamp(StampMidnight(stamp), 0), date);
    EXPECT_EQ(static_cast<double>(StampDayNumber(stamp) + 25569), date);  // 1970-01-01 is 25569
    // The day key changes with the date and only with it.
    EXPECT_EQ(StampDayKey(stamp), StampDayKey(PackStamp(date, EncodeTime(23, 59, 59, 0))));
    EXPECT_NE(StampDayKey(stamp), StampDayKey(PackStamp(date + 1, time)));
  }
}

TEST(PackedStamp, FieldsAreCutToTheirWidthsWithoutTouchingTheirNeighbours) {
  // Year 2064 wraps to 2000; a second of 64 wraps to 0 and leaves the minute alone.
  EXPECT_EQ(PackStampFields(2064, 1, 1, 0, 0, 0), PackStampFields(2000, 1, 1, 0, 0, 0));
  EXPECT_EQ(PackStampFields(2024, 5, 6, 7, 8, 64), PackStampFields(2024, 5, 6, 7, 8, 0));
  EXPECT_EQ(PackStampFields(2024, 16, 6, 7, 8, 9), PackStampFields(2024, 0, 6, 7, 8, 9));
}

}  // namespace
}  // namespace korvan
