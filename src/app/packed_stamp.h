#pragma once

#include <cstdint>

#include "app/date_time.h"

namespace korvan {

// The logger's 32-bit stamp, from bit 0 up: second (6 bits), minute (6), hour (5), day (5),
// month (4), year - 2000 (6). This is the only place that knows the layout; everything that
// takes a stamp apart or builds one goes through these, which compile down to a shift and a
// mask in the scan, plot and export loops.

// The years a stamp can hold.
inline constexpr int kStampFirstYear = 2000;
inline constexpr int kStampLastYear = 2063;

inline constexpr uint32_t StampSecond(uint32_t stamp) { return stamp & 0x3F; }
inline constexpr uint32_t StampMinute(uint32_t stamp) { return stamp >> 6 & 0x3F; }
inline constexpr uint32_t StampHour(uint32_t stamp) { return stamp >> 12 & 0x1F; }
inline constexpr uint32_t StampDay(uint32_t stamp) { return stamp >> 17 & 0x1F; }
inline constexpr uint32_t StampMonth(uint32_t stamp) { return stamp >> 22 & 0x0F; }
inline constexpr int StampYear(uint32_t stamp) { return static_cast<int>(stamp >> 26) + 2000; }

// Stamps of one calendar day share their date bits: equal keys, equal dates.
inline constexpr uint32_t StampDayKey(uint32_t stamp) { return stamp >> 17; }
// The stamp of 00:00:00 on the stamp's date.
inline constexpr uint32_t StampMidnight(uint32_t stamp) { return stamp & 0xFFFE0000; }
// Seconds since midnight, 0 to 86 399 for a valid stamp.
inline constexpr uint32_t StampSecondOfDay(uint32_t stamp) {
  return (StampHour(stamp) * 60 + StampMinute(stamp)) * 60 + StampSecond(stamp);
}

// Days since 1970-01-01 of the stamp's date (a valid stamp's: the fields are not checked).
inline constexpr int64_t StampDayNumber(uint32_t stamp) {
  return DaysFromCivil(StampYear(stamp), static_cast<int>(StampMonth(stamp)),
                       static_cast<int>(StampDay(stamp)));
}

// Each field is cut to its width, so a year outside 2000-2063 wraps rather than spilling.
inline constexpr uint32_t PackStampFields(int year, int month, int day, int hour, int minute,
                                          int second) {
  return (static_cast<uint32_t>(year - 2000) & 0x3F) << 26 |
         (static_cast<uint32_t>(month) & 0x0F) << 22 | (static_cast<uint32_t>(day) & 0x1F) << 17 |
         (static_cast<uint32_t>(hour) & 0x1F) << 12 | (static_cast<uint32_t>(minute) & 0x3F) << 6 |
         (static_cast<uint32_t>(second) & 0x3F);
}

}  // namespace korvan
