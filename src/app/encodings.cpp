#include "app/encodings.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "app/date_time.h"

namespace korvan {

uint32_t PackStamp(double date, double time) {
  DateParts d = DecodeDate(date);
  TimeParts t = DecodeTime(time);
  return PackStampFields(d.year, d.month, d.day, t.hour, t.minute, t.second);
}

double UnpackStamp(uint32_t stamp, uint16_t milliseconds) {
  return EncodeDate(StampYear(stamp), static_cast<int>(StampMonth(stamp)),
                    static_cast<int>(StampDay(stamp))) +
         EncodeTime(static_cast<int>(StampHour(stamp)), static_cast<int>(StampMinute(stamp)),
                    static_cast<int>(StampSecond(stamp)), milliseconds);
}

bool IsValidStamp(uint32_t stamp) {
  const uint32_t day = StampDay(stamp);
  const uint32_t month = StampMonth(stamp);
  if (StampSecond(stamp) > 59 || StampMinute(stamp) > 59 || StampHour(stamp) > 23) return false;
  if (month == 0 || month > 12) return false;
  if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30) return false;
  if (month == 2) {
    bool leap = StampYear(stamp) % 4 == 0;
    if (day > (leap ? 29u : 28u)) return false;
  }
  return day != 0;
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// strtol-style decimal: blanks, sign, digits up to the first non-digit; saturates.
int64_t DecimalPrefix(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (saturated || value > (kMax - digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 + digit;
  }
  if (saturated) return negative ? std::numeric_limits<int64_t>::min() : kMax;
  return negative ? -value : value;
}

// "%x"-style: blanks, optional sign and 0x, hex digits up to the first other character.
// No digit gives 0; values beyond 64 bits saturate.
int64_t HexPrefix(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  bool saturated = false;
  for (; i < text.size(); ++i) {
    int digit = HexDigit(text[i]);
    if (digit < 0) break;
    if (saturated || value > (kMax - digit) / 16) {
      saturated = true;
      continue;
    }
    value = value * 16 + digit;
  }
  if (saturated) return negative ? std::numeric_limits<int64_t>::min() : kMax;
  return negative ? -value : value;
}

}  // namespace

bool ParseHexSuffixed(std::string_view text, int64_t& value) {
  if (text.empty()) {
    value = 0;
    return false;
  }
  char last = text.back();
  if (last != 'h' && last != 'H') {
    value = DecimalPrefix(text);
    return false;
  }
  value = HexPrefix(text.substr(0, text.size() - 1));
  return true;
}

int64_t HexSuffixedValue(std::string_view text) {
  if (text.empty()) return -1;
  int64_t value = 0;
  ParseHexSuffixed(text, value);
  return value;
}

std::optional<size_t> FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern,
                                size_t pattern_length) {
  if (pattern_length == 0 || length < pattern_length) return std::nullopt;
  const size_t last = length - pattern_length;
  size_t pos = 0;
  while (pos <= last) {
    const void* hit = std::memchr(buffer + pos, pattern[0], last - pos + 1);
    if (hit == nullptr) return std::nullopt;
    pos = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buffer);
    if (std::memcmp(buffer + pos, pattern, pattern_length) == 0) return pos;
    ++pos;
  }
  return std::nullopt;
}

namespace {

// The 255 powers a decimal float word can name, made by the library's pow at run time so that
// every product is the one pow gives. Neither constexpr nor folded (the base is read through
// volatile): the compiler's own arithmetic rounds differently (10^23 differs).
std::array<double, 255> DecimalPowers() {
  volatile double ten = 10.0;
  std::array<double, 255> table{};
  for (int e = -127; e <= 127; ++e) table[static_cast<size_t>(e + 127)] = std::pow(ten, e);
  return table;
}

}  // namespace

double DecodeDecimalFloat(uint32_t word) {
  // A row of a big export decodes millions of these: pow once per exponent, not per value.
  static const std::array<double, 255> powers = DecimalPowers();
  int exponent = static_cast<int>(word >> 24 & 0x7F);
  if (word & 0x80000000u) exponent = -exponent;
  double mantissa = static_cast<double>(word & 0x7FFFFF);
  if (word & 0x800000u) mantissa = -mantissa;
  return mantissa * powers[static_cast<size_t>(exponent + 127)];
}

uint32_t PackInterval(double seconds) {
  double whole = std::trunc(seconds);
  double hundredths = std::trunc((seconds - whole + 0.005) * 100.0);
  // Out-of-range inputs wrap into their fields rather than invoking undefined conversions.
  auto low_bits = [](double v, uint32_t mask) -> uint32_t {
    if (!std::isfinite(v)) return 0;
    double m = std::fmod(v, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<uint32_t>(m) & mask;
  };
  return low_bits(hundredths, 0xFF) << 24 | low_bits(whole, 0xFFFFFF);
}

double UnpackInterval(uint32_t word) {
  return static_cast<double>(word & 0xFFFFFF) + static_cast<double>(word >> 24) * 0.01;
}

size_t DotsToCommas(std::string& text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text.size();
}

}  // namespace korvan
