#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/error.h"
#include "config/config_image.h"
#include "config/recording_config.h"

namespace korvan {
namespace {

std::vector<uint8_t> Bytes(const std::string& image) { return {image.begin(), image.end()}; }

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  return {bytes.begin() + from, bytes.begin() + from + count};
}

LoggedLine ExampleLine() {
  return {"Elektroměr", "Teplota", "2", "01h", "R", "0010h", "F4", "1", "0", "100", "5"};
}

TEST(BuildConfigImage, TheLineBlockExampleByteForByte) {
  RecordingConfig config;
  config.lines = {ExampleLine()};
  const std::vector<uint8_t> image = Bytes(BuildConfigImage(config, ','));
  ASSERT_EQ(image.size(), 8192u);
  const std::vector<uint8_t> expected = {
      0x45, 0x6C, 0x65, 0x6B, 0x74, 0x72, 0x6F, 0x6D, 0x54, 0x65, 0x70, 0x6C, 0x6F,
      0x74, 0x61, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
      0x00, 0x52, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x46, 0x34, 0x00, 0x00,
      0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x42};
  EXPECT_EQ(Slice(image, 64, 64), expected);
}

TEST(BuildConfigImage, TheDefaultConfigurationsHeader) {
  const std::vector<uint8_t> image = Bytes(BuildConfigImage(RecordingConfig{}, ','));
  const std::string version(image.begin(), image.begin() + 14);
  EXPECT_EQ(version, "Korvan-A v1.20");
  EXPECT_EQ(Slice(image, 14, 6), (std::vector<uint8_t>{0x00, 0xFF, 0, 0, 0, 0}));
  const std::vector<uint8_t> expected = {
      0x0A, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00,  // intervals
      0x3C, 0x00, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00,                          // 9600
      0x01, 0x00, 0x00, 0xFF,                                                  // choices
      0x96, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00};                         // 150, 10
  EXPECT_EQ(Slice(image, 20, 32), expected);
  EXPECT_EQ(Slice(image, 52, 12), std::vector<uint8_t>(12, 0xFF));
}

TEST(BuildConfigImage, LineCountsAndEverythingAfterTheLastBlockIsFill) {
  for (size_t count : {0u, 1u, 50u}) {
    RecordingConfig config;
    config.lines.assign(count, ExampleLine());
    const std::vector<uint8_t> image = Bytes(BuildConfigImage(config, ','));
    EXPECT_EQ(Slice(image, 16, 4), (std::vector<uint8_t>{static_cast<uint8_t>(count), 0, 0, 0}));
    const size_t used = 64 * (count + 1);
    EXPECT_EQ(Slice(image, used, 8192 - used), std::vector<uint8_t>(8192 - used, 0xFF)) << count;
    if (count == 50) {
      EXPECT_EQ(used, 3264u);
    }
    if (count > 0) {
      EXPECT_EQ(image[used - 64], 'E');
    }
  }
}

TEST(BuildConfigImage, TextsAreCutWithoutTerminatorOrEndWithOneZero) {
  struct Case {
    std::string instrument, label;
    std::vector<uint8_t> bytes;  // 0 to 31
  };
  std::vector<uint8_t> long_label(24, 'L');
  const Case cases[] = {
      // Eight characters: no terminator; "Š" is one Windows-1250 byte.
      {"Šroubová", "abc", {0x8A, 'r', 'o', 'u', 'b', 'o', 'v', 0xE1, 'a', 'b', 'c', 0x00}},
      {"", std::string(30, 'L'), {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"1234567", "", {'1', '2', '3', '4', '5', '6', '7', 0x00, 0x00, 0xFF}},
  };
  for (const Case& c : cases) {
    RecordingConfig config;
    LoggedLine line = ExampleLine();
    line[kColInstrument] = c.instrument;
    line[kColLabel] = c.label;
    config.lines = {line};
    const std::vector<uint8_t> image = Bytes(BuildConfigImage(config, ','));
    EXPECT_EQ(Slice(image, 64, c.bytes.size()), c.bytes) << c.instrument;
    if (c.label.size() >= 24) {
      EXPECT_EQ(Slice(image, 72, 24), long_label);
    }
    if (c.label == "abc") {
      EXPECT_EQ(Slice(image, 76, 20), std::vector<uint8_t>(20, 0xFF));
    }
  }
}

TEST(BuildConfigImage, NumberFieldsAndTheirConversions) {
  RecordingConfig config;
  config.intervals = {"0,5", "1,25", "60", "3600"};
  config.baud_position = 7;  // 115200
  LoggedLine line = ExampleLine();
  line[kColInstrumentAddress] = "10h";
  line[kColRegister] = "H";
  line[kColRegisterAddress] = "";
  line[kColNumberType] = "S";
  line[kColMultiplier] = "0.5";  // from a file written with the other separator
  line[kColMinimum] = "-1,5";
  config.lines = {line};
  const std::vector<uint8_t> image = Bytes(BuildConfigImage(config, ','));
  EXPECT_EQ(Slice(image, 20, 8), (std::vector<uint8_t>{0, 0, 0, 0x32, 1, 0, 0, 0x19}));
  EXPECT_EQ(Slice(image, 36, 4), (std::vector<uint8_t>{0x00, 0xC2, 0x01, 0x00}));
  EXPECT_EQ(Slice(image, 64 + 36, 16), (std::vector<uint8_t>{0x10, 0, 0, 0, 0x48, 0, 0, 0, 0xFF,
                                                             0xFF, 0xFF, 0xFF, 'S', 0, 0, 0}));
  EXPECT_EQ(Slice(image, 64 + 52, 8), (std::vector<uint8_t>{0, 0, 0, 0x3F, 0, 0, 0xC0, 0xBF}));

  // A type whose size character lies above 0x80 widens with the sign.
  line[kColNumberType] = "Fč";
  config.lines = {line};
  EXPECT_EQ(Slice(Bytes(BuildConfigImage(config, ',')), 64 + 48, 4),
            (std::vector<uint8_t>{'F', 0xE8, 0xFF, 0xFF}));
}

// A decimal address is read as a 32-bit conversion reads it: beyond 32 bits it saturates.
TEST(BuildConfigImage, DecimalAddressesBeyondThirtyTwoBitsSaturate) {
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"4294967297", {0xFF, 0xFF, 0xFF, 0x7F}},
      {"-4294967297", {0x00, 0x00, 0x00, 0x80}},
      {"2147483647", {0xFF, 0xFF, 0xFF, 0x7F}},
      {"17", {0x11, 0, 0, 0}},
      {"1Fh", {0x1F, 0, 0, 0}},
  };
  for (const auto& [text, bytes] : cases) {
    SCOPED_TRACE(text);
    RecordingConfig config;
    config.lines = {ExampleLine()};
    config.lines[0][kColInstrumentAddress] = text;
    config.lines[0][kColRegisterAddress] = text;
    const std::vector<uint8_t> image = Bytes(BuildConfigImage(config, ','));
    EXPECT_EQ(Slice(image, 64 + 36, 4), bytes);
    EXPECT_EQ(Slice(image, 64 + 44, 4), bytes);
  }
}

