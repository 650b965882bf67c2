#include "graph/axis_scaling.h"

#include <gtest/gtest.h>

#include "app/error.h"

namespace korvan {
namespace {

// Left data 2..5, right data -3..-1, times 100.2..100.8, range 100..101.
RescaleInput Input() {
  RescaleInput in;
  in.left.Add(2, 5);
  in.right.Add(-3, -1);
  in.time.Add(100.2, 100.8);
  in.range_from = 100;
  in.range_to = 101;
  in.scales.choices = {1, 1, 1, 1};
  return in;
}

double Margin(double low, double high) { return static_cast<float>((high - low) * 0.01 + 0.0001); }

TEST(ComputeRescaleTest, BoundRulesPerMode) {
  struct Row {
    const char* name;
    std::array<int, 4> choices;
    std::array<const char*, 4> texts;
    double left_low, left_high, right_low, right_high;
  };
  const Row rows[] = {
      {"data extremes", {1, 1, 1, 1}, {"", "", "", ""}, 2, 5, -3, -1},
      {"zero included", {2, 2, 2, 2}, {"", "", "", ""}, 0, 5, -3, 0},
      {"typed values", {0, 0, 0, 0}, {"1", "7,5", "-10", "10"}, 1, 7.5, -10, 10},
      {"typed min above data", {0, 1, 1, 1}, {"10", "", "", ""}, 10, 11, -3, -1},
      {"typed max below data", {1, 0, 1, 0}, {"", "1", "", "-5"}, 0, 1, -6, -5},
      {"typed min equal data max", {0, 1, 1, 1}, {"5", "", "", ""}, 5, 6, -3, -1},
      {"typed max wins over typed min", {0, 0, 1, 1}, {"4", "3", "", ""}, 2, 3, -3, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RescaleInput in = Input();
    in.scales.choices = row.choices;
    for (int i = 0; i < 4; ++i) in.scales.texts[i] = row.texts[i];
    const RescaleResult r = ComputeRescale(in, true, true, true, ',');
    ASSERT_TRUE(r.left && r.right);
    const double lm = Margin(row.left_low, row.left_high);
    const double rm = Margin(row.right_low, row.right_high);
    EXPECT_DOUBLE_EQ(r.left->minimum, row.left_low - lm);
    EXPECT_DOUBLE_EQ(r.left->maximum, row.left_high + lm);
    EXPECT_DOUBLE_EQ(r.right->minimum, row.right_low - rm);
    EXPECT_DOUBLE_EQ(r.right->maximum, row.right_high + rm);
  }
}

TEST(ComputeRescaleTest, TypedTenAboveDataUpToFive) {
  RescaleInput in = Input();
  in.scales.choices[kLeftMin] = 0;
  in.scales.texts[kLeftMin] = "10";
  const RescaleResult r = ComputeRescale(in, false, true, false, ',');
  ASSERT_TRUE(r.left);
  EXPECT_NEAR(r.left->minimum, 9.9899, 1e-6);
  EXPECT_NEAR(r.left->maximum, 11.0101, 1e-6);
}

TEST(ComputeRescaleTest, EqualValuesGetTheSmallMargin) {
  RescaleInput in = Input();
  in.left = {};
  in.left.Add(3, 3);
  const RescaleResult r = ComputeRescale(in, false, true, false, ',');
  ASSERT_TRUE(r.left);
  EXPECT_DOUBLE_EQ(r.left->minimum, 3 - static_cast<double>(0.0001f));
  EXPECT_DOUBLE_EQ(r.left->maximum, 3 + static_cast<double>(0.0001f));
  EXPECT_GT(r.left->maximum, r.left->minimum);
}

TEST(ComputeRescaleTest, OnlyRequestedAndUsedAxesChange) {
  RescaleInput in = Input();
  RescaleResult r = ComputeRescale(in, false, true, false, ',');
  EXPECT_TRUE(r.left);
  EXPECT_FALSE(r.right);
  EXPECT_FALSE(r.time);

  in.right = {};
  r = ComputeRescale(in, true, true, true, ',');
  EXPECT_TRUE(r.left);
  EXPECT_FALSE(r.right);
  EXPECT_TRUE(r.time);

  in.left = {};
  r = ComputeRescale(in, true, true, true, ',');
  EXPECT_FALSE(r.left || r.right || r.time);
}

TEST(ComputeRescaleTest, TimeAxisIsTheRangeNarrowedToTheData) {
  struct Row {
    double data_low, data_high, from, to, low, high;
  };
  const Row rows[] = {
      {100.2, 100.8, 100, 101, 100.2, 100.8},  // data inside the range
      {99.0, 102.0, 100, 101, 100, 101},       // range inside the data
      {99.0, 100.5, 100, 101, 100, 100.5},
  };
  for (const Row& row : rows) {
    RescaleInput in = Input();
    in.time = {};
    in.time.Add(row.data_low, row.data_high);
    in.range_from = row.from;
    in.range_to = row.to;
    const RescaleResult r = ComputeRescale(in, true, false, false, ',');
    ASSERT_TRUE(r.time);
    EXPECT_DOUBLE_EQ(r.time->minimum, row.low);
    EXPECT_DOUBLE_EQ(r.time->maximum, row.high);
    EXPECT_FALSE(r.left);
  }
}

TEST(ComputeRescaleTest, OneSampleKeepsATimeRangeAroundIt) {
  RescaleInput in = Input();
  in.time = {};
  in.time.Add(100.5, 100.5);
  const RescaleResult r = ComputeRescale(in, true, false, false, ',');
  ASSERT_TRUE(r.time);
  EXPECT_LT(r.time->minimum, 100.5);
  EXPECT_GT(r.time->maximum, 100.5);
}

TEST(ComputeRescaleTest, TypedBoundThatIsNoNumberIsAnError) {
  RescaleInput in = Input();
  in.scales.choices[kRightMax] = 0;
  in.scales.texts[kRightMax] = "1.5";  // a point under a decimal comma
  try {
    ComputeRescale(in, true, true, true, ',');
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'1.5' is not a valid floating point value");
  }
  // Untyped bounds are not looked at.
  in.scales.choices[kRightMax] = 1;
  EXPECT_NO_THROW(ComputeRescale(in, true, true, true, ','));
}

TEST(StepAxisTest, PanAndZoomMoveBothEnds) {
  struct Row {
    AxisStep step;
    double low, high;
  };
  // Range 10..30, span 20.
  const Row rows[] = {
      {AxisStep::kShiftUp, 11, 31},
      {AxisStep::kShiftDown, 9, 29},
      {AxisStep::kZoomIn, 15, 25},
      {AxisStep::kZoomOut, 0, 40},
  };
  for (const Row& row : rows) {
    const AxisRange r = StepAxis({10, 30}, row.step);
    EXPECT_DOUBLE_EQ(r.minimum, row.low);
    EXPECT_DOUBLE_EQ(r.maximum, row.high);
  }
  // In then out gives the range back.
  const AxisRange back = StepAxis(StepAxis({10, 30}, AxisStep::kZoomIn), AxisStep::kZoomOut);
  EXPECT_DOUBLE_EQ(back.minimum, 10);
  EXPECT_DOUBLE_EQ(back.maximum, 30);
}

TEST(IsZoomDragTest, OnlyTowardsTheLowerRightZooms) {
  EXPECT_TRUE(IsZoomDrag(1, 10, 2, 5));
  EXPECT_FALSE(IsZoomDrag(2, 5, 1, 10));  // upper left: undo
  EXPECT_FALSE(IsZoomDrag(1, 5, 2, 10));  // upper right
  EXPECT_FALSE(IsZoomDrag(2, 10, 1, 5));  // lower left
}

}  // namespace
}  // namespace korvan
