#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvan {

// The program's arguments after its own name: one settings file, spaces included (the shell
// split it, so the parts are joined again with one blank); empty when none is given.
std::string SettingsFileArgument(const std::vector<std::string>& arguments);

// What "korvan-a --help" and "korvan-a --version" print before they end the program; nothing
// when the command line is a settings file (one named so is given as "./--help").
std::optional<std::string> InformationText(const std::vector<std::string>& arguments);

}  // namespace korvan
