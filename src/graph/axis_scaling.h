#pragma once

#include <optional>

#include "data/scales_state.h"
#include "graph/time_axis.h"

namespace korvan {

struct AxisRange {
  double minimum = 0;
  double maximum = 0;
  bool operator==(const AxisRange&) const = default;
};

// The extremes of the points shown on one axis; "unused" while nothing was added.
struct DataExtent {
  double minimum = 1e38;
  double maximum = -1e38;
  bool used = false;
  void Add(double low, double high) {
    if (low < minimum) minimum = low;
    if (high > maximum) maximum = high;
    used = true;
  }
};

// What the rescale looks at: the shown channels' values per axis and times, the "Od"/"Do"
// range and the scales dialog's rules.
struct RescaleInput {
  DataExtent left;
  DataExtent right;
  DataExtent time;
  double range_from = 0;
  double range_to = 0;
  ScalesState scales;
};

// New ranges of the requested axes; an axis that was not requested or shows no data stays
// as it is (no value). The time axis is set when any value axis shows data. Typed bounds
// are converted with decimal_separator and throw Error when they are not numbers.
struct RescaleResult {
  std::optional<AxisRange> left;
  std::optional<AxisRange> right;
  std::optional<AxisRange> time;
};
RescaleResult ComputeRescale(const RescaleInput& input, bool time, bool left, bool right,
                             char decimal_separator);

// The pan and zoom buttons: both ends move by a fraction of the span.
enum class AxisStep {
  kShiftUp,    // +5 % (time axis to the right, value axis down)
  kShiftDown,  // -5 %
  kZoomIn,     // half the span around its centre
  kZoomOut,    // twice the span
};
AxisRange StepAxis(const AxisRange& range, AxisStep step);

// The rectangle a mouse drag selected, in axis values; a drag towards the lower right
// (start key below end key and start value above end value) zooms, any other undoes.
inline bool IsZoomDrag(double start_key, double start_value, double end_key, double end_value) {
  return start_key < end_key && start_value > end_value;
}

}  // namespace korvan
