#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvan::cli {

// Runs korvan-cli with its arguments (without the program name); returns the exit code.
// Everything goes to out and err, so tests run commands in-process.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace korvan::cli
