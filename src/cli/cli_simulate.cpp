// korvan-cli simulate: a logger recording into a prepared card folder.

#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/error.h"
#include "app/numbers.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "sim/log_simulator.h"

namespace korvan::cli {

int RunSimulate(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args =
      Arguments::Parse("simulate", UsageOf("simulate"), arguments,
                       {{"--days", true}, {"--seed", true}, {"--start", true}}, 1, 1, err);
  if (!args) return 2;
  SimulationOptions options;
  if (const std::string* days = args->Value("--days")) {
    if (!TryFileStrToFloat(*days, options.days) || !(options.days > 0) || options.days > 3660) {
      err << "korvan-cli: simulate: --days přijímá počet dní větší než 0 (nejvýše 3660), ne '"
          << *days << "'\n";
      return 2;
    }
  }
  if (const std::string* seed = args->Value("--seed")) {
    const char* end = seed->data() + seed->size();
    const auto [rest, error] = std::from_chars(seed->data(), end, options.seed);
    if (seed->empty() || error != std::errc() || rest != end) {
      err << "korvan-cli: simulate: --seed přijímá celé nezáporné číslo, ne '" << *seed << "'\n";
      return 2;
    }
  }
  if (!args->Time("--start", options.start, err)) return 2;
  options.now = Now();
  try {
    const SimulationResult result = SimulateRecording((*args)[0], options);
    out << "Veličiny: " << result.line_count << "\n"
        << "Zapsané bloky: " << result.blocks << "\n"
        << "Zapsané bajty: " << result.bytes << "\n";
    if (result.blocks > 0) {
      out << "Od: " << IsoDateTimeText(result.first) << "\n"
          << "Do: " << IsoDateTimeText(result.last) << "\n";
    }
    out << "Přetočeno na začátek souboru: " << (result.wrapped ? "ano" : "ne") << "\n";
  } catch (const Error& e) {
    err << "korvan-cli: simulate: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace korvan::cli
