#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvan {

// Number texts as the original program's runtime reads and writes them. The decimal
// separator is always passed in; nothing here depends on the process locale.

// General format, 15 significant digits, half away from zero: "0,5", "1E15", "1,2E-5".
std::string FloatToStr(double value, char decimal_separator);

// Blanks around, optional sign, digits with at most one separator, optional exponent.
bool TryStrToFloat(std::string_view text, char decimal_separator, double& value);
// Throws Error "'%s' is not a valid floating point value".
double StrToFloat(std::string_view text, char decimal_separator);

// A number from a file: files come from installations with either decimal separator and
// never hold thousand separators, so "0,5" and "0.5" both read as one half.
bool TryFileStrToFloat(std::string_view text, double& value);
// Throws Error "'%s' is not a valid floating point value".
double FileStrToFloat(std::string_view text);

// Leading blanks, sign, decimal or $/0x/x hexadecimal (32 bits), nothing after the digits.
bool TryStrToInt(std::string_view text, int32_t& value);
// Throws Error "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t default_value);

std::string IntToStr(int64_t value);

// FormatFloat for the chart's value-axis patterns ("#,##0.######", "# ##0.######", "0.0"):
// "," in the integer part switches on grouping with thousand_separator, other characters
// are literals. thousand_separator is UTF-8 text (a no-break space on Czech systems).
std::string FormatFloat(std::string_view pattern, double value, char decimal_separator,
                        std::string_view thousand_separator);

}  // namespace korvan
