#include "app/encodings.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "app/date_time.h"

namespace korvan {
namespace {

uint32_t Stamp(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>(year - 2000) << 26 | static_cast<uint32_t>(month) << 22 |
         static_cast<uint32_t>(day) << 17 | static_cast<uint32_t>(hour) << 12 |
         static_cast<uint32_t>(minute) << 6 | static_cast<uint32_t>(second);
}

TEST(PackStamp, FirstMomentOfTheEpochAndOrdering) {
  EXPECT_EQ(PackStamp(EncodeDate(2000, 1, 1), EncodeTime(0, 0, 0, 0)), 0x00420000u);
  uint32_t earlier = PackStamp(EncodeDate(2024, 3, 5), EncodeTime(23, 59, 59, 0));
  uint32_t later = PackStamp(EncodeDate(2024, 3, 6), EncodeTime(0, 0, 0, 0));
  EXPECT_LT(earlier, later);
  EXPECT_LT(PackStamp(EncodeDate(2024, 12, 31), 0), PackStamp(EncodeDate(2025, 1, 1), 0));
}

TEST(PackStamp, DateFromFirstArgumentTimeFromSecond) {
  // A date picker's value carries a time and a time picker's value carries a date.
  double date = EncodeDate(2024, 3, 5) + EncodeTime(12, 0, 0, 0);
  double time = EncodeDate(1999, 1, 1) + EncodeTime(7, 8, 9, 0);
  EXPECT_EQ(PackStamp(date, time), Stamp(2024, 3, 5, 7, 8, 9));
}

TEST(PackStamp, MillisecondsAreDroppedNotRounded) {
  EXPECT_EQ(PackStamp(EncodeDate(2024, 3, 5), EncodeTime(7, 8, 59, 999)),
            Stamp(2024, 3, 5, 7, 8, 59));
}

TEST(UnpackStamp, RoundTripsWithMilliseconds) {
  uint32_t stamp = Stamp(2063, 12, 31, 23, 59, 59);
  double value = UnpackStamp(stamp, 250);
  EXPECT_DOUBLE_EQ(value, EncodeDate(2063, 12, 31) + EncodeTime(23, 59, 59, 250));
  EXPECT_EQ(PackStamp(value, value), stamp);
}

TEST(IsValidStamp, CalendarRules) {
  struct Case {
    int year, month, day, hour, minute, second;
    bool valid;
  };
  const Case cases[] = {
      {2000, 2, 29, 0, 0, 0, true},     {2004, 2, 29, 0, 0, 0, true},
      {2024, 2, 29, 0, 0, 0, true},     {2001, 2, 29, 0, 0, 0, false},
      {2023, 2, 29, 0, 0, 0, false},    {2023, 2, 28, 0, 0, 0, true},
      {2024, 4, 31, 0, 0, 0, false},    {2024, 4, 30, 0, 0, 0, true},
      {2024, 6, 31, 0, 0, 0, false},    {2024, 9, 31, 0, 0, 0, false},
      {2024, 11, 31, 0, 0, 0, false},   {2024, 5, 31, 0, 0, 0, true},
      {2024, 12, 31, 23, 59, 59, true}, {2024, 13, 1, 0, 0, 0, false},
      {2024, 14, 1, 0, 0, 0, false},    {2024, 15, 1, 0, 0, 0, false},
      {2024, 0, 1, 0, 0, 0, false},     {2024, 1, 0, 0, 0, 0, false},
      {2024, 1, 1, 0, 0, 60, false},    {2024, 1, 1, 0, 60, 0, false},
      {2024, 1, 1, 24, 0, 0, false},    {2063, 1, 1, 0, 0, 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidStamp(Stamp(c.year, c.month, c.day, c.hour, c.minute, c.second)), c.valid)
        << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":"
        << c.second;
  }
  EXPECT_FALSE(IsValidStamp(0xFFFFFFFFu));
  EXPECT_FALSE(IsValidStamp(0));
}

TEST(HexSuffixed, DecimalAndHexadecimalForms) {
  struct Case {
    const char* text;
    int64_t value;
    bool hex;
  };
  const Case cases[] = {
      {"1Fh", 31, true}, {"31", 31, false},   {"0AH", 10, true},  {"ffh", 255, true},
      {"", 0, false},    {"  42", 42, false}, {"-5", -5, false},  {"12abc", 12, false},
      {"abc", 0, false}, {"0x1Fh", 31, true}, {" 1Fh", 31, true}, {"1Fzh", 31, true},
      {"h", 0, true},    {"xyzh", 0, true},   {"+7", 7, false},
  };
  for (const auto& c : cases) {
    int64_t value = -999;
    EXPECT_EQ(ParseHexSuffixed(c.text, value), c.hex) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  EXPECT_EQ(HexSuffixedValue(""), -1);
  EXPECT_EQ(HexSuffixedValue("0AH"), 10);
  EXPECT_EQ(HexSuffixedValue("7"), 7);
}

TEST(HexSuffixed, LongTextsAreSafeAndSaturate) {
  int64_t value = 0;
  std::string long_hex(40, 'F');
  long_hex += 'h';
  EXPECT_TRUE(ParseHexSuffixed(long_hex, value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::max());
  std::string long_decimal(40, '9');
  EXPECT_FALSE(ParseHexSuffixed(long_decimal, value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::max());
  EXPECT_FALSE(ParseHexSuffixed("-" + long_decimal, value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::min());
  // Eleven significant hex digits: more than the original's working copy held.
  EXPECT_TRUE(ParseHexSuffixed("123456789ABh", value));
  EXPECT_EQ(value, 0x123456789ABll);
}

TEST(FindBytes, FindsFirstFullMatch) {
  const uint8_t marker[] = {0xAA, 0xAA, 0xAA, 0xAA};
  std::vector<uint8_t> buffer = {1, 0xAA, 0xAA, 0xAA, 2, 0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(FindBytes(buffer.data(), buffer.size(), marker, 4), std::optional<size_t>(5));
  // Ends exactly at the last byte, with a partial match one byte earlier.
  std::vector<uint8_t> tail = {0, 1, 2, 3, 4};
  const uint8_t pattern[] = {3, 4};
  const uint8_t partial[] = {2, 2, 3};
  EXPECT_EQ(FindBytes(tail.data(), tail.size(), pattern, 2), std::optional<size_t>(3));
  std::vector<uint8_t> tricky = {9, 2, 2, 2, 3};
  EXPECT_EQ(FindBytes(tricky.data(), tricky.size(), partial, 3), std::optional<size_t>(2));
  EXPECT_EQ(FindBytes(tail.data(), 1, pattern, 2), std::nullopt);
  EXPECT_EQ(FindBytes(tail.data(), tail.size(), marker, 4), std::nullopt);
  EXPECT_EQ(FindBytes(tail.data(), 0, pattern, 2), std::nullopt);
}

TEST(DecodeDecimalFloat, SeparateSignBits) {
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x02000019), 2500.0);
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x82800019), -0.25);
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x00000007), 7.0);
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x00800007), -7.0);
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x81000003), 0.3);
  EXPECT_DOUBLE_EQ(DecodeDecimalFloat(0x007FFFFF), 8388607.0);
}

