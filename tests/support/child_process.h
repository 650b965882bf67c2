#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace korvan::testing {

// Runs body in a forked child that then ends with exit code 0; gives the child's wait status.
// A body that must report more than having ended calls _exit itself.
inline int StatusOfChild(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  if (child < 0) {
    ADD_FAILURE() << "fork failed";
  } else {
    waitpid(child, &status, 0);
  }
  return status;
}

inline bool KilledBy(int status, int signal_number) {
  return WIFSIGNALED(status) && WTERMSIG(status) == signal_number;
}
inline bool ExitedWith(int status, int code) {
  return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

// What body gives, computed in a forked child (one that may change its user, limits or
// signal handlers without touching this process).
inline std::string TextOfChild(const std::function<std::string()>& body) {
  int out[2];
  if (pipe(out) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    const std::string text = body();
    (void)!write(out[1], text.data(), text.size());
    _exit(0);
  }
  close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return text;
}

}  // namespace korvan::testing
