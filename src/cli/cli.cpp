#include "cli/cli.h"

#include "app/constants.h"
#include "cli/cli_commands.h"

namespace korvan::cli {

// Each command adds its declaration here and its row to the table below.
int RunConfig(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunExport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int RunDemoCard(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"config", "config FILE [--json]   print a settings file or a card folder's CONFIG.INI",
       RunConfig},
      {"convert", "convert IN OUT        rewrite a settings file (.cfg to .kva)", RunConvert},
      {"info", "info DIR [--json]     lines, sample counts and time range of a card folder",
       RunInfo},
      {"export", "export DIR OUT [--lines 1,3] [--from T] [--to T] [--decimal ,|.]",
       RunExport},
      {"demo-card", "demo-card DIR [QDIR]   write a demonstration card folder (and its quantity files)",
       RunDemoCard},
  };
  return commands;
}

namespace {

void PrintHelp(std::ostream& out) {
  out << "Usage: korvan-cli COMMAND [ARGUMENTS]\n\n"
      << "  --version    print the program's name and version\n"
      << "  --help       print this text\n";
  for (const auto& command : Commands()) out << "  " << command.usage << "\n";
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
    if (first == command.name) {
      return command.run({arguments.begin() + 1, arguments.end()}, out, err);
    }
  }
  err << "korvan-cli: unknown command '" << first << "' (see --help)\n";
  return 2;
}

}  // namespace korvan::cli
