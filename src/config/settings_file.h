#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ini_document.h"
#include "config/recording_config.h"
#include "config/settings_format.h"
#include "instruments/instrument_list.h"

namespace korvan {

class UserDialogs;

inline constexpr const char* kOlderVersionWarning =
    "Konfigurační soubor pochází se starší verze software, zkontrolujte prosím dobu záznamu.";
// Files written before this version may hold a recording duration that needs checking.
inline constexpr const char* kFirstCheckedVersion = "1.14";

// The settings-file dialogs of the recording parameters window.
inline constexpr const char* kSettingsFileFilter =
    "Soubory nastavení [*.kva]|*.kva|Původní soubory nastavení [*.cfg]|*.cfg|Vše|*.*";
inline constexpr const char* kSettingsFileExtension = "kva";
inline constexpr const char* kSettingsFileName = "*.kva";
// A settings file by its name: ".kva", or the older ".cfg", in either case.
bool IsSettingsFileName(const std::string& path);
inline constexpr const char* kSettingsDropRefused =
    "Sem lze přetáhnout jen soubor nastavení (.kva nebo .cfg).";

// The numbers a settings file holds, converted as WriteSettingsFile converts them: the file
// size, the days and the four intervals. Throws Error for the first that does not convert.
struct SettingsNumbers {
  int32_t file_size = 0;
  double days = 0;
  std::array<double, kIntervalCount> intervals{};
};
// A card's CONFIG.INI that is there but cannot be read (error: the system's number): told, never
// taken for a missing one.
std::string ConfigIniUnreadableText(const std::string& path, int error);
// A card's CONFIG.INI from one open of it: nothing when it is not there; nothing with
// *unreadable set, after telling the user, when it is there but cannot be read.
std::optional<IniDocument> ReadCardConfigIni(const std::string& path, UserDialogs& dialogs,
                                             bool* unreadable);

SettingsNumbers ConvertSettingsNumbers(const RecordingConfig& config, char decimal_separator);

// Writes the configuration and the instrument list into the INI file at path. Every number
// is converted before the file is touched, so a field that does not convert throws Error and
// leaves an existing file as it was. Keys of its own in Application and Communication stay.
void WriteSettingsFile(const std::string& path, const RecordingConfig& config,
                       const InstrumentList& instruments, char decimal_separator);

// Replaces config and instruments with the file's content and recomputes the file size. A
// file of another application gives false and changes nothing, silently. When config and
// instruments hold the file's content, filled is called (a window shows them); then an
// older file's warning and a size that cannot be computed are told through dialogs, and the
// load stands.
bool ReadSettingsFile(const std::string& path, RecordingConfig& config, InstrumentList& instruments,
                      char decimal_separator, UserDialogs& dialogs,
                      const std::function<void()>& filled = {});
// The same from a document already read.
bool ReadSettingsDocument(const IniDocument& ini, RecordingConfig& config,
                          InstrumentList& instruments, char decimal_separator, UserDialogs& dialogs,
                          const std::function<void()>& filled = {});

}  // namespace korvan
