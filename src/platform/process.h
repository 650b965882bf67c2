#pragma once

#include <string>
#include <vector>

namespace korvan {

// Starts program (looked up on PATH) with arguments, waits for its end and returns its
// exit code; -1 when it could not be started or did not end normally.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace korvan
