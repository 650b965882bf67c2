// korvan-cli readback: the configuration read back from a card folder, saved as a settings
// file.

#include <ostream>
#include <string>
#include <vector>

#include "app/card_files.h"
#include "app/constants.h"
#include "app/error.h"
#include "cli/cli_card.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "config/card_readback.h"
#include "config/settings_file.h"

namespace korvan::cli {

int RunReadback(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args =
      Arguments::Parse("readback", UsageOf("readback"), arguments, {kDecimalOption}, 2, 2, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  const std::string& dir = (*args)[0];
  const std::string& output = (*args)[1];
  if (OutputCollides("readback", output, {}, dir, err)) return 2;

  // A freshly started window: the fields that CONFIG.BIN does not hold keep their initial
  // values.
  LoadedSettings loaded;
  CliDialogs dialogs(&err);
  const ReadBackSource source = ReadConfigurationFromCard(FolderLocation(dir), loaded.config,
                                                          loaded.instruments, separator, dialogs);
  if (source == ReadBackSource::kNone) {
    err << "korvan-cli: readback: ve složce " << dir << " není CONFIG.INI programu " << kAppName
        << " ani úplný CONFIG.BIN\n";
    return 1;
  }
  if (!dialogs.errors.empty()) return 1;
  try {
    WriteSettingsFile(output, loaded.config, loaded.instruments, separator);
  } catch (const Error& e) {
    err << "korvan-cli: readback: " << e.what() << "\n";
    return 1;
  }
  out << "Konfigurace načtena z "
      << (source == ReadBackSource::kConfigIni ? kConfigIniFile : kConfigImageFile)
      << " (veličiny: " << loaded.config.lines.size() << "), uložena do " << output << "\n";
  return 0;
}

}  // namespace korvan::cli
