#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "data/measurement.h"
#include "export/export.h"

namespace korvan {

// Every point of one channel as the chart once took them all: x the samples' date-times, y
// their physical values. The reference the line detail's figures and pictures are held to.
struct PlotPoints {
  std::vector<double> x;
  std::vector<double> y;
  double x_min = 1e38, x_max = -1e38;
  double y_min = 1e38, y_max = -1e38;
  bool sorted = true;  // x never decreases

  size_t size() const { return x.size(); }
  bool empty() const { return x.empty(); }
  void Clear();
};

// Called with i + 1 after sample i whenever i is a multiple of 1024.
using PlotProgress = std::function<void(uint32_t position)>;

// One pass over the line's samples in stored order: a sample belongs to the plot when its
// stamp lies within range (unsigned, milliseconds left out) and its converted value is in
// the line's value range; x = UnpackStamp(stamp, milliseconds).
void ExtractPlotPoints(const MeasuredLine& line, const TBuf& buffer, const StampRange& range,
                       PlotPoints& points, const PlotProgress& progress = {});

}  // namespace korvan
