#include "data/series_style.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

TEST(StyleEnablingTest, FollowsTypeThicknessAndPointSize) {
  struct Case {
    int type, thickness, point_size;
    SeriesStyleEnabling expected;
  };
  const Case cases[] = {
      {0, 1, 0, {true, true, false}},   {0, 2, 0, {false, true, false}},
      {0, 0, 3, {false, true, true}},   {1, 1, 1, {true, true, true}},
      {1, 10, 0, {false, true, false}}, {2, 1, 3, {false, false, false}},
      {2, 0, 0, {false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.type << " " << c.thickness << " " << c.point_size);
    EXPECT_EQ(StyleEnabling(c.type, c.thickness, c.point_size), c.expected);
  }
}

TEST(SeriesStyleTest, FastDisplayKeepsColourAndPointStyle) {
  EXPECT_EQ(FastDisplayStyle({2, 0x123456, 0, 3, 5, 6}), (SeriesStyle{0, 0x123456, 1, 0, 0, 6}));
}

TEST(SeriesStyleTest, KindFollowsTypeMarksAndDashes) {
  struct Case {
    SeriesStyle style;
    SeriesKind kind;
  };
  const Case cases[] = {
      {{0, 255, 2, 0, 0, 3}, kFastLine}, {{0, 255, 0, 4, 0, 0}, kFastLine},
      {{0, 255, 2, 3, 0, 0}, kFastLine},  // dashes are drawn only one pixel wide
      {{0, 255, 1, 1, 0, 0}, kLine},     {{0, 255, 1, 0, 0, 0}, kFastLine},
      {{0, 255, 0, 0, 1, 0}, kLine},     {{1, 255, 2, 0, 0, 0}, kLine},
      {{2, 255, 1, 1, 5, 0}, kBars},     {{2, 255, 0, 0, 0, 0}, kBars},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    EXPECT_EQ(SeriesKindOf(c.style), c.kind);
  }
}

TEST(SeriesStyleTest, ReadBackKeepsWhatTheSeriesKindDraws) {
  const SeriesStyle shown{0, 0x0000FF, 5, 4, 9, 7};
  struct Case {
    SeriesStyle style, read;
  };
  const Case cases[] = {
      {{1, 0x123456, 1, 3, 4, 6}, {1, 0x123456, 1, 3, 4, 6}},  // stairs with marks
      {{0, 0x123456, 0, 0, 2, 5}, {0, 0x123456, 0, 0, 2, 5}},  // marks without a line
      {{1, 0x123456, 3, 2, 0, 6}, {1, 0x123456, 3, 2, 0, 6}},  // invisible marks keep shape
      {{0, 0x123456, 1, 1, 0, 6}, {0, 0x123456, 1, 1, 0, 6}},
      {{0, 0x123456, 2, 3, 0, 6}, {0, 0x123456, 2, 3, 0, 0}},  // fast line keeps line style
      {{2, 0x123456, 0, 1, 2, 3}, {2, 0x123456, 0, 4, 9, 7}},  // bars: the rest as shown
      {{0, 0x7F00FF00, 2, 0, 0, 0}, {0, 0x00FF00, 2, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    EXPECT_EQ(ReadBackStyle(c.style, shown), c.read);
  }
}

TEST(SeriesStyleTest, ColourValuesSwapRedAndBlue) {
  EXPECT_EQ(ColorToRgb(255), 0xFF0000u);       // red
  EXPECT_EQ(ColorToRgb(33023), 0xFF8000u);     // orange
  EXPECT_EQ(ColorToRgb(16711680), 0x0000FFu);  // blue
  EXPECT_EQ(RgbToColor(0x808000), 32896u);     // olive
  EXPECT_EQ(RgbToColor(ColorToRgb(0x123456)), 0x123456u);
}

}  // namespace
}  // namespace korvan
