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

TEST(SeriesStyleTest, ColourValuesSwapRedAndBlue) {
  EXPECT_EQ(ColorToRgb(255), 0xFF0000u);       // red
  EXPECT_EQ(ColorToRgb(33023), 0xFF8000u);     // orange
  EXPECT_EQ(ColorToRgb(16711680), 0x0000FFu);  // blue
  EXPECT_EQ(RgbToColor(0x808000), 32896u);     // olive
  EXPECT_EQ(RgbToColor(ColorToRgb(0x123456)), 0x123456u);
}

}  // namespace
}  // namespace korvan
