#pragma once

#include <string>
#include <vector>

namespace korvan {

// Starts program (looked up on PATH) with arguments, waits for its end and returns its
// exit code; -1 when it could not be started or did not end normally.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments);

// The full path of an executable program: PATH first, then /usr/sbin and /sbin, where the
// file system tools live but an ordinary user's PATH often does not look. Empty when none.
std::string FindProgram(const std::string& name);

// Runs the external programs of card preparation; tests put a fake in its place.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // FindProgram's answer.
  virtual std::string Find(const std::string& name) = 0;
  // Starts program, waits for its end: the exit code, -1 when it did not start or end
  // normally. Its output is not shown: nothing looks at it.
  virtual int Run(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

class SystemProcessRunner : public ProcessRunner {
 public:
  std::string Find(const std::string& name) override { return FindProgram(name); }
  int Run(const std::string& program, const std::vector<std::string>& arguments) override;
};

}  // namespace korvan
