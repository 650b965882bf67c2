#include "export/cell_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
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
  AppendGeneralText(value, point, out);
}

char* PutGeneralText(char* p, double value, char point) {
  static constexpr uint64_t kTen[] = {1,         10,         100,         1000,
                                      10000,     100000,     1000000,     10000000,
                                      100000000, 1000000000, 10000000000, 100000000000};
  const auto bits = std::bit_cast<uint64_t>(value);
  const bool negative = bits >> 63;
  if ((bits << 1) == 0) {  // zero: "0" or "-0"
    if (negative) *p++ = '-';
    *p++ = '0';
    return p;
  }
  // The plain form holds from 1E-4 up to below 1E6 after rounding; the rest (the exponent
  // form, specials) is left to the general way.
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 9e-5 && magnitude < 1e6)) return nullptr;
  const auto biased = static_cast<int>(bits >> 52 & 0x7FF);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;
  const int shift = 1075 - biased;  // 33-67 here: magnitude = mantissa / 2^shift
  // The power of ten x of the leading digit: guessed from the magnitude, made sure of with
  // the exact six leading digits below.
  int x = 5;
  while (x > -5 && magnitude < static_cast<double>(kTen[x + 5]) / 1e5) --x;
  using Wide = unsigned __int128;
  Wide product;
  uint64_t digits;  // magnitude * 10^(5 - x), rounded down: 100000-999999 when x is right
  for (int tries = 0;; ++tries) {
    if (x < -4 || x > 5 || tries > 2) return nullptr;
    product = Wide{mantissa} * kTen[5 - x];
    digits = static_cast<uint64_t>(product >> shift);
    if (digits < 100000) {
      --x;
    } else if (digits >= 1000000) {
      ++x;
    } else {
      break;
    }
  }
  const Wide rest = product & ((Wide{1} << shift) - 1);
  const Wide half = Wide{1} << (shift - 1);
  if (rest > half || (rest == half && (digits & 1))) ++digits;  // ties to even, as printf
  if (digits == 1000000) {
    digits = 100000;
    if (++x > 5) return nullptr;  // rounded up to 1E+06
  }
  char d[6];
  for (int i = 5; i >= 0; --i) {
    d[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  int last = 5;  // trailing zeros are dropped, and the point with them
  while (d[last] == '0') --last;
  if (negative) *p++ = '-';
  if (x >= 0) {
    std::memcpy(p, d, static_cast<size_t>(x + 1));
    p += x + 1;
    if (last > x) {
      *p++ = point;
      std::memcpy(p, d + x + 1, static_cast<size_t>(last - x));
      p += last - x;
    }
  } else {
    *p++ = '0';
    *p++ = point;
    for (int i = -1; i > x; --i) *p++ = '0';
    std::memcpy(p, d, static_cast<size_t>(last + 1));
    p += last + 1;
  }
  return p;
}

void AppendGeneralText(double value, char point, std::string& out) {
  char text[kGeneralTextRoom];
  if (char* end = PutGeneralText(text, value, point)) {
    out.append(text, end);
    return;
  }
  const size_t cell = out.size();
  AppendPrintfText(value, 0, -1, out);
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
