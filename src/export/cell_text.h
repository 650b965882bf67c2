#pragma once

#include <cstddef>
#include <string>

#include "data/measurement.h"

namespace korvan {

// How a line's values become cell text: "%G" for the A and F types, otherwise a fixed number
// of decimals by the multiplier ("%1.0f", "%3.1f", "%4.2f").
struct CellRule {
  bool general = false;
  int width = 1;
  int decimals = 0;
};
CellRule CellRuleOf(const MeasuredLine& line);

// The text of value by the rule, with point as the decimal point.
void AppendRuleText(const CellRule& rule, double value, char point, std::string& out);

// printf's "%W.Df" in the C locale: the exact binary value rounded to decimals places, ties
// to even. Made from the whole part and the scaled fraction in integers for decimals 0-2 and
// magnitudes below 2^63; anything else goes through AppendPrintfText.
void AppendFixedText(double value, int width, int decimals, char point, std::string& out);

// The same for the values the integer way covers: the text written at p (at most
// kFixedTextRoom characters) and its end, or null, with nothing written, for the others
// (widths above 8 included).
inline constexpr size_t kFixedTextRoom = 24;
char* PutFixedText(char* p, double value, int width, int decimals, char point);

// printf's "%G" in the C locale with point as the decimal point. Values whose text takes the
// plain form (1E-4 up to below 1E6) are made from their six leading digits in integers;
// anything else goes through AppendPrintfText.
void AppendGeneralText(double value, char point, std::string& out);
// The integer way alone, as PutFixedText: at most kGeneralTextRoom characters, or null.
inline constexpr size_t kGeneralTextRoom = 16;  // not above kFixedTextRoom
char* PutGeneralText(char* p, double value, char point);

// printf's "%W.Pf" (precision >= 0) or "%G" (precision < 0) in the C locale, "." as the
// point, through std::to_chars: the general way, and what the fast one must agree with.
void AppendPrintfText(double value, int width, int precision, std::string& out);

// The cell of one raw value, as ValueCellText but with point as the decimal point.
inline void AppendCellText(const MeasuredLine& line, const CellRule& rule, uint32_t raw, char point,
                           std::string& out) {
  if (IsNoValue(line, raw)) return;
  const double value = ConvertRawValue(line, raw);
  if (!InValueRange(line, value)) return;
  AppendRuleText(rule, value, point, out);
}

}  // namespace korvan
