#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvan::cli {

// One command of korvan-cli: its arguments after the command name.
using CommandFunction = int (*)(const std::vector<std::string>& arguments, std::ostream& out,
                                std::ostream& err);

struct Command {
  const char* name;
  const char* usage;        // one line for --help
  CommandFunction run;
};

// The table lives in cli.cpp; each command is defined in its own cli_<name>.cpp.
const std::vector<Command>& Commands();

}  // namespace korvan::cli
