#include "data/cell_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#include "app/text.h"

namespace korvan {

CellRule CellRuleOf(const MeasuredLine& line) {
  const char letter = AsciiUpper(line.type_letter);
  if (letter == 'A' || letter == 'F') return {true, 0, -1};
  if (line.multiplier > 0.9999) return {false, 1, 0};
  if (line.multiplier > 0.0999) return {false, 3, 1};
  return {false, 4, 2};
}

void AppendRuleText(const CellRule& rule, double value, char point, std::string& out) {
  if (!rule.general) {
    AppendFixedText(value, rule.width, rule.decimals, point, out);
    return;
  }
  const size_t cell = out.size();
  AppendPrintfText(value, rule.width, -1, out);
  if (point != '.')
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(cell), out.end(), '.', point);
}

void AppendPrintfText(double value, int width, int precision, std::string& out) {
  char text[512];
  std::to_chars_result r;
  if (precision < 0) {
    r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  } else {
    r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
  }
  if (r.ec != std::errc()) return;  // cannot happen with this buffer
  if (precision < 0) {
    for (char* p = text; p < r.ptr; ++p) *p = AsciiUpper(*p);  // E, INF, NAN
  }
  for (int i = static_cast<int>(r.ptr - text); i < width; ++i) out.push_back(' ');
  out.append(text, r.ptr);
}

char* PutFixedText(char* p, double value, int width, int decimals, char point) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const auto biased = static_cast<int>(bits >> 52 & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  // value = mantissa * 2^exponent exactly.
  const uint64_t mantissa = biased == 0 ? fraction : fraction | uint64_t{1} << 52;
  const int exponent = (biased == 0 ? 1 : biased) - 1075;
  // Beyond 2^63, infinities and NaN are rare and left to the general way.
  if (decimals < 0 || decimals > 2 || width > 8 || biased == 0x7FF || exponent > 10) {
    return nullptr;
  }
  uint64_t whole;
  unsigned decimal_digits = 0;
  if (exponent >= 0) {
    whole = mantissa << exponent;  // a whole number below 2^63: the decimals are zeros
  } else {
    // Below 2^60, so no overflow; what is shifted out decides the rounding.
    const uint64_t product = mantissa * (decimals == 2 ? 100 : decimals == 1 ? 10 : 1);
    const int shift = -exponent;
    uint64_t scaled = 0;  // |value| * 10^decimals, rounded half to even
    if (shift < 64) {     // from 64 on, less than 2^-4 of a unit: rounds to zero
      scaled = product >> shift;
      const uint64_t rest = product & ((uint64_t{1} << shift) - 1);
      const uint64_t half = uint64_t{1} << (shift - 1);
      if (rest > half || (rest == half && (scaled & 1))) ++scaled;
    }
    // Constant divisors, so no division instruction.
    if (decimals == 2) {
      whole = scaled / 100;
      decimal_digits = static_cast<unsigned>(scaled % 100);
    } else if (decimals == 1) {
      whole = scaled / 10;
      decimal_digits = static_cast<unsigned>(scaled % 10);
    } else {
      whole = scaled;
    }
  }
  char* const start = p;
  if (bits >> 63) *p++ = '-';  // also for negative zero and what rounds to zero, as printf
  // Most cells fit 32 bits, whose digits come cheaper.
  p = whole <= UINT32_MAX ? std::to_chars(p, p + 10, static_cast<uint32_t>(whole)).ptr
                          : std::to_chars(p, p + 20, whole).ptr;
  if (decimals > 0) {
    *p++ = point;
    if (decimals == 2) {
      *p++ = static_cast<char>('0' + decimal_digits / 10);
      *p++ = static_cast<char>('0' + decimal_digits % 10);
    } else {
      *p++ = static_cast<char>('0' + decimal_digits);
    }
  }
  // The cells' widths never pad a finite value ("0", "0.0", "0.00" fill them); others may.
  const auto length = static_cast<int>(p - start);
  if (length < width) {
    std::memmove(start + (width - length), start, static_cast<size_t>(length));
    std::memset(start, ' ', static_cast<size_t>(width - length));
    p = start + width;
  }
  return p;
}

void AppendFixedText(double value, int width, int decimals, char point, std::string& out) {
  char text[kFixedTextRoom];
  if (char* end = PutFixedText(text, value, width, decimals, point)) {
    out.append(text, end);
    return;
  }
  const size_t cell = out.size();
  AppendPrintfText(value, width, decimals, out);
  if (point != '.')
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(cell), out.end(), '.', point);
}

}  // namespace korvan
