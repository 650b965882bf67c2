#include "app/cp1250.h"

#include <gtest/gtest.h>

#include <string>

namespace korvan {
namespace {

TEST(Cp1250Test, CzechLettersAndSpecialBytes) {
  struct Case {
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"Plain ASCII; 0-9", "Plain ASCII; 0-9"},
      {"M\xEC\xF8\x65n\xED", "Měření"},
      {"\x8A\x8D\x8E\x9A\x9D\x9E", "ŠŤŽšťž"},
      {"\xC8\xD8\xCC\xC1\xC9\xCD\xD3\xDA\xD9\xDD", "ČŘĚÁÉÍÓÚŮÝ"},
      {"\x80 \x99 \x89 \xA0", "€ ™ ‰ \u00A0"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      // The five undefined bytes travel as the C1 controls of the same value.
      {"\x81\x83\x88\x90\x98", "\u0081\u0083\u0088\u0090\u0098"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1250ToUtf8(c.bytes), c.utf8) << c.utf8;
    EXPECT_EQ(Utf8ToCp1250(c.utf8), c.bytes) << c.utf8;
  }
}

TEST(Cp1250Test, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = Cp1250ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1250(utf8), all);
  // Distinct bytes must give distinct characters, or the round trip above would be luck.
  for (int b = 0x80; b < 256; ++b) {
    std::string one = Cp1250ToUtf8(std::string(1, static_cast<char>(b)));
    EXPECT_GE(one.size(), 2u) << b;
    EXPECT_EQ(Utf8ToCp1250(one), std::string(1, static_cast<char>(b))) << b;
  }
}

TEST(Cp1250Test, CharactersWithoutAFormAndBrokenUtf8BecomeQuestionMarks) {
  struct Case {
    std::string utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {"日本", "??"},
      {"x\xF0\x9F\x98\x80y", "x?y"},  // emoji, 4 bytes
      {"\u0080\u0082\u00FF", "???"},  // C1 controls other than the five, ÿ
      {"\xC3", "?"},                  // truncated at the end
      {"\xC3x", "?x"},                // continuation missing
      {"\xE2\x82", "?"},              // truncated 3-byte form, replaced as a whole
      {"\x80\xBF", "??"},             // stray continuations
      {"\xC0\xAF", "??"},             // overlong "/"
      {"\xE0\x80\xAF", "???"},        // overlong 3-byte form
      {"\xED\xA0\x80", "???"},        // surrogate
      {"\xF4\x90\x80\x80", "????"},   // above U+10FFFF
      {"\xFF\xFE", "??"},
      {"ok\xE2\x82\xAC", "ok\x80"},  // € after ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1250(c.utf8), c.bytes);
  }
}

}  // namespace
}  // namespace korvan
