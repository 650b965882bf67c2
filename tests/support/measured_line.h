#pragma once

#include <string>
#include <utility>

#include "data/measurement.h"

namespace korvan::testing {

// A line of the given number type and scaling, as the loader fills it from the card image.
inline MeasuredLine Line(char letter, int digit, double multiplier = 1.0, double minimum = 0.0,
                         double maximum = 0.0, double offset = 0.0, std::string caption = {}) {
  MeasuredLine line;
  line.type_letter = letter;
  line.size_digit = digit;
  line.multiplier = multiplier;
  line.minimum = minimum;
  line.maximum = maximum;
  line.offset = offset;
  line.caption = std::move(caption);
  return line;
}

}  // namespace korvan::testing