TEST(BuildConfigImage, AFieldThatDoesNotConvertThrowsTheConversionError) {
  struct Case {
    const char* what;
    RecordingConfig config;
  };
  RecordingConfig point_interval;
  point_interval.intervals[0] = "0.5";  // typed with the wrong separator
  RecordingConfig empty_timeout;
  empty_timeout.timeout = "";
  RecordingConfig no_baud;
  no_baud.baud_position = -1;
  RecordingConfig bad_multiplier;
  bad_multiplier.lines = {ExampleLine()};
  bad_multiplier.lines[0][kColMultiplier] = "1,o";
  RecordingConfig empty_maximum;
  empty_maximum.lines = {ExampleLine()};
  empty_maximum.lines[0][kColMaximum] = "";
  // Beyond single precision: the image would hold an infinity.
  RecordingConfig huge_multiplier, huge_minimum, huge_maximum;
  huge_multiplier.lines = huge_minimum.lines = huge_maximum.lines = {ExampleLine()};
  huge_multiplier.lines[0][kColMultiplier] = "1E39";
  huge_minimum.lines[0][kColMinimum] = "-3,5E38";
  huge_maximum.lines[0][kColMaximum] = "1e300";
  const Case cases[] = {{"'0.5' is not a valid floating point value", point_interval},
                        {"'' is not a valid integer value", empty_timeout},
                        {"'' is not a valid integer value", no_baud},
                        {"'1,o' is not a valid floating point value", bad_multiplier},
                        {"'' is not a valid floating point value", empty_maximum},
                        {"'1E39' is not a valid floating point value", huge_multiplier},
                        {"'-3,5E38' is not a valid floating point value", huge_minimum},
                        {"'1e300' is not a valid floating point value", huge_maximum}};
  for (const Case& c : cases) {
    try {
      BuildConfigImage(c.config, ',');
      ADD_FAILURE() << c.what;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.what);
    }
  }
}

