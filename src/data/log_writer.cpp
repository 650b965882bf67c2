#include "data/log_writer.h"

namespace korvan {

namespace {

void Put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

void AppendLogBlock(std::string& out, uint32_t stamp, std::optional<uint16_t> millisecond_word,
                    std::span<const LogEntry> entries) {
  out.append(4, static_cast<char>(0xAA));
  Put32(out, stamp);
  if (millisecond_word) Put16(out, *millisecond_word);
  for (const LogEntry& e : entries) {
    Put16(out, e.line);
    Put32(out, e.raw);
  }
}

}  // namespace korvan
