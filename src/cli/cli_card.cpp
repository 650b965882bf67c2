#include "cli/cli_card.h"

#include "app/constants.h"
#include "config/settings_file.h"
#include "platform/paths.h"

namespace korvan::cli {

bool LoadSettings(const char* command, const std::string& path, char separator,
                  LoadedSettings& loaded, std::ostream& err) {
  if (!FileExists(path)) {
    err << "korvan-cli: " << command << ": soubor " << path << " nelze přečíst\n";
    return false;
  }
  CliDialogs dialogs(&err);
  if (!ReadSettingsFile(path, loaded.config, loaded.instruments, separator, dialogs)) {
    err << "korvan-cli: " << command << ": " << path << " není soubor nastavení programu "
        << kAppName << "\n";
    return false;
  }
  // A size that could not be computed would prepare a card of the wrong size.
  return dialogs.errors.empty();
}

DataLocation FolderLocation(const std::string& dir) {
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir.size() > 1 && dir.ends_with('/') ? dir.substr(0, dir.size() - 1) : dir;
  return location;
}

}  // namespace korvan::cli
