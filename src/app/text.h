#pragma once

namespace korvan {

// ASCII letters only, whatever the process locale (which the window system sets): number-type
// letters, exponents and date-pattern letters are ASCII by definition.
inline constexpr char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline constexpr bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace korvan
