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
// millisecond word EC00 | ms when milliseconds are given, then the entries (little-endian).
void AppendLogBlock(std::string& out, uint32_t stamp, std::optional<uint16_t> milliseconds,
                    std::span<const LogEntry> entries);

}  // namespace korvan
