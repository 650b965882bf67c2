#include "graph/axis_scaling.h"

#include "app/numbers.h"

namespace korvan {
namespace {

struct Bounds {
  double minimum;
  double maximum;
};

void ApplyRules(Bounds& b, int min_choice, const std::string& min_text, int max_choice,
                const std::string& max_text, char separator) {
  if (min_choice == 0) {
    b.minimum = StrToFloat(min_text, separator);
    if (!(b.maximum > b.minimum)) b.maximum = b.minimum + 1;
  } else if (min_choice == 2 && b.minimum > 0) {
    b.minimum = 0;
  }
  if (max_choice == 0) {
    b.maximum = StrToFloat(max_text, separator);
    if (!(b.minimum < b.maximum)) b.minimum = b.maximum - 1;
  } else if (max_choice == 2 && b.maximum < 0) {
    b.maximum = 0;
  }
}

AxisRange WithMargin(const Bounds& b) {
  // The margin is held in single precision, as the chart component computes it.
  const double margin = static_cast<float>((b.maximum - b.minimum) * 0.01 + 0.0001);
  return {b.minimum - margin, b.maximum + margin};
}

}  // namespace

RescaleResult ComputeRescale(const RescaleInput& input, bool time, bool left, bool right,
                             char decimal_separator) {
  const ScalesState& s = input.scales;
  Bounds l{input.left.minimum, input.left.maximum};
  Bounds r{input.right.minimum, input.right.maximum};
  // The rules run even for an unused axis: a bound that is not a number is reported.
  ApplyRules(l, s.choices[kLeftMin], s.texts[kLeftMin], s.choices[kLeftMax], s.texts[kLeftMax],
             decimal_separator);
  ApplyRules(r, s.choices[kRightMin], s.texts[kRightMin], s.choices[kRightMax], s.texts[kRightMax],
             decimal_separator);

  RescaleResult result;
  if (left && input.left.used) result.left = WithMargin(l);
  if (right && input.right.used) result.right = WithMargin(r);
  if (time && (input.left.used || input.right.used)) {
    AxisRange t{input.range_from, input.range_to};
    if (input.time.minimum != 1e38 && input.time.minimum > t.minimum) {
      t.minimum = input.time.minimum;
    }
    if (input.time.maximum != -1e38 && input.time.maximum < t.maximum) {
      t.maximum = input.time.maximum;
    }
    // One point in time (a single sample) would give an empty range that the chart
    // cannot show; a second either side keeps it in view.
    if (!(t.maximum > t.minimum)) {
      const double centre = t.minimum;
      t = {centre - kSecondDays, centre + kSecondDays};
    }
    result.time = t;
  }
  return result;
}

AxisRange StepAxis(const AxisRange& range, AxisStep step) {
  const double span = range.maximum - range.minimum;
  switch (step) {
    case AxisStep::kShiftUp:
      return {range.minimum + 0.05 * span, range.maximum + 0.05 * span};
    case AxisStep::kShiftDown:
      return {range.minimum - 0.05 * span, range.maximum - 0.05 * span};
    case AxisStep::kZoomIn:
      return {range.minimum + 0.25 * span, range.maximum - 0.25 * span};
    case AxisStep::kZoomOut:
      return {range.minimum - 0.5 * span, range.maximum + 0.5 * span};
  }
  return range;
}

}  // namespace korvan
