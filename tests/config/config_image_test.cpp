#include "config/config_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace korvan {
namespace {

std::vector<uint8_t> EmptyImage(size_t size = kConfigImageSize) {
  return std::vector<uint8_t>(size, 0xFF);
}

void Put(std::vector<uint8_t>& image, size_t at, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(ParseConfigImage, HeaderOfTheDefaultConfigurationAndALineBlockBuiltByHand) {
  std::vector<uint8_t> image = EmptyImage();
  std::memcpy(image.data(), "Korvan-A v1.20", 15);
  Put(image, 16, {0x01, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00,
                  0x3C, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x80, 0x25, 0x00, 0x00,
                  0x01, 0x00, 0x00, 0xFF, 0x96, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00});
  // Elektroměr, Teplota, interval 2, address 01h, register R, 0010h, F4, 1, 0, 100.
  Put(image, 64,
      {0x45, 0x6C, 0x65, 0x6B, 0x74, 0x72, 0x6F, 0x6D, 0x54, 0x65, 0x70, 0x6C, 0x6F, 0x74, 0x61,
       0x00});
  Put(image, 96, {0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x52, 0x00, 0x00,
                  0x00, 0x10, 0x00, 0x00, 0x00, 0x46, 0x34, 0x00, 0x00, 0x00, 0x00,
                  0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x42});

  const ConfigImage parsed = ParseConfigImage(image);
  EXPECT_TRUE(parsed.complete);
  EXPECT_TRUE(parsed.has_intervals);
  const ConfigImageHeader& h = parsed.header;
  EXPECT_EQ(h.line_count, 1);
  EXPECT_EQ(h.interval_words, (std::array<uint32_t, 4>{10, 60, 60, 60}));
  EXPECT_EQ(h.baud, 9600);
  EXPECT_EQ(h.databits_position, 1);
  EXPECT_EQ(h.parity_position, 0);
  EXPECT_EQ(h.stopbits_position, 0);
  EXPECT_EQ(h.timeout, 150);
  EXPECT_EQ(h.pause, 10);

  ASSERT_EQ(parsed.lines.size(), 1u);
  const ConfigImageLine& line = parsed.lines[0];
  EXPECT_EQ(line.instrument, "Elektrom");
  EXPECT_EQ(line.label, "Teplota");
  EXPECT_EQ(line.interval_number, 2);
  EXPECT_EQ(line.address, 1);
  EXPECT_EQ(WordText(static_cast<uint32_t>(line.register_kind)), "R");
  EXPECT_EQ(line.register_address, 0x10);
  EXPECT_EQ(line.TypeLetter(), 'F');
  EXPECT_EQ(line.TypeDigitByte(), '4');
  EXPECT_EQ(WordText(static_cast<uint32_t>(line.number_type)), "F4");
  EXPECT_EQ(line.multiplier, 1.0f);
  EXPECT_EQ(line.minimum, 0.0f);
  EXPECT_EQ(line.maximum, 100.0f);
  EXPECT_TRUE(LimitIsSet(line.minimum));
}

TEST(ParseConfigImage, LinesFollowTheSignedCountByteAndTheBlocksPresent) {
  struct Case {
    uint8_t count;
    size_t size;
    size_t lines;
    bool complete;
  };
  const Case cases[] = {
      {127, kConfigImageSize, 127, true},
      {127, kConfigImageSize + 64, 127, true},  // bytes past the image are not lines
      {0x80, kConfigImageSize, 0, true},        // -128
      {0xFF, kConfigImageSize, 0, true},        // -1
      {5, 64 * 3, 2, false},
      {5, 64 * 3 - 1, 1, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image = EmptyImage(c.size);
    image[kHeaderLineCount] = c.count;
    const ConfigImage parsed = ParseConfigImage(image);
    EXPECT_EQ(parsed.lines.size(), c.lines) << int{c.count} << " " << c.size;
    EXPECT_EQ(parsed.complete, c.complete) << int{c.count} << " " << c.size;
  }
}

TEST(ParseConfigImage, AHeaderCutShortKeepsWhatIsMissingAtZero) {
  std::vector<uint8_t> image = EmptyImage(30);
  image[kHeaderLineCount] = 3;
  const ConfigImage parsed = ParseConfigImage(image);
  EXPECT_EQ(parsed.header.line_count, 3);
  EXPECT_FALSE(parsed.has_intervals);
  EXPECT_EQ(parsed.header.interval_words[0], 0u);
  EXPECT_EQ(parsed.header.baud, 0);
  EXPECT_TRUE(parsed.lines.empty());
  EXPECT_TRUE(ParseConfigImage({}).lines.empty());
}

TEST(ImageText, UpToTheFirstZeroNeverPastTheFieldWindows1250) {
  struct Case {
    std::vector<uint8_t> field;
    std::string text;
  };
  const Case cases[] = {
      {{'E', 'l', 'e', 'k', 't', 'r', 'o', 'm'}, "Elektrom"},  // no terminator
      {{0x8E, 'e', 'h', 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, "Žeh"},
      {{0x00, 'x', 'y', 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageText(c.field.data(), c.field.size()), c.text);
  }
  EXPECT_EQ(WordText(0x00003446), "F4");
  EXPECT_EQ(WordText(0x35343446, 2), "F4");  // the loader looks at letter and digit only
  EXPECT_EQ(WordText(0x00000048), "H");
}

TEST(LimitIsSet, OnlyAllBitsSetMeansNotSet) {
  EXPECT_FALSE(LimitIsSet(std::bit_cast<float>(0xFFFFFFFFu)));
  EXPECT_TRUE(LimitIsSet(std::bit_cast<float>(0x7FFFFFFFu)));
  EXPECT_TRUE(LimitIsSet(0.0f));
  EXPECT_TRUE(LimitIsSet(std::numeric_limits<float>::quiet_NaN()));
}

}  // namespace
}  // namespace korvan
