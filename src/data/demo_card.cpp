#include "data/demo_card.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/encodings.h"
#include "app/error.h"
#include "config/recording_config.h"
#include "config/settings_file.h"
#include "data/graph_settings_file.h"
#include "data/log_writer.h"
#include "instruments/instrument_list.h"
#include "instruments/quantity_file.h"
#include "platform/files.h"

namespace korvan {

namespace {

constexpr int kDays = 7;
constexpr int kStepSeconds = 10;

// A smooth daily swing with a little deterministic ripple, so that the chart looks real.
double Wave(double day_fraction, double base, double swing, double ripple, uint32_t n) {
  double daily = std::sin(2.0 * M_PI * (day_fraction - 0.3));
  double noise = std::sin(n * 12.9898) * 43758.5453;
  noise -= std::floor(noise);
  return base + swing * daily + ripple * (noise - 0.5);
}

}  // namespace

void WriteDemoCard(const std::string& dir, double last_day, char decimal_separator) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  RecordingConfig config;
  config.job_name = "Kotelna - týdenní záznam";
  config.days = "7";
  config.intervals = {"10", "60", "60", "60"};
  auto line = [](const char* instrument, const char* label, const char* address, const char* reg,
                 const char* type, const char* multiplier, const char* min, const char* max) {
    return LoggedLine{instrument, label, "1", address, "H", reg, type, multiplier, min, max, ""};
  };
  config.lines = {
      line("Teploměr", "Teplota vody [°C]", "01h", "0", "F4", "1", "0", "0"),
      line("Teploměr", "Teplota vzduchu [°C]", "01h", "2", "S2", "0,1", "-50", "100"),
      line("Elektroměr", "Příkon [kW]", "02h", "10", "U4", "0,01", "0", "0"),
      line("Elektroměr", "Napětí [V]", "02h", "12", "A4", "1", "0", "0"),
  };
  if (decimal_separator != ',') {
    for (auto& l : config.lines) {
      for (auto& cell : l) {
        for (char& c : cell) {
          if (c == ',') c = decimal_separator;
        }
      }
    }
  }
  ApplyFileSize(config, CalcMB(config, decimal_separator));
  InstrumentList instruments;
  instruments.rows = {{"01h", "Teploměr", "teplomer.csv"}, {"02h", "Elektroměr", "elektromer.csv"}};
  WriteSettingsFile(dir + "/CONFIG.INI", config, instruments, decimal_separator);

  std::string log;
  const uint32_t blocks = kDays * 86400 / kStepSeconds;
  log.reserve(static_cast<size_t>(blocks) * 36);
  const double start = last_day - kDays;
  for (uint32_t n = 0; n < blocks; ++n) {
    const double t = start + static_cast<double>(n) * kStepSeconds / 86400.0;
    const double day_fraction = t - std::floor(t);
    const float water = static_cast<float>(Wave(day_fraction, 62.0, 8.0, 0.6, n));
    const auto air = static_cast<int16_t>(std::lround(Wave(day_fraction, 18.0, 6.0, 0.8, n) * 10));
    const auto power = static_cast<uint32_t>(
        std::lround(std::max(0.0, Wave(day_fraction, 35.0, 20.0, 1.5, n)) * 100));
    // Decimal float word: mantissa in tenths, exponent -1.
    const auto volts =
        static_cast<uint32_t>(std::lround(Wave(day_fraction, 230.0, 3.0, 0.4, n) * 10));
    const uint32_t volt_word = 0x81000000u | (volts & 0x7FFFFF);
    std::vector<LogEntry> entries = {
        {0, std::bit_cast<uint32_t>(water)}, {1, static_cast<uint16_t>(air)}, {2, power}};
    if (n % 6 == 0) entries.push_back({3, volt_word});  // the voltage once a minute
    // The last minute was recorded in fast mode, with hundredths of a second.
    std::optional<uint16_t> ms;
    if (n + 6 >= blocks) ms = MillisecondWord(static_cast<uint16_t>((n % 4) * 250));
    AppendLogBlock(log, PackStamp(t, t), ms, entries);
  }
  // The logger pre-sizes the file and fills the rest with 0xFF.
  log.append(64 * 1024, static_cast<char>(0xFF));
  std::string reason;
  if (!WriteFileAtomically(dir + "/LOG.BIN", log, &reason)) {
    throw Error("Soubor " + dir + "/LOG.BIN nelze zapsat: " + reason);
  }

  // A view to open with: temperatures and power on the left, voltage on the right, each in
  // another style; the range is the data's, so no question is asked.
  GraphViewState view;
  const double last = start + static_cast<double>(blocks - 1) * kStepSeconds / 86400.0;
  view.left_min = 0;
  view.left_max = 80;
  view.right_min = 220;
  view.right_max = 240;
  view.time_min = start;
  view.time_max = last;
  view.range_from = start;
  view.range_to = std::floor(last * 86400.0 + 0.5) / 86400.0;
  view.channels[0] = {1, 0, {0, kDefaultChannelColors[0], 1, 0, 0, 0}};
  view.channels[1] = {2, 0, {1, kDefaultChannelColors[1], 2, 0, 0, 0}};
  view.channels[2] = {3, 0, {0, kDefaultChannelColors[5], 1, 1, 0, 0}};
  view.channels[3] = {4, 1, {0, kDefaultChannelColors[6], 1, 0, 2, 1}};
  for (int n = 4; n < 8; ++n) view.channels[n].style.color = kDefaultChannelColors[n];
  WriteGraphSettingsFile(dir + "/" + kGraphSettingsFileName, view, decimal_separator);
}

void WriteDemoQuantityFiles(const std::string& quantity_dir, char decimal_separator) {
  std::error_code ec;
  std::filesystem::create_directories(quantity_dir, ec);
  const std::string tenth = decimal_separator == ',' ? "0,1" : "0.1";
  const std::string hundredth = decimal_separator == ',' ? "0,01" : "0.01";
  struct File {
    const char* name;
    std::vector<QuantityRow> rows;
  };
  const File files[] = {
      {"teplomer.csv",
       {{"H", "0", "Teplota vody [°C]", "F4", "1", "0", "0", ""},
        {"H", "2", "Teplota vzduchu [°C]", "S2", tenth, "-50", "100", ""},
        {"H", "4", "Vlhkost [%]", "U2", tenth, "0", "100", ""}}},
      {"elektromer.csv",
       {{"H", "10", "Příkon [kW]", "U4", hundredth, "0", "0", ""},
        {"H", "12", "Napětí [V]", "A4", "1", "0", "0", ""},
        {"H", "14", "Proud [A]", "A4", "1", "0", "0", ""},
        {"H", "16", "Energie [kWh]", "U4", tenth, "0", "0", ""}}},
  };
  for (const File& file : files) {
    QuantityTable table;
    std::copy(file.rows.begin(), file.rows.end(), table.rows.begin());
    table.file_name = quantity_dir + (quantity_dir.ends_with('/') ? "" : "/") + file.name;
    SaveQuantityFile(table);
  }
}

}  // namespace korvan
