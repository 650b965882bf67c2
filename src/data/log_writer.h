#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace korvan {

struct LogEntry {
  uint16_t line = 0;
  uint32_t raw = 0;
};

// Appends one record block in the logger's layout: marker AA AA AA AA, the stamp, the
// millisecond word when given (the logger writes MillisecondWord(ms)), then the entries, all
// little-endian.
void AppendLogBlock(std::string& out, uint32_t stamp, std::optional<uint16_t> millisecond_word,
                    std::span<const LogEntry> entries);

inline constexpr uint16_t MillisecondWord(uint16_t milliseconds) {
  return static_cast<uint16_t>(0xEC00 | (milliseconds & 0x3FF));
}

}  // namespace korvan
