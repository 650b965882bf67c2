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

// Answers each way of asking with a chosen answer; asked records the path of every question
// and ways the name of the way asked.
class FakeExtentQuery : public ExtentQuery {
 public:
  Contiguity ByExtentMap(const std::string& path) override {
    return Ask("FIEMAP", path, extent_map);
  }
  Contiguity ByBlockMap(const std::string& path) override { return Ask("FIBMAP", path, block_map); }
  Contiguity ByFatChain(const std::string& path) override { return Ask("FAT", path, fat_chain); }
  Contiguity ByGrantedDevice(const std::string& path) override {
    return Ask("UDisks2", path, granted_device);
  }

  Contiguity extent_map = Contiguity::kContiguous;
  Contiguity block_map = Contiguity::kUnknown;
  Contiguity fat_chain = Contiguity::kUnknown;
  Contiguity granted_device = Contiguity::kUnknown;
  std::vector<std::string> asked;
  std::vector<std::string> ways;

 private:
  Contiguity Ask(const char* way, const std::string& path, Contiguity answer) {
    ways.push_back(way);
    asked.push_back(path);
    return answer;
  }
};

}  // namespace korvan::testing
