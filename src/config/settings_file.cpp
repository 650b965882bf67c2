#include "config/settings_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

#include "app/constants.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "config/settings_format.h"
#include "platform/file_query.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

// A list position from a stored number; anything outside the list selects nothing.
int Position(int64_t position, int count) {
  return position >= 0 && position < count ? static_cast<int>(position) : -1;
}

int ClampCount(int32_t count, int limit) { return std::clamp<int32_t>(count, 0, limit); }

// The versions are compared as texts, byte by byte: "1.2" is not older than "1.14",
// "1.100" and "" are.
bool VersionOlderThanChecked(std::string_view version) {
  return version < std::string_view(kFirstCheckedVersion);
}

}  // namespace

std::string ConfigIniUnreadableText(const std::string& path, int error) {
  return "Soubor " + path + " nelze přečíst: " + SystemErrorText(error) + ".";
}

std::optional<IniDocument> ReadCardConfigIni(const std::string& path, UserDialogs& dialogs,
                                             bool* unreadable) {
  int error = 0;
  const std::optional<std::string> bytes = ReadFileIfPresent(path, kMaxIniBytes, &error);
  *unreadable = error != 0;
  if (error != 0) dialogs.ShowError(ConfigIniUnreadableText(path, error));
  if (!bytes) return std::nullopt;
  return IniDocument::Parse(*bytes);
}

SettingsNumbers ConvertSettingsNumbers(const RecordingConfig& config, char decimal_separator) {
  // In the order the file gets them, so the first bad field is the one reported.
  SettingsNumbers numbers;
  numbers.file_size = StrToInt(config.file_size);
  numbers.days = StrToFloat(config.days, decimal_separator);
  for (int k = 0; k < kIntervalCount; ++k) {
    numbers.intervals[k] = StrToFloat(config.intervals[k], decimal_separator);
  }
  return numbers;
}

void WriteSettingsFile(const std::string& path, const RecordingConfig& config,
                       const InstrumentList& instruments, char decimal_separator) {
  const SettingsNumbers numbers = ConvertSettingsNumbers(config, decimal_separator);
  const int32_t file_size = numbers.file_size;
  const double days = numbers.days;
  const std::array<double, kIntervalCount>& intervals = numbers.intervals;

  // Built in memory and stored once, so that a failure leaves the old file whole.
  IniFile file(path);
  IniDocument& ini = file.Edit();
  ini.EraseSection(kSectionParam);
  ini.EraseSection(kSectionMeasure);
  ini.EraseSection(kSectionInstrument);

  ini.WriteString(kSectionApplication, kKeyName, kAppName);
  ini.WriteString(kSectionApplication, kKeyVersion, kAppVersion);

  // Delphi's ItemIndex of an empty choice is -1, so these are what the original writes then.
  ini.WriteString(kSectionCommunication, kKeyBaud, config.BaudText());
  ini.WriteInteger(kSectionCommunication, kKeyDatabit, config.databits_position + 7);
  ini.WriteInteger(kSectionCommunication, kKeyParity, config.parity_position);
  ini.WriteInteger(kSectionCommunication, kKeyStopbit, config.stopbits_position + 1);
  ini.WriteString(kSectionCommunication, kKeyTimeout, config.timeout);
  ini.WriteString(kSectionCommunication, kKeyDelay, config.delay);

  ini.WriteString(kSectionParam, kKeyJobName, config.job_name);
  ini.WriteInteger(kSectionParam, kKeyFileSize, file_size);
  ini.WriteFloat(kSectionParam, kKeyRecDays, days, decimal_separator);
  for (int k = 0; k < kIntervalCount; ++k) {
    ini.WriteFloat(kSectionParam, SavePeriodKey(k + 1), intervals[k], decimal_separator);
  }

  ini.WriteInteger(kSectionParam, kKeyLineCount, static_cast<int64_t>(config.lines.size()));
  for (size_t i = 0; i < config.lines.size(); ++i) {
    ini.WriteString(kSectionMeasure, LineKey(static_cast<int>(i + 1)),
                    JoinFields(config.lines[i].data(), kLineColumns));
  }

  ini.WriteInteger(kSectionParam, kKeyInstrumentCount, instruments.Count());
  for (int j = 0; j < instruments.Count(); ++j) {
    const Instrument& instrument = instruments.rows[j];
    const std::string cells[kInstrumentColumns] = {instrument.address, instrument.description,
                                                   instrument.quantity_file};
    ini.WriteString(kSectionInstrument, LineKey(j + 1), JoinFields(cells, kInstrumentColumns));
  }
  file.Commit();
}

