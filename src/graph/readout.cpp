#include "graph/readout.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/numbers.h"

namespace korvan {

std::string CaptionUnit(std::string_view caption) {
  const size_t close = caption.rfind(']');
  if (close == std::string_view::npos) return {};
  const size_t open = caption.rfind('[', close);
  if (open == std::string_view::npos) return {};
  std::string_view unit = caption.substr(open + 1, close - open - 1);
  while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
  while (!unit.empty() && unit.back() == ' ') unit.remove_suffix(1);
  return std::string(unit);
}

std::string ReadoutLineText(std::string_view caption, std::string_view value_text, bool has_value) {
  std::string_view name = caption;
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string unit;
  const size_t open = name.rfind('[');
  if (name.ends_with(']') && open != std::string_view::npos) {
    unit = CaptionUnit(name.substr(open));
    name = name.substr(0, open);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  }
  std::string text = std::string(name) + ": " + std::string(value_text);
  if (has_value && !unit.empty()) text += " " + unit;
  return text;
}

std::string ShownValueText(double value, bool single_precision, char decimal_separator) {
  if (single_precision && std::isfinite(value)) {
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    std::from_chars(text, written.ptr, value);
  }
  return FloatToStr(value, decimal_separator);
}

std::string ShownMeanText(double mean, char decimal_separator) {
  if (std::isfinite(mean) && mean != 0.0) {
    const int whole_digits = static_cast<int>(std::floor(std::log10(std::fabs(mean)))) + 1;
    const int digits = std::clamp(whole_digits, 7, 15);
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, mean, std::chars_format::general, digits);
    std::from_chars(text, written.ptr, mean);
  }
  return FloatToStr(mean, decimal_separator);
}

bool IsSinglePrecision(char type_letter) {
  return type_letter == 'F' || type_letter == 'f' || type_letter == 'A' || type_letter == 'a';
}

}  // namespace korvan
