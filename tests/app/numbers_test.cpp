#include "app/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/error.h"

namespace korvan {
namespace {

struct FloatText {
  double value;
  const char* comma;  // with "," as the decimal separator
};

TEST(FloatToStrTest, GeneralFormatWithFifteenDigits) {
  const FloatText cases[] = {
      {0.1 + 0.2, "0,3"},
      {1.0 / 3, "0,333333333333333"},
      {1.0000000000000002, "1"},
      {0.5, "0,5"},
      {2.5, "2,5"},
      {-2.5, "-2,5"},
      {10, "10"},
      {100, "100"},
      {0, "0"},
      {-0.0, "0"},
      // Half away from zero on the exact binary value, where %.15g rounds to even.
      {123456789012344.5, "123456789012345"},
      {-123456789012344.5, "-123456789012345"},
      // Fixed up to 15 integer digits and down to 0.0001, decided after rounding.
      {999999999999999.0, "999999999999999"},
      {99999999999999.99, "100000000000000"},
      {0.000099999999999999999, "0,0001"},
      {0.0001, "0,0001"},
      {0.00012, "0,00012"},
      {1e15, "1E15"},
      {1e16, "1E16"},
      {123456789012345678.0, "1,23456789012346E17"},
      {1.5e300, "1,5E300"},
      {1e-5, "1E-5"},
      {1.2e-5, "1,2E-5"},
      {9.99999e-5, "9,99999E-5"},
      {-1e-5, "-1E-5"},
      {std::numeric_limits<double>::denorm_min(), "4,94065645841247E-324"},
      {std::numeric_limits<double>::max(), "1,79769313486232E308"},
      // Single-precision values are widened exactly, not shown in their shortest form.
      {0.1f, "0,100000001490116"},
      {0.001f, "0,00100000004749745"},
      {1.0f / 3.0f, "0,333333343267441"},
      {1e-5f, "9,99999974737875E-6"},
      {3.14159f, "3,1415901184082"},
      {static_cast<float>(16777217), "16777216"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const FloatText& c : cases) {
    EXPECT_EQ(FloatToStr(c.value, ','), c.comma) << c.comma;
    std::string point = c.comma;
    for (char& ch : point) {
      if (ch == ',') ch = '.';
    }
    EXPECT_EQ(FloatToStr(c.value, '.'), point) << c.comma;
  }
}

struct ParseCase {
  const char* text;
  double value;
};

TEST(StrToFloatTest, AcceptsTheRuntimeForms) {
  const ParseCase cases[] = {
      {" 1,5 ", 1.5},
      {"1,", 1},
      {",5", 0.5},
      {"1,5e3", 1500},
      {"1,5E+3", 1500},
      {"1E-5", 1e-5},
      {"1e+03", 1000},
      {"00012,5", 12.5},
      {"+1,5", 1.5},
      {"-1,5", -1.5},
      {"  -0,25", -0.25},
      {"7", 7},
      {"1,79769313486231E308", 1.79769313486231e308},
      {"4,94065645841247E-324", 4.94065645841247e-324},
      {"1e-400", 0},  // below the double range reads as zero
      {"123456789e-99999999999999999999", 0},
      {"0e99999999999999999999", 0},
  };
  for (const ParseCase& c : cases) {
    double value = -99;
    EXPECT_TRUE(TryStrToFloat(c.text, ',', value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(StrToFloat(c.text, ','), c.value) << c.text;
  }
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("0.5", '.', value));
  EXPECT_EQ(value, 0.5);
  EXPECT_TRUE(TryStrToFloat(".5", '.', value));
  EXPECT_EQ(value, 0.5);
}

TEST(StrToFloatTest, IgnoresTextAfterNul) {
  double value = 0;
  EXPECT_TRUE(TryStrToFloat(std::string("1,5\0"
                                        "9",
                                        5),
                            ',', value));
  EXPECT_EQ(value, 1.5);
}

TEST(StrToFloatTest, RejectsOtherForms) {
  const char* comma_rejects[] = {
      "0.5",
      "1 000,5",
      "1.000,5",
      "1,000.5",
      "1\xa0"
      "000,5",
      "",
      "   ",
      "0x1F",
      "$1F",
      "1d3",
      "12,5%",
      "1 e3",
      "--1",
      "+-1",
      "1e",
      "+",
      "-",
      "inf",
      "nan",
      "Infinity",
      "E3",
      "1e400",
      "-1e400",
      ",",
      "1,,5",
      "1,5,",
      "1e+",
      "1e3,5",
      "\xc2\xa0"
      "1",
      "1e99999999999999999999",
      "0,001e312",
  };
  for (const char* text : comma_rejects) {
    double value = 42;
    EXPECT_FALSE(TryStrToFloat(text, ',', value)) << text;
    EXPECT_EQ(value, 42) << "value changed for " << text;
  }
  double value = 0;
  EXPECT_FALSE(TryStrToFloat("1,5", '.', value));
  // An INI value written with the other separator is not half-read.
  EXPECT_FALSE(TryStrToFloat("1.5", ',', value));
}

TEST(StrToFloatTest, ErrorQuotesTheInput) {
  try {
    StrToFloat("12,5%", ',');
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'12,5%' is not a valid floating point value");
  }
  EXPECT_THROW(StrToFloat("", ','), Error);
}

struct IntCase {
  const char* text;
  int32_t value;
};

TEST(StrToIntTest, AcceptsDecimalAndHexadecimal) {
  const IntCase cases[] = {
      {"12", 12},
      {" 12", 12},
      {"+12", 12},
      {"-12", -12},
      {" -5", -5},
      {"012", 12},
      {"$1F", 31},
      {"0x1F", 31},
      {"0X1F", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"0xFFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$000000001", 1},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"0000000000012", 12},
  };
  for (const IntCase& c : cases) {
    int32_t value = -99;
    EXPECT_TRUE(TryStrToInt(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(StrToIntTest, RejectsOtherForms) {
  const char* rejects[] = {
      "12 ",
      "12abc",
      "1,5",
      "1e3",
      "1F",
      "1Fh",
      "",
      "0x",
      "$",
      "- 5",
      "+-1",
      "--1",
      "%101",
      "&17",
      "2147483648",
      "-2147483649",
      "$100000000",
      "0x-1",
      "99999999999999999999",
      " ",
      "\t12",
  };
  for (const char* text : rejects) {
    int32_t value = 42;
    EXPECT_FALSE(TryStrToInt(text, value)) << text;
    EXPECT_EQ(value, 42) << text;
    EXPECT_EQ(StrToIntDef(text, 7), 7) << text;
  }
  EXPECT_EQ(StrToIntDef("0x10", 7), 16);
}

TEST(StrToIntTest, ErrorQuotesTheInput) {
  try {
    StrToInt("");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt("12 "), Error);
}

TEST(IntToStrTest, FullRange) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-16), "-16");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

struct FormatCase {
  const char* pattern;
  double value;
  const char* expected;
};

TEST(FormatFloatTest, GroupingPattern) {
  const FormatCase cases[] = {
      {"#,##0.######", 1234567.891, "1 234 567,891"},
      {"#,##0.######", -1234.5, "-1 234,5"},
      {"#,##0.######", 12345, "12 345"},
      {"#,##0.######", 0.5, "0,5"},
      {"#,##0.######", 10, "10"},
      {"#,##0.######", 1.0 / 3, "0,333333"},
      {"#,##0.######", 999999.9999999, "1 000 000"},
      {"#,##0.######", 1e15, "1 000 000 000 000 000"},
      {"#,##0.######", 0.0000004, "0"},
      {"#,##0.######", -0.0000004, "0"},
      {"#,##0.######", 0.00000051, "0,000001"},
      {"#,##0.######", 0.0000005, "0"},  // just below half in binary
      {"#,##0.######", 123456789012345678.0, "1,23456789012346E17"},
      {"#,##0", 1234.5, "1 235"},
      {"#,##0", 999, "999"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value, ',', " "), c.expected)
        << c.pattern << " " << c.expected;
  }
  EXPECT_EQ(FormatFloat("#,##0.######", 1234567.891, ',', "."), "1.234.567,891");
  EXPECT_EQ(FormatFloat("#,##0.######", 1234567.891, ',', "\u00A0"),
            "1\u00A0"
            "234\u00A0"
            "567,891");
  EXPECT_EQ(FormatFloat("#,##0.######", 1234567.891, '.', ","), "1,234,567.891");
}

TEST(FormatFloatTest, BlankIsALiteralNotGrouping) {
  const FormatCase cases[] = {
      {"# ##0.######", 12345, "12 345"},
      {"# ##0.######", 1234567.891, "1234 567,891"},
      {"# ##0.######", 999999.9999999, "1000 000"},
      {"# ##0.######", 100, " 100"},
      {"# ##0.######", 10, " 10"},
      {"# ##0.######", 0.5, " 0,5"},
      {"# ##0.######", -2.5, "- 2,5"},
      {"# ##0.######", -0.5, "- 0,5"},
      {"# ##0.######", -1234.5, "-1 234,5"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value, ',', "\u00A0"), c.expected)
        << c.pattern << " " << c.expected;
  }
}

TEST(FormatFloatTest, FixedPatterns) {
  const FormatCase cases[] = {
      {"0.0", 2.25, "2,3"},     // half away from zero, not to even
      {"0.00", 1.005, "1,00"},  // 1.005 is 1.00499... in binary
      {"0.0", -0.04, "0,0"},    // no sign on a value shown as zero
      {"0.00", 0, "0,00"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"000", 7, "007"},
      {"0.0", 12345.67, "12345,7"},
      {"0.0 V", 1.25, "1,3 V"},
      {"0.0'#'", 1, "1,0#"},
      {"0.0;(0.0)", -1.5, "(1,5)"},
      {"0.0;(0.0);'nula'", 0, "nula"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value, ',', " "), c.expected)
        << c.pattern << " " << c.expected;
  }
  EXPECT_EQ(FormatFloat("#,##0.######", std::nan(""), ',', " "), "NAN");
}

}  // namespace
}  // namespace korvan