bool ReadSettingsFile(const std::string& path, RecordingConfig& config, InstrumentList& instruments,
                      char decimal_separator, UserDialogs& dialogs,
                      const std::function<void()>& filled) {
  const IniFile file(path);
  return ReadSettingsDocument(file.document(), config, instruments, decimal_separator, dialogs,
                              filled);
}

bool ReadSettingsDocument(const IniDocument& ini, RecordingConfig& config,
                          InstrumentList& instruments, char decimal_separator, UserDialogs& dialogs,
                          const std::function<void()>& filled) {
  if (ini.ReadString(kSectionApplication, kKeyName, "") != kAppName) return false;

  RecordingConfig loaded = config;  // the file size stays until CalcMB replaces it

  const int32_t baud = ini.ReadInteger(kSectionCommunication, kKeyBaud, 9600);
  loaded.baud_position = -1;
  for (int i = 0; i < ChoiceCount(kBaudChoices); ++i) {
    if (StrToInt(kBaudChoices[i]) == baud) {
      loaded.baud_position = i;
      break;
    }
  }
  loaded.databits_position =
      Position(int64_t{ini.ReadInteger(kSectionCommunication, kKeyDatabit, 1)} - 7,
               ChoiceCount(kDataBitChoices));
  loaded.parity_position =
      Position(ini.ReadInteger(kSectionCommunication, kKeyParity, 1), ChoiceCount(kParityChoices));
  loaded.stopbits_position =
      Position(int64_t{ini.ReadInteger(kSectionCommunication, kKeyStopbit, 1)} - 1,
               ChoiceCount(kStopBitChoices));
  loaded.timeout = ini.ReadString(kSectionCommunication, kKeyTimeout, "150");
  loaded.delay = ini.ReadString(kSectionCommunication, kKeyDelay, "10");

  loaded.job_name = ini.ReadString(kSectionParam, kKeyJobName, "");
  loaded.days = FloatToStr(ini.ReadFloat(kSectionParam, kKeyRecDays, 15), decimal_separator);
  for (int k = 0; k < kIntervalCount; ++k) {
    loaded.intervals[k] = FloatToStr(
        ini.ReadFloat(kSectionParam, SavePeriodKey(k + 1), kDefaultSavePeriod), decimal_separator);
  }

  const int line_count =
      ClampCount(ini.ReadInteger(kSectionParam, kKeyLineCount, kDefaultLineCount), kMaxLoadedLines);
  loaded.lines.assign(line_count, LoggedLine{});
  for (int i = 0; i < line_count; ++i) {
    std::vector<std::string> fields =
        SplitFields(ini.ReadString(kSectionMeasure, LineKey(i + 1), ""), kLineColumns);
    std::move(fields.begin(), fields.end(), loaded.lines[i].begin());
  }

  const int instrument_count =
      ClampCount(ini.ReadInteger(kSectionParam, kKeyInstrumentCount, 1), kMaxLoadedInstruments);
  InstrumentList loaded_instruments;
  loaded_instruments.rows.resize(instrument_count);
  for (int j = 0; j < instrument_count; ++j) {
    std::vector<std::string> fields =
        SplitFields(ini.ReadString(kSectionInstrument, LineKey(j + 1), ""), kInstrumentColumns);
    Instrument& instrument = loaded_instruments.rows[j];
    if (fields.size() > kInstrumentColAddress) {
      instrument.address = std::move(fields[kInstrumentColAddress]);
    }
    if (fields.size() > kInstrumentColDescription) {
      instrument.description = std::move(fields[kInstrumentColDescription]);
    }
    if (fields.size() > kInstrumentColQuantityFile) {
      instrument.quantity_file = std::move(fields[kInstrumentColQuantityFile]);
    }
  }

  const std::string version = ini.ReadString(kSectionApplication, kKeyVersion, "");
  config = std::move(loaded);
  instruments = std::move(loaded_instruments);
  // The windows show the loaded configuration before a message box comes over them.
  if (filled) filled();

  if (VersionOlderThanChecked(version)) dialogs.Warn(kOlderVersionWarning);

  FileSizeResult size = CalcMB(config, decimal_separator);
  if (!size.ok) dialogs.ShowError(size.error);
  ApplyFileSize(config, size);
  return true;
}

bool IsSettingsFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() < 5) return false;  // an extension alone is no name
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = AsciiUpper(c);
  return extension == ".KVA" || extension == ".CFG";
}

}  // namespace korvan
