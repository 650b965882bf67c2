#include "support/plot_points.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "app/encodings.h"
#include "support/card_builder.h"

namespace korvan {
namespace {

using testing::MakeStamp;

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

MeasuredLine FloatLine(double minimum = 0, double maximum = 0) {
  MeasuredLine line;
  line.type_letter = 'F';
  line.size_digit = 4;
  line.multiplier = 2.0;
  line.minimum = minimum;
  line.maximum = maximum;
  return line;
}

TEST(ExtractPlotPointsTest, KeepsSamplesInsideTheStampRangeWhateverTheirMilliseconds) {
  TBuf buf;
  const uint32_t t0 = MakeStamp(2024, 5, 1, 10, 0, 0);
  const uint32_t t1 = MakeStamp(2024, 5, 1, 10, 0, 1);
  const uint32_t t2 = MakeStamp(2024, 5, 1, 10, 0, 2);
  const uint32_t t3 = MakeStamp(2024, 5, 1, 10, 0, 3);
  buf.Append({t0, 500, Bits(1)});
  buf.Append({t1, 0, Bits(2)});
  buf.Append({t2, 999, Bits(3)});
  buf.Append({t3, 0, Bits(4)});
  PlotPoints p;
  ExtractPlotPoints(FloatLine(), buf, {t1, t2}, p);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p.x[0], UnpackStamp(t1, 0));
  EXPECT_EQ(p.x[1], UnpackStamp(t2, 999));
  EXPECT_EQ(p.y[0], 4.0);  // times the multiplier
  EXPECT_EQ(p.y[1], 6.0);
  EXPECT_EQ(p.x_min, p.x[0]);
  EXPECT_EQ(p.x_max, p.x[1]);
  EXPECT_EQ(p.y_min, 4.0);
  EXPECT_EQ(p.y_max, 6.0);
  EXPECT_TRUE(p.sorted);

  ExtractPlotPoints(FloatLine(), buf, {t3 + 1, t3 + 100}, p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(p.y_max, -1e38);
}

TEST(ExtractPlotPointsTest, ValueRangeAndNoValueSamples) {
  TBuf buf;
  const uint32_t t = MakeStamp(2024, 5, 1, 10, 0, 0);
  for (float v : {-1.0f, 0.5f, 3.0f, 10.0f}) buf.Append({t, 0, Bits(v)});
  buf.Append({t, 0, 0x7FFFFFFF});  // no value
  PlotPoints p;
  ExtractPlotPoints(FloatLine(0, 10), buf, {0, 0xFFFFFFFF}, p);
  EXPECT_EQ(p.y, (std::vector<double>{1.0, 6.0}));
  // Without a range the "no value" stand-in is plotted.
  ExtractPlotPoints(FloatLine(), buf, {0, 0xFFFFFFFF}, p);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p.y.back(), kNoValue);
}

TEST(ExtractPlotPointsTest, DaysAndOrderAcrossMidnight) {
  TBuf buf;
  const uint32_t a = MakeStamp(2024, 2, 28, 23, 59, 59);
  const uint32_t b = MakeStamp(2024, 2, 29, 0, 0, 0);
  const uint32_t c = MakeStamp(2024, 3, 1, 12, 0, 0);
  buf.Append({b, 0, Bits(1)});
  buf.Append({a, 10, Bits(1)});
  buf.Append({c, 0, Bits(1)});
  PlotPoints p;
  ExtractPlotPoints(FloatLine(), buf, {0, 0xFFFFFFFF}, p);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p.x[0], UnpackStamp(b, 0));
  EXPECT_EQ(p.x[1], UnpackStamp(a, 10));
  EXPECT_EQ(p.x[2], UnpackStamp(c, 0));
  EXPECT_FALSE(p.sorted);
}

TEST(ExtractPlotPointsTest, ProgressEvery1024Samples) {
  TBuf buf;
  for (int i = 0; i < 3000; ++i) buf.Append({MakeStamp(2024, 1, 1, 0, 0, 0), 0, Bits(1)});
  std::vector<uint32_t> positions;
  PlotPoints p;
  ExtractPlotPoints(FloatLine(), buf, {0, 0xFFFFFFFF}, p,
                    [&](uint32_t position) { positions.push_back(position); });
  EXPECT_EQ(positions, (std::vector<uint32_t>{1, 1025, 2049}));
  EXPECT_EQ(p.size(), 3000u);
}

}  // namespace
}  // namespace korvan
