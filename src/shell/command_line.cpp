#include "shell/command_line.h"

#include "app/constants.h"

namespace korvan {

std::string SettingsFileArgument(const std::vector<std::string>& arguments) {
  std::string argument;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) argument += ' ';
    argument += arguments[i];
  }
  return argument;
}

std::optional<std::string> InformationText(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return std::nullopt;
  if (arguments[0] == "--version") return std::string(kAppName) + " " + kAppVersion + "\n";
  if (arguments[0] != "--help") return std::nullopt;
  return "Použití: korvan-a [SOUBOR_NASTAVENÍ]\n\n"
         "Spustí Korvan-A; se souborem nastavení (.kva nebo starší .cfg) jej načte do okna\n"
         "parametrů záznamu. Zbytek příkazového řádku je jeden název souboru, i s mezerami;\n"
         "relativní název platí od složky, ve které byl program spuštěn. Soubor pojmenovaný\n"
         "--help nebo --version se zadá jako ./--help.\n\n"
         "  --help\n      vypíše tento text\n"
         "  --version\n      vypíše název a verzi programu\n";
}

}  // namespace korvan
