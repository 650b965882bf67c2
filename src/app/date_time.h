#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvan {

inline constexpr int64_t kSecondsPerDay = 86400;
inline constexpr int64_t kMsPerDay = 1000 * kSecondsPerDay;
// Days from 30 December 1899 (day 0 of date-time values) to 1 January 1970.
inline constexpr int64_t kUnixEpochOffset = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date, in closed form (eras of 400 years), so
// that far dates cost no more than near ones. Inline: the log's time ordering calls it per day.
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Date-time values are days since 30 December 1899; the fraction is the time of day.
// EncodeDate/EncodeTime throw Error for values out of range.
double EncodeDate(int year, int month, int day);
double EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, double& value);

struct DateParts {
  int year = 0;
  int month = 0;
  int day = 0;
};
struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Both round the value to the nearest millisecond first, as the Delphi runtime does.
DateParts DecodeDate(double value);
TimeParts DecodeTime(double value);

// The current local date and time, and today's date (whole part only).
double Now();
double Today();

struct DateTimeSeparators {
  char date = '.';
  char time = ':';
};

// Delphi-style FormatDateTime for the patterns the program uses: d dd M MM yyyy yy h hh
// m/mm (minutes right after h/hh, else month) nn s ss z zzz; quoted text and any other
// character are copied; ":" and "/" become the time and date separators.
std::string FormatDateTime(std::string_view pattern, double value,
                           DateTimeSeparators separators = {});

// "YYYY-MM-DD HH:MM:SS", used by the command-line tool; and its parser (false when malformed).
std::string IsoDateTimeText(double value);
bool ParseIsoDateTime(std::string_view text, double& value);

}  // namespace korvan
