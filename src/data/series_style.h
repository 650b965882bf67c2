#pragma once

#include <cstdint>

namespace korvan {

// The graph's channels, numbered 0-7 in code (channel n of the window is n - 1).
inline constexpr int kChannels = 8;

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

// The three kinds of chart series that draw a style.
enum SeriesKind { kFastLine = 0, kLine = 1, kBars = 2 };

// Bars for type 2; the line kind for stairs, for point marks, or for a one-pixel line that is
// not solid; the fast line otherwise.
SeriesKind SeriesKindOf(const SeriesStyle& style);

// What the style dialog is shown for a channel drawn in `style`, `shown` being what it showed
// before: the chart keeps only what its series kind draws. Bars draw no line style, point size
// or point style, so those stay as shown; a fast line has no point marks, hence no point style.
// A line whose marks are invisible keeps their shape.
SeriesStyle ReadBackStyle(const SeriesStyle& style, const SeriesStyle& shown);

}  // namespace korvan
