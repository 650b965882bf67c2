#include "cli/cli.h"

#include <new>
#include <string>
#include <string_view>

#include "app/constants.h"
#include "app/error.h"
#include "cli/cli_commands.h"
#include "export/periods.h"

namespace korvan::cli {

// Each command adds its declaration here and its row to the table below.
int RunConfig(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunExport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunCopy(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunMerge(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunStats(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunDemoCard(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunImage(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunPrepare(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunReadback(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunSimulate(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

const std::vector<Command>& Commands() {
  static const std::string export_usage =
      "export SLOŽKA VÝSTUP [--lines 1,3] [--from T] [--to T] [--format csv|xlsx] [--every " +
      PeriodTokens("|", "|") + " [--stat mean,min,max] [--count] [--skip-empty]] [--decimal ,|.]";
  static const std::vector<Command> commands = {
      {"config", "config SOUBOR|SLOŽKA [--json] [--decimal ,|.]",
       "vypíše soubor nastavení nebo CONFIG.INI složky karty", RunConfig},
      {"convert", "convert VSTUP VÝSTUP [--decimal ,|.]",
       "přepíše soubor nastavení, jak jej uloží program (.cfg na .kva)", RunConvert},
      {"info", "info SLOŽKA [--json] [--decimal ,|.]",
       "veličiny, počty vzorků a časový rozsah složky karty", RunInfo},
      {"export", export_usage.c_str(),
       "textový export měření nebo sešit .xlsx (VÝSTUP \"-\" je standardní výstup)", RunExport},
      {"copy", "copy SLOŽKA CÍL [--from T] [--to T] [--yes] [--decimal ,|.]",
       "uloží kopii měření (od T včetně do T bez něj) do složky CÍL", RunCopy},
      {"stats", "stats SLOŽKA [--lines 1,3] [--from T] [--to T] [--json] [--decimal ,|.]",
       "počet vzorků, minimum, maximum a průměr veličin v časovém rozsahu", RunStats},
      {"merge", "merge SLOŽKA... CÍL [--yes] [--decimal ,|.]",
       "spojí uložené kopie (nebo karty) jednoho záznamníku do jednoho měření ve složce CÍL",
       RunMerge},
      {"demo-card", "demo-card SLOŽKA [SLOŽKA_VELIČIN] [--decimal ,|.]",
       "zapíše ukázkovou kartu (a soubory veličin jejích přístrojů)", RunDemoCard},
      {"image", "image NASTAVENÍ VÝSTUP [--decimal ,|.]",
       "zapíše CONFIG.BIN, jaký zapíše příprava karty s tímto nastavením", RunImage},
      {"prepare", "prepare NASTAVENÍ SLOŽKA [--yes] [--decimal ,|.]",
       "připraví složku jako kartu (LOG.BIN, RDR.BIN, CONFIG.BIN, CONFIG.INI)", RunPrepare},
      {"readback", "readback SLOŽKA VÝSTUP [--decimal ,|.]",
       "vyčte konfiguraci ze složky karty a uloží ji jako soubor nastavení", RunReadback},
      {"simulate", "simulate SLOŽKA [--days D] [--seed S] [--start T]",
       "záznamník: zapíše měření do připravené složky karty podle jejího CONFIG.BIN", RunSimulate},
  };
  return commands;
}

const char* UsageOf(const char* name) {
  for (const auto& command : Commands()) {
    if (std::string_view(command.name) == name) return command.usage;
  }
  return name;
}

namespace {

void PrintHelp(std::ostream& out) {
  out << "Použití: korvan-cli PŘÍKAZ [ARGUMENTY]\n\n"
      << "  --version\n      vypíše název a verzi programu\n"
      << "  --help\n      vypíše tento text\n";
  for (const auto& command : Commands()) {
    out << "  " << command.usage << "\n      " << command.summary << "\n";
  }
  out << "\nČas T se zadává jako \"RRRR-MM-DD HH:MM:SS\" v letech 2000-2063. --decimal určuje\n"
      << "desetinný oddělovač zapisovaných čísel (jinak podle národního prostředí); čísla ze\n"
      << "souborů se čtou s čárkou i s tečkou.\n"
      << "Návratový kód: 0 úspěch, 1 chyba, 2 chybné argumenty.\n";
}

}  // namespace

int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty()) {
    PrintHelp(err);
    return 2;
  }
  const std::string& first = arguments[0];
  if (first == "--version") {
    out << kAppName << " " << kAppVersion << "\n";
    return 0;
  }
  if (first == "--help" || first == "-h") {
    PrintHelp(out);
    return 0;
  }
  for (const auto& command : Commands()) {
    if (first != command.name) continue;
    // An error deep down carries the user's text; the command has stopped.
    try {
      return command.run({arguments.begin() + 1, arguments.end()}, out, err);
    } catch (const std::bad_alloc&) {
      err << "korvan-cli: nedostatek paměti\n";
    } catch (const Error& e) {
      err << "korvan-cli: " << e.what() << "\n";
    }
    return 1;
  }
  err << "korvan-cli: neznámý příkaz '" << first << "' (viz --help)\n";
  return 2;
}

}  // namespace korvan::cli
