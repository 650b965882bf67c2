#include "sim/demo_card.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "app/numbers.h"
#include "app/user_dialogs.h"
#include "config/card_preparation.h"
#include "config/recording_config.h"
#include "data/graph_settings_file.h"
#include "instruments/instrument_list.h"
#include "instruments/quantity_file.h"
#include "sim/log_simulator.h"

namespace korvan {

namespace {

constexpr int kDays = 7;

// Preparation without anyone to ask: the demonstration replaces what the folder held.
class DemoDialogs : public UserDialogs {
 public:
  void ShowError(const std::string& text) override { throw Error(text); }
  bool Ask(const std::string&) override { return true; }
  bool Confirm(const std::string&) override { return true; }
  void Warn(const std::string&) override {}
  void Done(const std::string&) override {}
  std::optional<std::string> OpenFileName(const FileDialogOptions&) override { return {}; }
  std::optional<std::string> SaveFileName(const FileDialogOptions&) override { return {}; }
  std::string BrowseForFolder(const std::string&) override { return ""; }
  std::optional<uint32_t> ChooseColor(uint32_t) override { return {}; }
};

class NoProgress : public CardProgress {
 public:
  void SetMaximum(int64_t) override {}
  void SetPosition(int64_t) override {}
};

std::string WithSeparator(std::string text, char decimal_separator) {
  for (char& c : text) {
    if (c == ',') c = decimal_separator;
  }
  return text;
}

}  // namespace

void WriteDemoCard(const std::string& dir, double last_day, char decimal_separator) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  RecordingConfig config;
  config.job_name = "Kotelna - týdenní záznam";
  config.days = IntToStr(kDays);
  // Interval 4 in hundredths, ready for a fast quantity: the logger then stamps every block
  // with milliseconds.
  config.intervals = {"10", "60", "60", WithSeparator("0,5", decimal_separator)};
  auto line = [decimal_separator](const char* instrument, const char* label, const char* interval,
                                  const char* address, const char* reg, const char* type,
                                  const char* multiplier, const char* min, const char* max) {
    return LoggedLine{instrument, label, interval, address,
                      "H",        reg,   type,     WithSeparator(multiplier, decimal_separator),
                      min,        max,   ""};
  };
  config.lines = {
      line("Teploměr", "Teplota vody [°C]", "1", "01h", "0", "F4", "1", "20", "90"),
      line("Teploměr", "Teplota vzduchu [°C]", "1", "01h", "2", "S2", "0,1", "0", "40"),
      line("Elektroměr", "Příkon [kW]", "1", "02h", "10", "U4", "0,01", "0", "80"),
      line("Elektroměr", "Napětí [V]", "2", "02h", "12", "A4", "1", "210", "250"),
  };
  ApplyFileSize(config, CalcMB(config, decimal_separator));
  InstrumentList instruments;
  instruments.rows = {{"01h", "Teploměr", "teplomer.csv"}, {"02h", "Elektroměr", "elektromer.csv"}};

  DemoDialogs dialogs;
  NoProgress progress;
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir;
  PrepareCard(CardJob{config, instruments, location, decimal_separator, dialogs}, progress,
              CardSystem{});

  SimulationOptions options;
  options.days = kDays;
  options.start = last_day - kDays;
  const SimulationResult recorded = SimulateRecording(dir, options);

  // A view to open with: temperatures and power on the left, voltage on the right, each in
  // another style; the range is the data's, so no question is asked.
  GraphViewState view;
  view.left_min = 0;
  view.left_max = 100;
  view.right_min = 200;
  view.right_max = 260;
  view.time_min = recorded.first;
  view.time_max = recorded.last;
  view.range_from = recorded.first;
  view.range_to = std::floor(recorded.last * kSecondsPerDay + 0.5) / kSecondsPerDay;
  view.channels[0] = {1, 0, {0, kDefaultChannelColors[0], 1, 0, 0, 0}};
  view.channels[1] = {2, 0, {1, kDefaultChannelColors[1], 2, 0, 0, 0}};
  view.channels[2] = {3, 0, {0, kDefaultChannelColors[5], 1, 1, 0, 0}};
  view.channels[3] = {4, 1, {0, kDefaultChannelColors[6], 1, 0, 2, 1}};
  for (int n = 4; n < 8; ++n) view.channels[n].style.color = kDefaultChannelColors[n];
  WriteGraphSettingsFile(dir + "/" + kGraphIniFile, view, decimal_separator);
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
       {{"H", "0", "Teplota vody [°C]", "F4", "1", "20", "90", ""},
        {"H", "2", "Teplota vzduchu [°C]", "S2", tenth, "0", "40", ""},
        {"H", "4", "Vlhkost [%]", "U2", tenth, "0", "100", ""}}},
      {"elektromer.csv",
       {{"H", "10", "Příkon [kW]", "U4", hundredth, "0", "80", ""},
        {"H", "12", "Napětí [V]", "A4", "1", "210", "250", ""},
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
