#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace korvan::testing {

// What one korvan-cli run printed, and its exit code.
struct CliOutput {
  int code;
  std::string out;
  std::string err;
};

inline CliOutput RunCli(const std::vector<std::string>& arguments) {
  // The tool takes its decimal separator from the locale; these tests use the point.
  setenv("LC_ALL", "C", 1);
  std::ostringstream out, err;
  const int code = cli::Run(arguments, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace korvan::testing
