#pragma once

#include <string>
#include <string_view>

namespace korvan {

// Files are Windows-1250, memory is UTF-8. Every byte 0x80-0xFF survives a round trip
// (the five bytes that Windows-1250 leaves undefined map to U+0081 ... and back).
std::string Cp1250ToUtf8(std::string_view bytes);
// A character without a Windows-1250 form becomes "?".
std::string Utf8ToCp1250(std::string_view text);

}  // namespace korvan
