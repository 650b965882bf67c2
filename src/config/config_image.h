#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/recording_config.h"

namespace korvan {

// CONFIG.BIN, the configuration image the logger reads: 128 blocks of 64 bytes, block 0 the
// header, block i line i. Integers are 32-bit little-endian, reals IEEE single, texts
// Windows-1250; every byte nothing sets is 0xFF.

inline constexpr size_t kConfigImageSize = 8192;
inline constexpr size_t kConfigBlockSize = 64;
// The blocks after the header; also the most that the signed count byte can state.
inline constexpr int kConfigImageMaxLines = 127;

// Header block.
inline constexpr size_t kHeaderVersionText = 0;  // "Korvan-A v1.20", not checked by readers
inline constexpr size_t kHeaderVersionWidth = 16;
inline constexpr size_t kHeaderLineCount = 16;      // 32 bits written, byte 16 alone read (signed)
inline constexpr size_t kHeaderIntervalWords = 20;  // four interval words, 20 to 35
inline constexpr size_t kHeaderBaud = 36;
inline constexpr size_t kHeaderDataBits = 40;  // single bytes: list positions, not values
inline constexpr size_t kHeaderParity = 41;
inline constexpr size_t kHeaderStopBits = 42;
inline constexpr size_t kHeaderTimeout = 44;
inline constexpr size_t kHeaderPause = 48;

// Line block.
inline constexpr size_t kLineInstrumentText = 0;
inline constexpr size_t kLineInstrumentWidth = 8;
inline constexpr size_t kLineLabelText = 8;
inline constexpr size_t kLineLabelWidth = 24;
inline constexpr size_t kLineIntervalNumber = 32;
inline constexpr size_t kLineAddress = 36;
inline constexpr size_t kLineRegisterKind = 40;  // the register letter, sign-extended
inline constexpr size_t kLineRegisterAddress = 44;
inline constexpr size_t kLineNumberType = 48;  // type letter, then the size digit character
inline constexpr size_t kLineMultiplier = 52;
inline constexpr size_t kLineMinimum = 56;
inline constexpr size_t kLineMaximum = 60;

struct ConfigImageHeader {
  int line_count = 0;                        // byte 16 as a signed 8-bit count: -128 to 127
  std::array<uint32_t, 4> interval_words{};  // PackInterval words
  int32_t baud = 0;
  int8_t databits_position = 0;  // 0: 7 bits, 1: 8 bits
  int8_t parity_position = 0;    // 0 none, 1 odd, 2 even, 3 zero
  int8_t stopbits_position = 0;  // 0: one, 1: two
  int32_t timeout = 0;           // ms
  int32_t pause = 0;             // ms
};

struct ConfigImageLine {
  std::string instrument;  // UTF-8 of at most 8 image bytes
  std::string label;       // UTF-8 of at most 24 image bytes
  int32_t interval_number = 0;
  int32_t address = 0;
  int32_t register_kind = 0;
  int32_t register_address = 0;
  int32_t number_type = 0;
  float multiplier = 0;
  float minimum = 0;  // all bits set: not set (LimitIsSet)
  float maximum = 0;

  char TypeLetter() const { return static_cast<char>(number_type & 0xFF); }
  // The size digit as stored: a character, '4' for F4.
  uint8_t TypeDigitByte() const { return static_cast<uint8_t>(number_type >> 8 & 0xFF); }
};

struct ConfigImage {
  // All 8192 bytes were there. Readers that rebuild a configuration insist on it; the
  // measurement loader takes what a shorter file holds.
  bool complete = false;
  // The four interval words were there (36 bytes or more).
  bool has_intervals = false;
  ConfigImageHeader header;  // fields beyond the bytes given stay 0
  // The lines the count byte states, as far as their blocks are completely present.
  std::vector<ConfigImageLine> lines;
};

// Reads the fields of an image from its bytes; never reads past them, and bytes past 8192
// are not part of the image.
ConfigImage ParseConfigImage(std::span<const uint8_t> bytes);

// A text field: up to its first zero byte, never past the field; Windows-1250 to UTF-8.
std::string ImageText(const uint8_t* field, size_t width);
// The same over the first width (at most 4) bytes of a field read as a 32-bit word: the
// register kind and number type fields hold their characters this way.
std::string WordText(uint32_t word, size_t width = 4);
// A minimum or maximum with all bits set means "not set".
inline bool LimitIsSet(float limit) { return std::bit_cast<uint32_t>(limit) != 0xFFFFFFFF; }

// The image of a configuration, all 8192 bytes. The intervals, baud, timeout and pause are
// texts typed into the window (the separator in force); a line's multiplier, minimum and
// maximum come from files and take either separator. Throws Error with the conversion error
// of the first field that does not convert. The window holds at most 127 lines, the image's
// bound, so no line is ever left out.
std::string BuildConfigImage(const RecordingConfig& config, char decimal_separator);

// Rebuilds config from an image as reading back from the card does: the lines (the offset
// column keeps what a line of that number held), the intervals to the hundredth, the serial
// line; the job name, the days and the file size keep what config held. False, with config
// untouched, for an image of fewer than 8192 bytes. A negative count byte means no lines.
bool ReadBackConfigImage(std::span<const uint8_t> bytes, RecordingConfig& config,
                         char decimal_separator);

// An address as read back: "%02Xh" of the 32 bits, so -1 (no address) gives FFFFFFFFh.
std::string HexSuffixedText(int32_t value);

// The first 8192 bytes of the image file at path (fewer when the file is shorter); false when
// it cannot be opened or read.
bool ReadConfigImageFile(const std::string& path, std::string& bytes);

}  // namespace korvan
