// korvan-cli image: the CONFIG.BIN that preparing a card with a settings file writes.

#include <ostream>
#include <string>
#include <vector>

#include "app/error.h"
#include "cli/cli_card.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "config/config_image.h"
#include "platform/files.h"

namespace korvan::cli {

int RunImage(const std::vector<std::string>& arguments, std::ostream&, std::ostream& err) {
  const auto args =
      Arguments::Parse("image", UsageOf("image"), arguments, {kDecimalOption}, 2, 2, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  const std::string& output = (*args)[1];
  if (OutputCollides("image", output, {(*args)[0]}, "", err)) return 2;
  LoadedSettings loaded;
  if (!LoadSettings("image", (*args)[0], separator, loaded, err)) return 1;
  std::string image;
  try {
    image = BuildConfigImage(loaded.config, separator);
  } catch (const Error& e) {
    err << "korvan-cli: image: " << e.what() << "\n";
    return 1;
  }
  std::string reason;
  if (!WriteFileAtomically(output, image, &reason)) {
    err << "korvan-cli: image: soubor " << output << " nelze zapsat: " << reason << "\n";
    return 1;
  }
  return 0;
}

}  // namespace korvan::cli
