#pragma once

#include <string>
#include <string_view>

namespace korvan {

// A JSON string literal of UTF-8 text: quotes and backslashes escaped, control characters as
// \u00XX, everything else as it is.
void AppendJsonString(std::string_view text, std::string& out);

inline std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(text, out);
  return out;
}

}  // namespace korvan
