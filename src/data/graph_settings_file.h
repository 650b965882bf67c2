#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/card_files.h"
#include "data/scales_state.h"
#include "data/series_style.h"

namespace korvan {

// Each channel's colour when the file names none (window-system colour values).
inline constexpr std::array<uint32_t, kChannels> kDefaultChannelColors = {
    255, 33023, 65535, 65280, 16776960, 16711680, 16711935, 32896};

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
  std::array<ChannelView, kChannels> channels;
  bool operator==(const GraphViewState&) const = default;
};

// Writes the whole file: sections and keys in their fixed order, floats in the general
// format with decimal_separator. An existing file is replaced, not merged into. When the
// target's folder does not exist nothing is written. Throws Error when writing fails.
void WriteGraphSettingsFile(const std::string& path, const GraphViewState& state,
                            char decimal_separator);

// Reads the file into state and returns true, or returns false and leaves state untouched
// when it holds no stored settings (no Chart Left.Maximum, a missing file included). Missing
// or unreadable keys give their defaults (Time.Maximum: now); style values out of their
// ranges give the key's default. Value is returned as stored, even beyond the measurement.
// Reals are read with either decimal separator.
bool ReadGraphSettingsFile(const std::string& path, GraphViewState& state, double now);

// The view a graph window has after opening the card folder dir: its stored GRAPH.INI (lines
// the measurement lacks show nothing) or the window's initial one (no line shown, today's time
// axis); true when it was stored. The range is left for the caller.
bool ViewOfFolder(const std::string& dir, uint32_t line_count, double now, GraphViewState& state);

}  // namespace korvan
