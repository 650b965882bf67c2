#include "config/settings_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "app/constants.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "app/user_dialogs.h"

namespace korvan {

namespace {

constexpr const char* kApplication = "Application";
constexpr const char* kCommunication = "Communication";
constexpr const char* kParam = "Param";
constexpr const char* kMeasure = "Measure";
constexpr const char* kInstrument = "Instrument";

std::string Join(const std::string* cells, size_t count) {
  std::string value;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) value += ';';
    value += cells[i];
  }
  return value;
}

// A list position from a stored number; anything outside the list selects nothing.
int Position(int64_t position, int count) {
  return position >= 0 && position < count ? static_cast<int>(position) : -1;
}

int ClampCount(int32_t count, int limit) { return std::clamp<int32_t>(count, 0, limit); }

}  // namespace

std::string LineKey(int number) {
  std::string digits = IntToStr(number);
  if (number >= 0 && digits.size() < 2) digits.insert(0, 1, '0');
  return "Line" + digits;
}

std::vector<std::string> SplitFields(std::string_view value, size_t max_fields) {
  std::vector<std::string> fields;
  while (fields.size() < max_fields) {
    size_t end = value.find(';');
    fields.emplace_back(value.substr(0, end));
    if (end == std::string_view::npos) break;
    value.remove_prefix(end + 1);
  }
  return fields;
}

bool VersionOlderThanChecked(std::string_view version) {
  return version < std::string_view(kFirstCheckedVersion);
}

void WriteSettingsFile(const std::string& path, const RecordingConfig& config,
                       const InstrumentList& instruments, char decimal_separator) {
  // In the order the file gets them, so the first bad field is the one reported.
  const int32_t file_size = StrToInt(config.file_size);
  const double days = StrToFloat(config.days, decimal_separator);
  std::array<double, kIntervalCount> intervals{};
  for (int k = 0; k < kIntervalCount; ++k) {
    intervals[k] = StrToFloat(config.intervals[k], decimal_separator);
  }

  // Built in memory and stored once, so that a failure leaves the old file whole.
  IniFile file(path);
  IniDocument& ini = file.Edit();
  ini.EraseSection(kParam);
  ini.EraseSection(kMeasure);
  ini.EraseSection(kInstrument);

  ini.WriteString(kApplication, "Name", kAppName);
  ini.WriteString(kApplication, "Version", kAppVersion);

  // Delphi's ItemIndex of an empty choice is -1, so these are what the original writes then.
  ini.WriteString(kCommunication, "Baud", config.BaudText());
  ini.WriteInteger(kCommunication, "Databit", config.databits_position + 7);
  ini.WriteInteger(kCommunication, "Parity", config.parity_position);
  ini.WriteInteger(kCommunication, "Stopbit", config.stopbits_position + 1);
  ini.WriteString(kCommunication, "Timeout", config.timeout);
  ini.WriteString(kCommunication, "Delay", config.delay);

  ini.WriteString(kParam, "JobName", config.job_name);
  ini.WriteInteger(kParam, "FileSize", file_size);
  ini.WriteFloat(kParam, "RecDays", days, decimal_separator);
  for (int k = 0; k < kIntervalCount; ++k) {
    ini.WriteFloat(kParam, "SavePeriod" + IntToStr(k + 1), intervals[k], decimal_separator);
  }

  ini.WriteInteger(kParam, "Measure", static_cast<int64_t>(config.lines.size()));
  for (size_t i = 0; i < config.lines.size(); ++i) {
    ini.WriteString(kMeasure, LineKey(static_cast<int>(i + 1)),
                    Join(config.lines[i].data(), kLineColumns));
  }

  ini.WriteInteger(kParam, "Instrument", instruments.Count());
  for (int j = 0; j < instruments.Count(); ++j) {
    const Instrument& instrument = instruments.rows[j];
    const std::string cells[3] = {instrument.address, instrument.description,
                                  instrument.quantity_file};
    ini.WriteString(kInstrument, LineKey(j + 1), Join(cells, 3));
  }
  file.Commit();
}

bool ReadSettingsFile(const std::string& path, RecordingConfig& config, InstrumentList& instruments,
                      char decimal_separator, UserDialogs& dialogs) {
  const IniFile ini(path);
  if (ini.ReadString(kApplication, "Name", "") != kAppName) return false;

  RecordingConfig loaded = config;  // the file size stays until CalcMB replaces it

  const int32_t baud = ini.ReadInteger(kCommunication, "Baud", 9600);
  loaded.baud_position = -1;
  for (int i = 0; i < ChoiceCount(kBaudChoices); ++i) {
    if (StrToInt(kBaudChoices[i]) == baud) {
      loaded.baud_position = i;
      break;
    }
  }
  loaded.databits_position = Position(int64_t{ini.ReadInteger(kCommunication, "Databit", 1)} - 7,
                                      ChoiceCount(kDataBitChoices));
  loaded.parity_position =
      Position(ini.ReadInteger(kCommunication, "Parity", 1), ChoiceCount(kParityChoices));
  loaded.stopbits_position = Position(int64_t{ini.ReadInteger(kCommunication, "Stopbit", 1)} - 1,
                                      ChoiceCount(kStopBitChoices));
  loaded.timeout = ini.ReadString(kCommunication, "Timeout", "150");
  loaded.delay = ini.ReadString(kCommunication, "Delay", "10");

  loaded.job_name = ini.ReadString(kParam, "JobName", "");
  loaded.days =
      FloatToStr(ini.ReadFloat(kParam, "RecDays", 15, decimal_separator), decimal_separator);
  for (int k = 0; k < kIntervalCount; ++k) {
    loaded.intervals[k] =
        FloatToStr(ini.ReadFloat(kParam, "SavePeriod" + IntToStr(k + 1), 10, decimal_separator),
                   decimal_separator);
  }

  const int line_count = ClampCount(ini.ReadInteger(kParam, "Measure", 1), kMaxLoadedLines);
  loaded.lines.assign(line_count, LoggedLine{});
  for (int i = 0; i < line_count; ++i) {
    std::vector<std::string> fields =
        SplitFields(ini.ReadString(kMeasure, LineKey(i + 1), ""), kLineColumns);
    std::move(fields.begin(), fields.end(), loaded.lines[i].begin());
  }

  const int instrument_count =
      ClampCount(ini.ReadInteger(kParam, "Instrument", 1), kMaxLoadedInstruments);
  InstrumentList loaded_instruments;
  loaded_instruments.rows.resize(instrument_count);
  for (int j = 0; j < instrument_count; ++j) {
    std::vector<std::string> fields =
        SplitFields(ini.ReadString(kInstrument, LineKey(j + 1), ""), 3);
    Instrument& instrument = loaded_instruments.rows[j];
    if (fields.size() > 0) instrument.address = std::move(fields[0]);
    if (fields.size() > 1) instrument.description = std::move(fields[1]);
    if (fields.size() > 2) instrument.quantity_file = std::move(fields[2]);
  }

  const std::string version = ini.ReadString(kApplication, "Version", "");
  config = std::move(loaded);
  instruments = std::move(loaded_instruments);

  if (VersionOlderThanChecked(version)) dialogs.Warn(kOlderVersionWarning);

  FileSizeResult size = CalcMB(config, decimal_separator);
  if (!size.ok) dialogs.ShowError(size.error);
  ApplyFileSize(config, size);
  return true;
}

}  // namespace korvan