// Every exponent the word can hold gives, to the bit, mantissa times the library's
// pow(10, exponent) at run time.
TEST(DecodeDecimalFloat, EveryExponentAsPowGivesIt) {
  volatile double ten = 10.0;
  for (uint32_t high = 0; high < 256; ++high) {
    for (uint32_t low : {0x000001u, 0x7FFFFFu, 0x800019u}) {
      const uint32_t word = high << 24 | low;
      const int exponent = static_cast<int>(high & 0x7F) * (high & 0x80 ? -1 : 1);
      const double mantissa = static_cast<double>(low & 0x7FFFFF) * (low & 0x800000 ? -1 : 1);
      const double expected = mantissa * std::pow(ten, static_cast<double>(exponent));
      EXPECT_EQ(std::bit_cast<uint64_t>(DecodeDecimalFloat(word)),
                std::bit_cast<uint64_t>(expected))
          << std::hex << word;
    }
  }
}

TEST(Interval, PackAndUnpack) {
  struct Case {
    double seconds;
    uint32_t word;
  };
  const Case cases[] = {
      {10, 10},
      {0.5, 50u << 24},
      {60, 60},
      {0.29, 29u << 24},
      {1.15, 15u << 24 | 1},
      {0.125, 13u << 24},
      {0.995, 100u << 24},
      {2.675, 67u << 24 | 2},
      {16777216.0, 0},  // whole seconds keep their low 24 bits
  };
  for (const auto& c : cases) EXPECT_EQ(PackInterval(c.seconds), c.word) << c.seconds;
  EXPECT_DOUBLE_EQ(UnpackInterval(50u << 24), 0.5);
  EXPECT_DOUBLE_EQ(UnpackInterval(10), 10.0);
  // A hundredths byte above 99 adds more than a second; it is not rejected.
  EXPECT_DOUBLE_EQ(UnpackInterval(150u << 24 | 2), 3.5);
}

TEST(DotsToCommas, ReplacesEveryDot) {
  std::string text = "1.5";
  EXPECT_EQ(DotsToCommas(text), 3u);
  EXPECT_EQ(text, "1,5");
  std::string many = "1.2.3.";
  EXPECT_EQ(DotsToCommas(many), 6u);
  EXPECT_EQ(many, "1,2,3,");
  std::string none;
  EXPECT_EQ(DotsToCommas(none), 0u);
}

}  // namespace
}  // namespace korvan
