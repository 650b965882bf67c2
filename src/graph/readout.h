#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

namespace korvan {

// The point nearest in time to x among points sorted by key, looked up by binary search,
// that lies within [from, to] (the visible span); last when none does. Of two points equally
// near, the earlier. key(point) gives a point's time.
template <typename Iterator, typename Key>
Iterator NearestWithin(Iterator first, Iterator last, double x, double from, double to, Key key) {
  const Iterator after = std::lower_bound(
      first, last, x, [&key](const auto& point, double value) { return key(point) < value; });
  auto inside = [&](Iterator it) { return it != last && key(*it) >= from && key(*it) <= to; };
  const Iterator before = after == first ? last : std::prev(after);
  const bool use_before = inside(before);
  const bool use_after = inside(after);
  if (use_before && use_after) return x - key(*before) <= key(*after) - x ? before : after;
  if (use_before) return before;
  if (use_after) return after;
  return last;
}

// The unit of a channel caption: the text in its last brackets ("Teploměr - Teplota vody [°C]"
// gives "°C"); empty when it has none.
std::string CaptionUnit(std::string_view caption);

// A channel's line of the read-out: the unit that ends the caption goes after the value, once
// ("Teploměr - Teplota vody [°C]" and "74,38724" give "Teploměr - Teplota vody: 74,38724 °C").
// Without a value (value_text "—") the unit is left out.
std::string ReadoutLineText(std::string_view caption, std::string_view value_text, bool has_value);

// A value as the read-out and the statistics show it: a line of single-precision numbers
// (types A and F) to the 7 significant digits it holds, any other in the program's general
// format (FloatToStr).
std::string ShownValueText(double value, bool single_precision, char decimal_separator);
// A mean as the statistics show it, whatever the line's type: to the 7 significant digits a
// single-precision sample holds, but never rounded within its whole part.
std::string ShownMeanText(double mean, char decimal_separator);
// Types A and F hold single-precision numbers.
bool IsSinglePrecision(char type_letter);

}  // namespace korvan
