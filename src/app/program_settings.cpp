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
  ini.WriteString("Application", "Name", kAppName);
  ini.WriteString("Application", "Version", kAppVersion);
  ini.WriteString("Setup", "CardDisk", settings.card_disk.substr(0, 1));
  ini.WriteBool("Setup", "Alternative", settings.alternative);
  ini.WriteString("Setup", "AltDir", settings.alt_dir);
}

bool ProgramIsSetUp(const std::string& path) {
  return IniFile(path).ReadString("Application", "Name", "") == kAppName;
}

}  // namespace korvan
