#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/packed_stamp.h"

namespace korvan {

// The logger's 32-bit timestamp (layout in packed_stamp.h) from and to date-time values.
// Compared as unsigned integers, stamps order in time.
uint32_t PackStamp(double date, double time);
double UnpackStamp(uint32_t stamp, uint16_t milliseconds);
bool IsValidStamp(uint32_t stamp);

// "1Fh" is hexadecimal, anything else decimal in the manner of strtol. Returns true for hex.
bool ParseHexSuffixed(std::string_view text, int64_t& value);
// The value of a hex-suffixed or decimal text; -1 for the empty text.
int64_t HexSuffixedValue(std::string_view text);

std::optional<size_t> FindBytes(const uint8_t* buffer, size_t length, const uint8_t* pattern,
                                size_t pattern_length);

// Number type "A": separate sign bits for exponent (31) and mantissa (23).
double DecodeDecimalFloat(uint32_t word);

// Interval word: low 24 bits whole seconds, high 8 bits hundredths.
uint32_t PackInterval(double seconds);
double UnpackInterval(uint32_t word);

// Replaces every "." by ","; returns the length of the text.
size_t DotsToCommas(std::string& text);

}  // namespace korvan
