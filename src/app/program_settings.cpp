#include "app/program_settings.h"

#include "app/constants.h"
#include "app/ini_file.h"

namespace korvan {

ProgramSettings ReadProgramSettings(const std::string& path) {
  IniFile ini(path);
  ProgramSettings settings;
  settings.card_disk = ini.ReadString("Setup", "CardDisk", "f");
  settings.alternative = ini.ReadBool("Setup", "Alternative", false);
  settings.alt_dir = ini.ReadString("Setup", "AltDir", "");
  return settings;
}

void WriteProgramSettings(const std::string& path, const ProgramSettings& settings) {
  IniFile ini(path);
  IniDocument& document = ini.Edit();
  document.WriteString("Application", "Name", kAppName);
  document.WriteString("Application", "Version", kAppVersion);
  document.WriteString("Setup", "CardDisk", settings.card_disk.substr(0, 1));
  document.WriteBool("Setup", "Alternative", settings.alternative);
  document.WriteString("Setup", "AltDir", settings.alt_dir);
  ini.Commit();
}

namespace {
constexpr const char* kFoldersSection = "Folders";
}  // namespace

std::string ReadChooserFolder(const std::string& path, const std::string& title) {
  return IniFile(path).ReadString(kFoldersSection, title, "");
}

void WriteChooserFolder(const std::string& path, const std::string& title,
                        const std::string& folder) {
  IniFile(path).WriteString(kFoldersSection, title, folder);
}

bool ProgramIsSetUp(const std::string& path) {
  return IniFile(path).ReadString("Application", "Name", "") == kAppName;
}

}  // namespace korvan
