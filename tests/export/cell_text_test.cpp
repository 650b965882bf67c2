#include "export/cell_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace korvan {
namespace {

// The integer way must give printf's text for every double: compared with the general way over
// the edges (ties to even, negative zero and what rounds to it, the 2^63 border, specials) and a
// fixed-seed sample of the values an export meets and of arbitrary bit patterns.
TEST(FixedTextTest, AgreesWithPrintfOverTheEdgesAndALargeSample) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1.5,
                                2.5,
                                -0.5,
                                -2.5,
                                0.25,
                                -0.25,
                                0.75,
                                0.125,
                                0.375,
                                -0.125,
                                0.625,
                                0.05,
                                0.15,
                                0.35,
                                0.005,
                                0.015,
                                0.045,
                                0.995,
                                9.995,
                                99.995,
                                0.0049999999999999999,
                                1e-300,
                                -1e-300,
                                5e-324,
                                -5e-324,
                                2.2250738585072014e-308,
                                4503599627370495.5,
                                4503599627370496.0,
                                9007199254740993.0,
                                9223372036854774784.0,
                                -9223372036854774784.0,
                                9223372036854775808.0,
                                1e19,
                                1e300,
                                std::numeric_limits<double>::max(),
                                kInf,
                                -kInf,
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                4294967295.0 * 0.01,
                                65535 * 0.1,
                                -32768 * 0.01,
                                12345678.905,
                                0.1 + 0.2};
  std::mt19937_64 random(20261209);
  const double multipliers[] = {1, 0.1, 0.01, 0.5, 0.001, 0.0999, 0.3, 1e-5, 7.25, -0.01};
  for (int i = 0; i < 3'000'000; ++i) {
    const uint64_t bits = random();
    const double multiplier = multipliers[bits % std::size(multipliers)];
    switch (i % 5) {
      case 0:  // unsigned raw value with an offset
        values.push_back(static_cast<double>(bits >> 32) * multiplier +
                         static_cast<double>(static_cast<int>(bits % 2001) - 1000) / 100);
        break;
      case 1:  // 16-bit signed raw value
        values.push_back(static_cast<int16_t>(bits >> 16) * multiplier);
        break;
      case 2:  // halfway in binary: n / 8
        values.push_back(static_cast<double>(static_cast<int64_t>(bits >> 40) - (1 << 23)) / 8);
        break;
      case 3:  // near a decimal halfway: n / 200
        values.push_back(static_cast<double>(static_cast<int64_t>(bits >> 32) - (1LL << 31)) / 200);
        break;
      default:  // any double
        values.push_back(std::bit_cast<double>(bits));
    }
  }
  int failures = 0;
  for (size_t i = 0; i < values.size() && failures < 10; ++i) {
    const int decimals = static_cast<int>(i % 3);
    const int width = static_cast<int>(i % 5);  // the cells' 1, 3 and 4, and padding
    const char point = i % 2 ? ',' : '.';
    std::string expected;
    AppendPrintfText(values[i], width, decimals, expected);
    std::replace(expected.begin(), expected.end(), '.', point);
    std::string text = "x";  // appends after what is there
    AppendFixedText(values[i], width, decimals, point, text);
    if (text != "x" + expected) {
      ++failures;
      ADD_FAILURE() << std::hexfloat << values[i] << " width " << width << " decimals " << decimals
                    << ": " << text << " instead of x" << expected;
    }
  }
}

// The same for "%G": the plain form made in integers, over the same kinds of values and the
// borders of the plain form.
TEST(GeneralTextTest, AgreesWithPrintfOverTheEdgesAndALargeSample) {
  std::vector<double> values = {0.0,
                                -0.0,
                                1e-4,
                                9.99995e-5,
                                0.000099999949999,
                                0.00009999995,
                                999999.5,
                                999999.4,
                                999998.5,
                                999999.49,
                                123456.5,
                                123457.5,
                                -123456.5,
                                0.1 + 0.2,
                                1.0000005,
                                1.0000015,
                                9.9999995,
                                99999.95,
                                0.30000000000000004,
                                5e-324,
                                1e300,
                                std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(20261210);
  for (int i = 0; i < 3'000'000; ++i) {
    const uint64_t bits = random();
    switch (i % 4) {
      case 0:  // a float times a multiplier, as the F type gives
        values.push_back(static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(bits))) *
                         (bits >> 62 ? 1.0 : 0.1));
        break;
      case 1:  // a decimal float word's mantissa and a small power of ten, as the A type gives
        values.push_back(static_cast<double>(static_cast<int32_t>(bits >> 40) % 8388608) *
                         std::pow(10.0, static_cast<int>(bits % 13) - 8));
        break;
      case 2:  // six digits and a half at every place
        values.push_back((static_cast<double>(bits >> 44 & 0xFFFFF) + 0.5) *
                         std::pow(10.0, static_cast<int>(bits % 11) - 10));
        break;
      default:  // anywhere from 1E-6 to 1E7
        values.push_back(std::ldexp(static_cast<double>(bits >> 11), -53) *
                         std::pow(10.0, static_cast<int>(bits % 14) - 6));
    }
  }
  int failures = 0;
  for (size_t i = 0; i < values.size() && failures < 10; ++i) {
    const char point = i % 2 ? ',' : '.';
    std::string expected;
    AppendPrintfText(values[i], 0, -1, expected);
    std::replace(expected.begin(), expected.end(), '.', point);
    std::string text = "x";
    AppendGeneralText(values[i], point, text);
    if (text != "x" + expected) {
      ++failures;
      ADD_FAILURE() << std::hexfloat << values[i] << ": " << text << " instead of x" << expected;
    }
  }
}

TEST(CellRuleTest, GeneralKeepsItsExponentAndTakesThePoint) {
  const CellRule general{true, 0, -1};
  const struct {
    double value;
    const char* text;
  } cases[] = {{0.000012, "1,2E-05"}, {1234567.0, "1,23457E+06"},
               {-0.0, "-0"},          {123456.5, "123456"},
               {21.5, "21,5"},        {std::nan(""), "NAN"}};
  for (const auto& c : cases) {
    std::string text;
    AppendRuleText(general, c.value, ',', text);
    EXPECT_EQ(text, c.text) << c.value;
  }
}

}  // namespace
}  // namespace korvan
