#include "app/date_time.h"

#include <time.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/error.h"
#include "app/text.h"

namespace korvan {
namespace {

// Day 0 (1899-12-30) counted from 1970-01-01.

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The inverse of DaysFromCivil, in the same closed form.
DateParts CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  DateParts parts;
  parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
  return parts;
}

// The value as whole days and milliseconds of the day, rounded to the millisecond first.
// A negative value's fraction still counts forward from midnight (-1.25 is 29.12.1899 6:00).
// Values no date can have (NaN, beyond any year an int holds) decode as day 0.
void Split(double value, int64_t& days, int64_t& ms_of_day) {
  const double ms = std::round(value * static_cast<double>(kMsPerDay));
  if (!(std::fabs(ms) < 1e17)) {
    days = 0;
    ms_of_day = 0;
    return;
  }
  const int64_t total = static_cast<int64_t>(ms);
  days = total / kMsPerDay;
  ms_of_day = total % kMsPerDay;
  if (ms_of_day < 0) ms_of_day = -ms_of_day;
}

void AppendNumber(std::string& out, int64_t value, int width) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof(digits), value < 0 ? -value : value).ptr;
  if (value < 0) out += '-';
  const int length = static_cast<int>(end - digits);
  if (length < width) out.append(static_cast<size_t>(width - length), '0');
  out.append(digits, end);
}

bool ReadDigits(std::string_view text, size_t pos, size_t count, int& value) {
  value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, double& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  value = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochOffset);
  return true;
}

double EncodeDate(int year, int month, int day) {
  double value = 0;
  if (!TryEncodeDate(year, month, day, value)) throw Error("Invalid argument to date encode");
  return value;
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    throw Error("Invalid argument to time encode");
  }
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

DateParts DecodeDate(double value) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(value, days, ms);
  return CivilFromDays(days - kUnixEpochOffset);
}

TimeParts DecodeTime(double value) {
  int64_t days = 0;
  int64_t ms = 0;
  Split(value, days, ms);
  TimeParts parts;
  parts.hour = static_cast<int>(ms / 3600000);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59,
                    static_cast<int>(now.tv_nsec / 1000000));
}

double Today() { return std::floor(Now()); }

std::string FormatDateTime(std::string_view pattern, double value, DateTimeSeparators separators) {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  std::string out;
  // "m" means minutes when the letter before it (ignoring non-letters) was an hour.
  char last_letter = 0;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      size_t close = pattern.find(c, i + 1);
      size_t end = close == std::string_view::npos ? pattern.size() : close;
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (c == ':') {
      out += separators.time;
      ++i;
      continue;
    }
    if (c == '/') {
      out += separators.date;
      ++i;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      out += c;
      ++i;
      continue;
    }
    char letter = AsciiUpper(c);
    size_t count = 1;
    while (i + count < pattern.size() && AsciiUpper(pattern[i + count]) == letter) {
      ++count;
    }
    if (letter == 'M' && last_letter == 'H') letter = 'N';
    // Two-letter specifiers take two letters; a longer run starts another one.
    const size_t used = letter == 'Y' || letter == 'Z' ? count : std::min<size_t>(count, 2);
    const int width = used >= 2 ? 2 : 1;
    switch (letter) {
      case 'D':
        AppendNumber(out, date.day, width);
        break;
      case 'M':
        AppendNumber(out, date.month, width);
        break;
      case 'Y':
        if (used <= 2) {
          AppendNumber(out, date.year % 100, 2);
        } else {
          AppendNumber(out, date.year, 4);
        }
        break;
      case 'H':
        AppendNumber(out, time.hour, width);
        break;
      case 'N':
        AppendNumber(out, time.minute, width);
        break;
      case 'S':
        AppendNumber(out, time.second, width);
        break;
      case 'Z':
        AppendNumber(out, time.millisecond, used >= 3 ? 3 : 1);
        break;
      default:
        out.append(pattern.substr(i, used));
        break;
    }
    last_letter = letter;
    i += used;
  }
  return out;
}

std::string IsoDateTimeText(double value) {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  std::string out;
  AppendNumber(out, date.year, 4);
  out += '-';
  AppendNumber(out, date.month, 2);
  out += '-';
  AppendNumber(out, date.day, 2);
  out += ' ';
  AppendNumber(out, time.hour, 2);
  out += ':';
  AppendNumber(out, time.minute, 2);
  out += ':';
  AppendNumber(out, time.second, 2);
  return out;
}

bool ParseIsoDateTime(std::string_view text, double& value) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  int year, month, day, hour, minute, second;
  if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) ||
      !ReadDigits(text, 8, 2, day) || !ReadDigits(text, 11, 2, hour) ||
      !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second)) {
    return false;
  }
  double date = 0;
  if (!TryEncodeDate(year, month, day, date)) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  // Before 30 December 1899 the time of day still counts forward from midnight.
  const double time = EncodeTime(hour, minute, second, 0);
  value = date >= 0 ? date + time : date - time;
  return true;
}

}  // namespace korvan
