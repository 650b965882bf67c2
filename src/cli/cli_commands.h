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
  const char* usage;    // the command's synopsis, for --help and argument errors
  const char* summary;  // what it does, one line
  CommandFunction run;
};

// The table lives in cli.cpp; each command is defined in its own cli_<name>.cpp.
const std::vector<Command>& Commands();
// The synopsis of the named command.
const char* UsageOf(const char* name);

}  // namespace korvan::cli
