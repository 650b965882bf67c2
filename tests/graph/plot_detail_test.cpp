#include "graph/plot_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "graph/readout.h"
#include "support/card_builder.h"
#include "support/plot_points.h"

namespace korvan {
namespace {

using testing::MakeStamp;

struct Case {
  const char* name;
  uint32_t samples;
  double minimum, maximum;  // the line's range (none when equal)
  int disorder;         // 0 in time order, 1 a run stamped back in time, 2 a sample without a date
  bool steady = false;  // milliseconds that keep their step (stored as runs), else at random
};

// A line of F4 samples, one a second with milliseconds, values from a random walk with some
// NaN and no-value words.
TBuf MakeLine(const Case& c, std::mt19937& random) {
  TBuf buffer;
  float value = 0;
  for (uint32_t i = 0; i < c.samples; ++i) {
    uint32_t second = i;
    if (c.disorder == 1 && i >= c.samples / 2 && i < c.samples / 2 + 500) second -= 300;
    const uint32_t stamp = MakeStamp(2024, 1, 1 + second / kSecondsPerDay, second / 3600 % 24,
                                     second / 60 % 60, second % 60);
    value += static_cast<float>(static_cast<int>(random() % 201) - 100) * 0.01f;
    uint32_t raw = std::bit_cast<uint32_t>(value);
    if (random() % 500 == 0) raw = 0x7FC00000;  // NaN
    if (random() % 700 == 0) raw = 0x7FFFFFFF;  // no value
    const auto ms =
        static_cast<uint16_t>(c.steady ? (i / 1000 % 2 == 0 ? 0 : 250) : random() % 1000);
    buffer.Append({stamp, ms, raw});
  }
  if (c.disorder == 2) buffer.Append({MakeStamp(2024, 2, 31, 0, 0, 0), 0, 0});
  return buffer;
}

// Everything the chart, the axes and the read-out take from a line is what all its points give:
// the count, the extremes of values and times, the sample nearest in time.
TEST(LineDetailTest, FiguresAreThoseOfAllPoints) {
  const Case cases[] = {
      {"in order", 5000, 0, 0, 0},
      {"with a range", 5000, -3, 3, 0},
      {"three levels of the pyramid", 300000, -5, 20, 0},
      {"a run back in time", 4000, 0, 0, 1},
      {"a stamp without a date", 3000, -2, 2, 2},
      {"steady times", 300000, -5, 20, 0, true},
      {"steady times, a run back in time", 4000, 0, 0, 1, true},
      {"steady times, a stamp without a date", 3000, -2, 2, 2, true},
  };
  std::mt19937 random(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeasuredLine line;
    line.type_letter = 'F';
    line.size_digit = 4;
    line.minimum = c.minimum;
    line.maximum = c.maximum;
    const TBuf buffer = MakeLine(c, random);
    const uint32_t first = buffer[0].stamp;
    const uint32_t last = buffer[buffer.count() / 2 + 800].stamp;
    const StampRange ranges[] = {{0, 0xFFFFFFFF}, {first + 5, last}, {last, last}};
    for (const StampRange& range : ranges) {
      const LineDetail detail(line, buffer, range);
      EXPECT_EQ(detail.InTimeOrder(), c.disorder == 0);
      ASSERT_TRUE(detail.Covers(range));
      PlotPoints all;
      ExtractPlotPoints(line, buffer, range, all);
      std::vector<size_t> order(all.size());
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return all.x[a] < all.x[b]; });
      std::vector<double> keys, values;
      for (size_t k : order) {
        keys.push_back(all.x[k]);
        values.push_back(all.y[k]);
      }

      const LineDetail::Span span = detail.SpanOf(range);
      const LineDetail::Extent e = detail.ExtentOf(span);
      EXPECT_EQ(e.count, all.size());
      EXPECT_EQ(e.value_min, all.y_min);
      EXPECT_EQ(e.value_max, all.y_max);
      EXPECT_EQ(e.key_min, all.x_min);
      EXPECT_EQ(e.key_max, all.x_max);

      for (int k = 0; k < 40; ++k) {
        const double from = all.x_min + (all.x_max - all.x_min) * (k % 5) / 5.0;
        const double to = from + (all.x_max - all.x_min) / 7.0;
        const double x = all.x_min - 1e-4 + (all.x_max - all.x_min + 2e-4) * k / 39.0;
        const auto it =
            NearestWithin(keys.begin(), keys.end(), x, from, to, [](double key) { return key; });
        const std::optional<DetailPoint> nearest = detail.Nearest(span, x, from, to);
        ASSERT_EQ(nearest.has_value(), it != keys.end()) << k;
        if (nearest) {
          EXPECT_EQ(nearest->key, *it);
          EXPECT_EQ(std::bit_cast<uint64_t>(nearest->value),
                    std::bit_cast<uint64_t>(values[static_cast<size_t>(it - keys.begin())]));
        }
      }
    }
  }
}

// A long line (built on two cores) in a small fraction of its samples' memory (a sixteenth),
// with the figures of all its samples.
TEST(LineDetailTest, LongLineSmallBesideTheSamples) {
  TBuf buffer;
  const uint32_t count = (uint32_t{1} << 20) + 4100;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t raw = i == 700000 ? 5000000 : i % 1000;
    buffer.Append(
        {MakeStamp(2024, 1, 1 + i / kSecondsPerDay, i / 3600 % 24, i / 60 % 60, i % 60), 0, raw});
  }
  MeasuredLine line;
  line.maximum = 4000000;  // the one large value is out of range
  const LineDetail detail(line, buffer, {0, 0xFFFFFFFF});
  EXPECT_TRUE(detail.InTimeOrder());
  EXPECT_LT(detail.MemoryBytes(), buffer.count() * sizeof(LogSample) / 16);
  const LineDetail::Extent e = detail.ExtentOf(detail.SpanOf({0, 0xFFFFFFFF}));
  EXPECT_EQ(e.count, count - 1);
  EXPECT_EQ(e.value_min, 0);
  EXPECT_EQ(e.value_max, 999);
  EXPECT_EQ(e.key_max, UnpackStamp(buffer[count - 1].stamp, 0));
}

}  // namespace
}  // namespace korvan
