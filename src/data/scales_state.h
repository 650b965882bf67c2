#pragma once

#include <array>
#include <string>

namespace korvan {

// Bounds of the two value axes in the order of the scales dialog.
enum ScaleBound { kLeftMin = 0, kLeftMax = 1, kRightMin = 2, kRightMax = 3 };

// The scales dialog's state: per bound 0 = typed value, 1 = data extreme, 2 = data extreme
// with zero included; the value texts are kept as typed.
struct ScalesState {
  std::array<int, 4> choices{2, 2, 2, 2};
  std::array<std::string, 4> texts;
  bool operator==(const ScalesState&) const = default;
};

inline constexpr char kCrossedBoundsText[] = "Horní mez je nižší než dolní !";

// The scales dialog's OK check. Converts the text of every bound whose choice is 0 (left
// minimum first) and throws Error "'%s' is not a valid floating point value" for the first
// that is not a number. Returns false when both bounds of one axis are typed values and the
// minimum is above the maximum (equal bounds pass); the dialog then shows kCrossedBoundsText.
bool ScalesBoundsValid(const ScalesState& state, char decimal_separator);

}  // namespace korvan
