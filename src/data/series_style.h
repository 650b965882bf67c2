#pragma once

#include <cstdint>

namespace korvan {

// Between window-system colour values (red in the low byte, then green, then blue) and
// 0xRRGGBB (the colour chooser's form).
uint32_t ColorToRgb(uint32_t color);
uint32_t RgbToColor(uint32_t rgb);

// One channel's drawing style as the item indices of the series style dialog.
struct SeriesStyle {
  int type = 0;            // 0 line, 1 line as stairs, 2 bars
  uint32_t color = 255;    // window-system colour value
  int line_thickness = 2;  // 0 no line, 1..10 pixels
  int line_style = 0;      // 0 solid .. 4 dash-dot-dot
  int point_size = 0;      // 0 no marks, 1..10 pixels
  int point_style = 0;     // 0 square .. 7 diamond
  bool operator==(const SeriesStyle&) const = default;
};

inline constexpr int kSeriesTypeCount = 3;
inline constexpr int kLineThicknessCount = 11;
inline constexpr int kLineStyleCount = 5;
inline constexpr int kPointSizeCount = 11;
inline constexpr int kPointStyleCount = 8;

// Which controls of the series style dialog are enabled (each with its label); the line
// thickness always is.
struct SeriesStyleEnabling {
  bool line_style = true;
  bool point_size = true;
  bool point_style = true;
  bool operator==(const SeriesStyleEnabling&) const = default;
};

SeriesStyleEnabling StyleEnabling(int type, int line_thickness, int point_size);

// The style that the fast line series draws: colour and point style stay.
SeriesStyle FastDisplayStyle(const SeriesStyle& style);

}  // namespace korvan
