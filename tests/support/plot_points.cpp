#include "support/plot_points.h"

#include "app/date_time.h"
#include "app/packed_stamp.h"

namespace korvan {

void PlotPoints::Clear() {
  x.clear();
  y.clear();
  x_min = 1e38;
  x_max = -1e38;
  y_min = 1e38;
  y_max = -1e38;
  sorted = true;
}

void ExtractPlotPoints(const MeasuredLine& line, const TBuf& buffer, const StampRange& range,
                       PlotPoints& points, const PlotProgress& progress) {
  points.Clear();
  const uint32_t count = buffer.count();
  SampleCursor cursor;
  points.x.reserve(count);
  points.y.reserve(count);
  // Samples of one day share the date part; the time of day is computed the way
  // UnpackStamp does, so the values are the same to the last bit.
  uint32_t day_key = 0xFFFFFFFF;
  double day_value = 0;
  bool day_valid = false;
  double last_x = -1e308;
  for (uint32_t i = 0; i < count; ++i) {
    LogSample s;
    buffer.Next(cursor, s);
    if (s.stamp >= range.start && s.stamp <= range.end) {
      const double value = ConvertRawValue(line, s.raw);
      if (InValueRange(line, value)) {
        const uint32_t key = StampDayKey(s.stamp);
        if (key != day_key) {
          day_key = key;
          day_valid = TryEncodeDate(StampYear(s.stamp), static_cast<int>(StampMonth(s.stamp)),
                                    static_cast<int>(StampDay(s.stamp)), day_value);
        }
        if (day_valid) {
          const int64_t ms = int64_t{StampSecondOfDay(s.stamp)} * 1000 + s.milliseconds;
          const double x = day_value + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
          if (x < last_x) points.sorted = false;
          last_x = x;
          points.x.push_back(x);
          points.y.push_back(value);
          if (x < points.x_min) points.x_min = x;
          if (x > points.x_max) points.x_max = x;
          if (value < points.y_min) points.y_min = value;
          if (value > points.y_max) points.y_max = value;
        }
      }
    }
    if (progress && i % 1024 == 0) progress(i + 1);
  }
}

}  // namespace korvan
