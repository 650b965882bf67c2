#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_extents.h"
#include "platform/process.h"

namespace korvan::testing {

// Records every command line and answers with a chosen exit code; Find names the tools it was
// told are installed.
class FakeProcessRunner : public ProcessRunner {
 public:
  std::string Find(const std::string& name) override {
    for (const std::string& tool : installed) {
      if (tool == name) return "/usr/sbin/" + name;
    }
    return "";
  }
  int Run(const std::string& program, const std::vector<std::string>& arguments) override {
    std::vector<std::string> line = {program};
    line.insert(line.end(), arguments.begin(), arguments.end());
    runs.push_back(line);
    return exit_code;
  }

  std::vector<std::string> installed = {"fsck.fat"};
  int exit_code = 0;
  std::vector<std::vector<std::string>> runs;
};

class FakeExtentQuery : public ExtentQuery {
 public:
  std::optional<uint32_t> Count(const std::string& path) override {
    asked.push_back(path);
    return answer;
  }
  std::optional<uint32_t> answer = 1;
  std::vector<std::string> asked;
};

}  // namespace korvan::testing