TEST(ReadBackConfigImage, RoundTripLosesWhatTheImageCannotHold) {
  RecordingConfig written;
  written.job_name = "Kotelna";
  written.days = "12";
  written.intervals = {"0,5", "2,347", "60", "10"};
  written.baud_position = 5;
  written.databits_position = 0;
  written.parity_position = 2;
  written.stopbits_position = 1;
  written.timeout = "0x20";
  written.delay = "7";
  written.lines = {
      {"Elektroměr", "Teplota výstupní vody za kotlem", "2", "10h", "R", "5", "F4", "0,5", "-10",
       "100", "3"},
      {"Tlak", "P", "1", "", "H", "0010h", "S2", "1", "0", "0", ""},
  };

  RecordingConfig read;  // a freshly started window
  read.lines = {LoggedLine{}};
  read.lines[0][kColOffset] = "kept";
  ASSERT_TRUE(ReadBackConfigImage(Bytes(BuildConfigImage(written, ',')), read, ','));
  EXPECT_EQ(read.job_name, "");
  EXPECT_EQ(read.days, "30");
  EXPECT_EQ(read.intervals, (std::array<std::string, 4>{"0,5", "2,35", "60", "10"}));
  EXPECT_EQ(read.baud_position, 5);
  EXPECT_EQ(read.databits_position, 0);
  EXPECT_EQ(read.parity_position, 2);
  EXPECT_EQ(read.stopbits_position, 1);
  EXPECT_EQ(read.timeout, "32");
  EXPECT_EQ(read.delay, "7");
  ASSERT_EQ(read.lines.size(), 2u);
  EXPECT_EQ(read.lines[0], (LoggedLine{"Elektrom", "Teplota výstupní vody za", "2", "10h", "R",
                                       "05h", "F4", "0,5", "-10", "100", "kept"}));
  EXPECT_EQ(read.lines[1],
            (LoggedLine{"Tlak", "P", "1", "FFFFFFFFh", "H", "10h", "S2", "1", "0", "0", ""}));

  // Reals come back as single precision holds them.
  written.lines[0][kColMultiplier] = "0,1";
  ASSERT_TRUE(ReadBackConfigImage(Bytes(BuildConfigImage(written, ',')), read, '.'));
  EXPECT_EQ(read.lines[0][kColMultiplier], "0.100000001490116");
}

TEST(ReadBackConfigImage, ShortImagesNegativeCountsAndUnknownChoices) {
  RecordingConfig config;
  config.lines = {ExampleLine()};
  std::string image = BuildConfigImage(config, ',');

  RecordingConfig untouched = config;
  EXPECT_FALSE(ReadBackConfigImage(Bytes(image.substr(0, 8191)), untouched, ','));
  EXPECT_EQ(untouched, config);

  image[16] = static_cast<char>(0x80);  // -128 lines
  image[36] = 0x81;                     // baud 9601: not in the list
  image[41] = 4;                        // no fifth parity
  RecordingConfig read = config;
  ASSERT_TRUE(ReadBackConfigImage(Bytes(image), read, ','));
  EXPECT_TRUE(read.lines.empty());
  EXPECT_EQ(read.baud_position, -1);
  EXPECT_EQ(read.parity_position, -1);
  EXPECT_EQ(read.databits_position, 1);
}

TEST(HexSuffixedText, AtLeastTwoUpperCaseDigits) {
  EXPECT_EQ(HexSuffixedText(10), "0Ah");
  EXPECT_EQ(HexSuffixedText(0), "00h");
  EXPECT_EQ(HexSuffixedText(0x1234), "1234h");
  EXPECT_EQ(HexSuffixedText(-1), "FFFFFFFFh");
}

}  // namespace
}  // namespace korvan
