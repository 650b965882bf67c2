#pragma once

#include <stdexcept>
#include <string>

namespace korvan {

// A failure whose text is meant for the user; the window layer shows it in a message box.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace korvan
