#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvan {

// Bounds of the two value axes in the order of the scales dialog.
enum ScaleBound { kLeftMin = 0, kLeftMax = 1, kRightMin = 2, kRightMax = 3 };

// The scales dialog's state: per bound 0 = typed value, 1 = data extreme, 2 = data extreme
// with zero included; the value texts are kept as typed.
struct ScalesState {
  std::array<int, 4> choices{2, 2, 2, 2};
  std::array<std::string, 4> texts;
  bool operator==(const ScalesState&) const = default;
};

inline constexpr char kCrossedBoundsText[] = "Horní mez je nižší než dolní !";

// The scales dialog's OK check. Converts the text of every bound whose choice is 0 (left
// minimum first) and throws Error "'%s' is not a valid floating point value" for the first
// that is not a number. Returns false when both bounds of one axis are typed values and the
// minimum is above the maximum (equal bounds pass); the dialog then shows kCrossedBoundsText.
bool ScalesBoundsValid(const ScalesState& state, char decimal_separator);

// Colours here are window-system colour values: red in the low byte, then green, then blue.
inline constexpr std::array<uint32_t, 8> kDefaultChannelColors = {
    255, 33023, 65535, 65280, 16776960, 16711680, 16711935, 32896};

// Between window-system colour values and 0xRRGGBB (the colour chooser's form).
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

struct ChannelView {
  int value = 0;  // 0 = "Nezobrazuj", k = line k - 1 of the measurement (may exceed them)
  int axis = 0;   // 0 left, 1 right
  SeriesStyle style;
  bool operator==(const ChannelView&) const = default;
};

// Everything GRAPH.INI holds. Times are days since 30 December 1899.
struct GraphViewState {
  double left_min = 0, left_max = 0, right_min = 0, right_max = 0, time_min = 0, time_max = 0;
  ScalesState scales;
  double range_from = 0, range_to = 0;  // the "Od"/"Do" range
  std::array<ChannelView, 8> channels;
  bool operator==(const GraphViewState&) const = default;
};

inline constexpr char kGraphSettingsFileName[] = "GRAPH.INI";

// Writes the whole file: sections and keys in their fixed order, floats in the general
// format with decimal_separator. An existing file is replaced, not merged into. When the
// target's folder does not exist nothing is written. Throws Error when writing fails.
void WriteGraphSettingsFile(const std::string& path, const GraphViewState& state,
                            char decimal_separator);

// Reads the file into state and returns true, or returns false and leaves state untouched
// when it holds no stored settings (no Chart Left.Maximum, a missing file included). Missing
// or unreadable keys give their defaults (Time.Maximum: now); style values out of their
// ranges give the key's default. Value is returned as stored, even beyond the measurement.
bool ReadGraphSettingsFile(const std::string& path, GraphViewState& state, double now,
                           char decimal_separator);

}  // namespace korvan
