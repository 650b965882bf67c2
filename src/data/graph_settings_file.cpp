#include "data/graph_settings_file.h"

#include <algorithm>
#include <cmath>

#include "app/data_location.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "data/measurement_folder.h"
#include "platform/paths.h"

namespace korvan {

namespace {

constexpr double kNoStoredSettings = -123456;

// Scales dialog keys, in the order of ScaleBound.
constexpr std::array<const char*, 4> kBoundKeys = {"Left.Minimum", "Left.Maximum", "Right.Minimum",
                                                   "Right.Maximum"};
constexpr std::array<const char*, 4> kChoiceKeys = {"Left.Auto_Minimum", "Left.Auto_Maximum",
                                                    "Right.Auto_Minimum", "Right.Auto_Maximum"};
constexpr std::array<const char*, 4> kTextDefaults = {"0", "", "0", ""};
constexpr std::array<int, 4> kChoiceDefaults = {0, 1, 0, 1};

std::string SeriesSection(size_t channel) { return "Series" + std::to_string(channel + 1); }

// An index read from the file that a control cannot show falls back to the key's default.
int ReadIndex(const IniFile& ini, const std::string& section, const char* key, int default_value,
              int count) {
  int value = ini.ReadInteger(section, key, default_value);
  return value >= 0 && value < count ? value : default_value;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void WriteGraphSettingsFile(const std::string& path, const GraphViewState& state,
                            char decimal_separator) {
  if (!DirectoryExists(FolderOf(path))) return;

  // Keys go into a fresh document so that the result has exactly the fixed order; the target
  // is then replaced whole, whatever it held before.
  IniDocument ini;
  const char sep = decimal_separator;
  ini.WriteFloat("Chart", "Left.Minimum", state.left_min, sep);
  ini.WriteFloat("Chart", "Left.Maximum", state.left_max, sep);
  ini.WriteFloat("Chart", "Right.Minimum", state.right_min, sep);
  ini.WriteFloat("Chart", "Right.Maximum", state.right_max, sep);
  ini.WriteFloat("Chart", "Time.Minimum", state.time_min, sep);
  ini.WriteFloat("Chart", "Time.Maximum", state.time_max, sep);
  for (size_t i = 0; i < 4; ++i) ini.WriteString("Scales", kBoundKeys[i], state.scales.texts[i]);
  ini.WriteFloat("Scales", "Time.Minimum", state.range_from, sep);
  ini.WriteFloat("Scales", "Time.Maximum", state.range_to, sep);
  for (size_t i = 0; i < 4; ++i)
    ini.WriteInteger("Scales", kChoiceKeys[i], state.scales.choices[i]);
  for (size_t n = 0; n < state.channels.size(); ++n) {
    const ChannelView& channel = state.channels[n];
    const std::string section = SeriesSection(n);
    ini.WriteInteger(section, "Value", channel.value);
    ini.WriteInteger(section, "Axe", channel.axis);
    ini.WriteInteger(section, "Color", channel.style.color);
    ini.WriteInteger(section, "Type", channel.style.type);
    ini.WriteInteger(section, "LineThickness", channel.style.line_thickness);
    ini.WriteInteger(section, "LineStyle", channel.style.line_style);
    ini.WriteInteger(section, "PointSize", channel.style.point_size);
    ini.WriteInteger(section, "PointStyle", channel.style.point_style);
  }

  StoreIniDocument(path, ini);
}

bool ReadGraphSettingsFile(const std::string& path, GraphViewState& state, double now) {
  const IniFile ini(path);
  const double left_max = ini.ReadFloat("Chart", "Left.Maximum", kNoStoredSettings);
  if (left_max == kNoStoredSettings) return false;

  GraphViewState read;
  read.left_min = ini.ReadFloat("Chart", "Left.Minimum", 10);
  read.left_max = left_max;
  read.right_min = ini.ReadFloat("Chart", "Right.Minimum", 0);
  read.right_max = ini.ReadFloat("Chart", "Right.Maximum", 10);
  read.time_min = ini.ReadFloat("Chart", "Time.Minimum", 0);
  read.time_max = ini.ReadFloat("Chart", "Time.Maximum", now);
  for (size_t i = 0; i < 4; ++i) {
    read.scales.texts[i] = ini.ReadString("Scales", kBoundKeys[i], kTextDefaults[i]);
    read.scales.choices[i] = ReadIndex(ini, "Scales", kChoiceKeys[i], kChoiceDefaults[i], 3);
  }
  read.range_from = ini.ReadFloat("Scales", "Time.Minimum", 0);
  read.range_to = ini.ReadFloat("Scales", "Time.Maximum", 0);

  for (size_t n = 0; n < read.channels.size(); ++n) {
    ChannelView& channel = read.channels[n];
    const std::string section = SeriesSection(n);
    // A negative index selects nothing, which the graph shows as "Nezobrazuj" anyway.
    channel.value = std::max(0, ini.ReadInteger(section, "Value", 0));
    channel.axis = ini.ReadInteger(section, "Axe", 0) != 0 ? 1 : 0;
    SeriesStyle& style = channel.style;
    const int32_t color = ini.ReadInteger(section, "Color", kDefaultChannelColors[n]);
    // System colours and "none" have bits above blue; they cannot be shown as a swatch.
    style.color = (static_cast<uint32_t>(color) & 0xFF000000u) == 0 ? static_cast<uint32_t>(color)
                                                                    : kDefaultChannelColors[n];
    style.type = ReadIndex(ini, section, "Type", 0, kSeriesTypeCount);
    style.line_thickness = ReadIndex(ini, section, "LineThickness", 2, kLineThicknessCount);
    style.line_style = ReadIndex(ini, section, "LineStyle", 0, kLineStyleCount);
    style.point_size = ReadIndex(ini, section, "PointSize", 0, kPointSizeCount);
    style.point_style = ReadIndex(ini, section, "PointStyle", 0, kPointStyleCount);
  }
  state = std::move(read);
  return true;
}

bool ViewOfFolder(const std::string& dir, uint32_t line_count, double now, GraphViewState& state) {
  state = GraphViewState{};
  if (ReadGraphSettingsFile(CardSetPath(dir, kGraphIniFile), state, now)) {
    for (ChannelView& channel : state.channels) {
      if (channel.value < 0 || static_cast<uint32_t>(channel.value) > line_count) {
        channel.value = 0;
      }
    }
    return true;
  }
  state.time_min = std::floor(now);
  state.time_max = std::floor(now) + 1;
  state.left_max = 10;
  state.right_max = 10;
  for (int n = 0; n < kChannels; ++n) {
    state.channels[n].style = {0, kDefaultChannelColors[n], n < 2 ? 1 : 2, 0, 0, 0};
  }
  return false;
}

}  // namespace korvan
