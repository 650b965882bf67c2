#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "sim/demo_card.h"

namespace korvan::cli {

// demo-card DIR [QUANTITY_DIR]: a week of data ending today, for trying the program without
// a logger; with QUANTITY_DIR also the register maps of its two instruments.
int RunDemoCard(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args =
      Arguments::Parse("demo-card", UsageOf("demo-card"), arguments, {kDecimalOption}, 1, 2, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  try {
    WriteDemoCard((*args)[0], Today(), separator);
    if (args->size() == 2) WriteDemoQuantityFiles((*args)[1], separator);
  } catch (const Error& e) {
    err << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
  out << (*args)[0] << "\n";
  return 0;
}

}  // namespace korvan::cli
