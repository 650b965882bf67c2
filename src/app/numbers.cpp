#include "app/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/error.h"

namespace korvan {
namespace {

// Decimal digits of |value| rounded half away from zero, as the runtime's FloatToDecimal does:
// value = 0.digits * 10^exponent. digits has no leading zero; empty means the value rounded
// to zero. Rounding happens at `significant` digits or at `decimals` places after the point,
// whichever cuts earlier (decimals < 0 means no decimal limit).
struct Decimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};

// Exact decimal expansion of |value| (finite, non-zero): leading digit first, and the power of
// ten of that digit. `precision` counts the digits after the first.
bool ScientificDigits(double value, int precision, std::string& digits, int& exponent) {
  // The exact expansion of a double has at most 767 significant digits.
  char buffer[800];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), std::fabs(value),
                              std::chars_format::scientific, precision);
  if (result.ec != std::errc()) return false;
  std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  size_t e_pos = text.find('e');
  digits.clear();
  for (size_t i = 0; i < e_pos; ++i) {
    if (text[i] != '.') digits.push_back(text[i]);
  }
  int exp = 0;
  std::string_view exp_text = text.substr(e_pos + 1);
  if (!exp_text.empty() && exp_text[0] == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exp);
  exponent = exp;
  return true;
}

Decimal RoundToDecimal(double value, int significant, int decimals) {
  Decimal out;
  out.negative = std::signbit(value);
  if (value == 0) return out;

  std::string digits;
  int point = 0;  // power of ten of digits[0]
  // A short expansion decides the rounding unless the digits after the cut could have been
  // changed by to_chars' own rounding (a run of all 0 or all 9); then use the exact one.
  ScientificDigits(value, 40, digits, point);
  auto cut_for = [&](int first_power) {
    int cut = significant;
    if (decimals >= 0) cut = std::min(cut, first_power + 1 + decimals);
    return cut;
  };
  int cut = cut_for(point);
  if (cut >= 0 && cut + 1 < static_cast<int>(digits.size())) {
    bool all_zero = true;
    bool all_nine = true;
    for (size_t i = static_cast<size_t>(cut) + 1; i < digits.size(); ++i) {
      all_zero = all_zero && digits[i] == '0';
      all_nine = all_nine && digits[i] == '9';
    }
    if (all_zero || all_nine) {
      ScientificDigits(value, 780, digits, point);
      cut = cut_for(point);
    }
  }

  if (cut < 0) return out;  // below half of the last kept place
  bool round_up = cut < static_cast<int>(digits.size()) && digits[static_cast<size_t>(cut)] >= '5';
  digits.resize(static_cast<size_t>(cut));
  if (round_up) {
    int i = cut - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') {
      digits[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++digits[static_cast<size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      ++point;
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return out;
  out.digits = digits.substr(first);
  out.exponent = point + 1 - static_cast<int>(first);
  return out;
}

std::string SpecialText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// Leading blanks, then an optional sign; true for "-". i ends at the first digit.
bool SkipBlanksAndSign(std::string_view s, size_t& i) {
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) return s[i++] == '-';
  return false;
}

std::string_view BeforeNul(std::string_view text) {
  size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string FloatToStr(double value, char decimal_separator) {
  if (!std::isfinite(value)) return SpecialText(value);
  Decimal d = RoundToDecimal(value, 15, -1);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  int n = static_cast<int>(d.digits.size());
  if (d.exponent > 15 || d.exponent < -3) {
    out += d.digits[0];
    if (n > 1) {
      out += decimal_separator;
      out.append(d.digits, 1);
    }
    out += 'E';
    out += IntToStr(d.exponent - 1);
  } else if (d.exponent <= 0) {
    out += '0';
    out += decimal_separator;
    out.append(static_cast<size_t>(-d.exponent), '0');
    out += d.digits;
  } else {
    if (n <= d.exponent) {
      out += d.digits;
      out.append(static_cast<size_t>(d.exponent - n), '0');
    } else {
      out.append(d.digits, 0, static_cast<size_t>(d.exponent));
      out += decimal_separator;
      out.append(d.digits, static_cast<size_t>(d.exponent));
    }
  }
  return out;
}

bool TryStrToFloat(std::string_view text, char decimal_separator, double& value) {
  std::string_view s = BeforeNul(text);
  const size_t n = s.size();
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(s, i);

  // Rebuilt in the form from_chars reads, whatever the separator in force.
  std::string normal;
  size_t int_digits = 0;
  size_t frac_digits = 0;
  while (i < n && IsDigit(s[i])) {
    normal += s[i++];
    ++int_digits;
  }
  if (i < n && s[i] == decimal_separator) {
    ++i;
    normal += '.';
    while (i < n && IsDigit(s[i])) {
      normal += s[i++];
      ++frac_digits;
    }
  }
  if (int_digits + frac_digits == 0) return false;
  const size_t mantissa_end = normal.size();
  bool exponent_negative = false;
  long long exponent = 0;  // saturated; only its sign and rough size matter below
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    normal += 'e';
    if (i < n && (s[i] == '+' || s[i] == '-')) {
      exponent_negative = s[i] == '-';
      normal += s[i++];
    }
    size_t exponent_digits = 0;
    while (i < n && IsDigit(s[i])) {
      if (exponent < 1000000000LL) exponent = exponent * 10 + (s[i] - '0');
      normal += s[i++];
      ++exponent_digits;
    }
    if (exponent_digits == 0) return false;
    if (exponent_negative) exponent = -exponent;
  }
  while (i < n && s[i] == ' ') ++i;
  if (i != n) return false;

  double parsed = 0;
  auto result = std::from_chars(normal.data(), normal.data() + normal.size(), parsed,
                                std::chars_format::general);
  if (result.ptr != normal.data() + normal.size()) return false;
  if (result.ec == std::errc::result_out_of_range) {
    // Too large is not a valid number; too small for a double reads as zero. The decimal
    // magnitude (position of the first significant digit) tells which of the two it was.
    std::string_view mantissa(normal.data(), mantissa_end);
    size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
      parsed = 0;
    } else {
      long long magnitude = exponent;
      if (first < int_digits) {
        magnitude += static_cast<long long>(int_digits - first);
      } else {
        magnitude -= static_cast<long long>(first - int_digits - 1);
      }
      if (magnitude > 0) return false;
      parsed = 0;
    }
  } else if (result.ec != std::errc()) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

double StrToFloat(std::string_view text, char decimal_separator) {
  double value = 0;
  if (!TryStrToFloat(text, decimal_separator, value)) {
    throw Error("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

bool TryFileStrToFloat(std::string_view text, double& value) {
  return TryStrToFloat(text, ',', value) || TryStrToFloat(text, '.', value);
}

double FileStrToFloat(std::string_view text) {
  double value = 0;
  if (!TryFileStrToFloat(text, value)) {
    throw Error("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  std::string_view s = BeforeNul(text);
  const size_t n = s.size();
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(s, i);

  bool hex = false;
  if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;

  if (hex) {
    // All 32 bits may be used; the pattern wraps to a negative value.
    uint32_t bits = 0;
    for (; i < n; ++i) {
      int digit = HexDigit(s[i]);
      if (digit < 0 || bits > 0x0FFFFFFFu) return false;
      bits = (bits << 4) | static_cast<uint32_t>(digit);
    }
    uint32_t result = negative ? 0u - bits : bits;
    value = static_cast<int32_t>(result);
    return true;
  }

  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    if (!IsDigit(s[i])) return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(s[i] - '0');
    if (magnitude > 2147483648ull) return false;
  }
  if (!negative && magnitude > 2147483647ull) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value)) {
    throw Error("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

int32_t StrToIntDef(std::string_view text, int32_t default_value) {
  int32_t value = 0;
  return TryStrToInt(text, value) ? value : default_value;
}

std::string IntToStr(int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, result.ptr);
}

namespace {

// One section of a FormatFloat pattern, reduced to what the layout needs.
struct Section {
  std::string_view text;
  int integer_places = 0;     // digit placeholders before the decimal point
  int first_zero_power = -1;  // power of ten of the leftmost '0' before the point
  int decimal_places = 0;     // placeholders after the point
  int min_decimals = 0;       // up to the rightmost '0' after the point
  bool grouping = false;
};

// Where the quoted text that opens at i ends: its closing quote, or the end of the pattern.
size_t QuoteEnd(std::string_view text, size_t i) {
  const size_t close = text.find(text[i], i + 1);
  return close == std::string_view::npos ? text.size() : close;
}

Section Analyse(std::string_view text) {
  Section s;
  s.text = text;
  bool after_point = false;
  std::vector<char> integer_kinds;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      i = QuoteEnd(text, i);
    } else if (c == '.') {
      after_point = true;
    } else if (c == ',') {
      if (!after_point) s.grouping = true;
    } else if (c == '0' || c == '#') {
      if (after_point) {
        ++s.decimal_places;
        if (c == '0') s.min_decimals = s.decimal_places;
      } else {
        integer_kinds.push_back(c);
      }
    }
  }
  s.integer_places = static_cast<int>(integer_kinds.size());
  for (size_t i = 0; i < integer_kinds.size(); ++i) {
    if (integer_kinds[i] == '0') {
      s.first_zero_power = s.integer_places - 1 - static_cast<int>(i);
      break;
    }
  }
  return s;
}

std::vector<std::string_view> SplitSections(std::string_view pattern) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'' || c == '"') {
      i = QuoteEnd(pattern, i);
    } else if (c == ';') {
      sections.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(pattern.substr(start));
  return sections;
}

std::string Layout(const Section& s, const Decimal& d, bool minus, char decimal_separator,
                   std::string_view thousand_separator) {
  // Integer digits (most significant first) and the decimals the value needs.
  std::string int_digits;
  std::string frac_digits;
  int n = static_cast<int>(d.digits.size());
  if (d.exponent > 0) {
    for (int k = 0; k < d.exponent; ++k) int_digits += k < n ? d.digits[k] : '0';
    if (n > d.exponent) frac_digits = d.digits.substr(static_cast<size_t>(d.exponent));
  } else if (n > 0) {
    frac_digits = std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
  }
  int decimals_shown = std::max(s.min_decimals, static_cast<int>(frac_digits.size()));
  const int int_count = static_cast<int>(int_digits.size());

  std::string out = minus ? "-" : "";
  auto emit_digit = [&](int power) {
    out += int_digits[static_cast<size_t>(int_count - 1 - power)];
    if (s.grouping && power > 0 && power % 3 == 0) out += thousand_separator;
  };
  int power = s.integer_places - 1;  // of the next integer placeholder
  int frac_index = 0;
  bool after_point = false;
  bool integer_started = false;
  const std::string_view text = s.text;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      const size_t end = QuoteEnd(text, i);
      out.append(text.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == ',') {
      // Switches grouping on; never copied.
    } else if (c == '.') {
      if (after_point) continue;
      after_point = true;
      if (s.integer_places == 0) {
        for (int p = int_count - 1; p >= 0; --p) emit_digit(p);
      }
      if (decimals_shown > 0) out += decimal_separator;
    } else if ((c == '0' || c == '#') && !after_point) {
      if (!integer_started) {
        // The leftmost placeholder takes every digit the pattern has no place for.
        integer_started = true;
        for (int p = int_count - 1; p > power; --p) emit_digit(p);
      }
      if (power < int_count) {
        emit_digit(power);
      } else if (power <= s.first_zero_power) {
        out += '0';
        if (s.grouping && power > 0 && power % 3 == 0) out += thousand_separator;
      }
      --power;
    } else if (c == '0' || c == '#') {
      if (frac_index < decimals_shown) {
        out += frac_index < static_cast<int>(frac_digits.size())
                   ? frac_digits[static_cast<size_t>(frac_index)]
                   : '0';
      }
      ++frac_index;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value, char decimal_separator,
                        std::string_view thousand_separator) {
  if (!std::isfinite(value)) return SpecialText(value);
  std::vector<std::string_view> sections = SplitSections(pattern);
  Section section = Analyse(sections[0]);
  Decimal d = RoundToDecimal(value, 15, section.decimal_places);
  if (d.exponent >= 18 && !d.digits.empty()) return FloatToStr(value, decimal_separator);

  bool minus = d.negative && !d.digits.empty();
  if (d.digits.empty() && sections.size() >= 3 && !sections[2].empty()) {
    section = Analyse(sections[2]);
    d = RoundToDecimal(value, 15, section.decimal_places);
    minus = false;
  } else if (minus && sections.size() >= 2 && !sections[1].empty()) {
    // A negative section writes its own sign, if any.
    section = Analyse(sections[1]);
    d = RoundToDecimal(value, 15, section.decimal_places);
    minus = false;
  }
  return Layout(section, d, minus, decimal_separator, thousand_separator);
}

}  // namespace korvan
