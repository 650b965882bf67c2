#include "graph/range_stats.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "support/card_builder.h"

namespace korvan {
namespace {

using testing::MakeStamp;

uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

const uint32_t kT0 = MakeStamp(2024, 5, 1, 10, 0, 0);
SampleTime At(int second, uint16_t ms = 0) { return {kT0 + static_cast<uint32_t>(second), ms}; }

// An F line with the range 0..50, times two: samples stored out of time order, one out of
// range, one without a value, the minimum twice.
class RangeStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line.type_letter = 'F';
    line.multiplier = 2.0;
    line.minimum = 0;
    line.maximum = 50;
    Add(5, 0, Bits(3.0f));     // 6, the minimum, later
    Add(1, 0, Bits(10.0f));    // 20, the maximum
    Add(2, 500, Bits(40.0f));  // 80: out of range
    Add(3, 0, 0x7FFFFFFF);     // no value
    Add(3, 0, 0xFFFFFFFF);     // no value
    Add(4, 250, Bits(3.0f));   // 6, the minimum, first
    Add(0, 750, Bits(5.0f));   // 10, the first sample
    Add(6, 0, Bits(4.0f));     // 8, the last sample
  }
  void Add(int second, uint16_t ms, uint32_t raw) { buf.Append({kT0 + second, ms, raw}); }

  MeasuredLine line;
  TBuf buf;
};

TEST_F(RangeStatsTest, WholeMeasurementComputedByHand) {
  const RangeStats s = ComputeRangeStats(line, buf, WindowOfStamps({kT0, kT0 + 6}));
  EXPECT_EQ(s.count, 5u);
  EXPECT_EQ(s.minimum, 6.0);
  EXPECT_EQ(s.minimum_time, At(4, 250));
  EXPECT_EQ(s.maximum, 20.0);
  EXPECT_EQ(s.maximum_time, At(1));
  EXPECT_DOUBLE_EQ(s.mean, (6 + 20 + 6 + 10 + 8) / 5.0);
  EXPECT_EQ(s.first_time, At(0, 750));
  EXPECT_EQ(s.last_time, At(6));
}

TEST_F(RangeStatsTest, WindowsLimitTheSamples) {
  struct Case {
    const char* name;
    std::optional<SampleWindow> window;
    uint64_t count;
    double minimum, maximum;
  };
  const double t0 = UnpackStamp(kT0, 0);
  const double ms = 1.0 / kMsPerDay;
  const Case cases[] = {
      // Stamps count whatever their milliseconds, at both ends.
      {"stamps 0-4", WindowOfStamps({kT0, kT0 + 4}), 3, 6, 20},
      {"stamps 1-5", WindowOfStamps({kT0 + 1, kT0 + 5}), 3, 6, 20},
      // Times to the millisecond: 10:00:04.250 is in from exactly that time, out 1 ms later.
      {"times from 4.250", WindowOfTimes(t0 + 4.25 / kSecondsPerDay, t0 + 10.0 / kSecondsPerDay), 3,
       6, 8},
      {"times from 4.251",
       WindowOfTimes(t0 + 4.25 / kSecondsPerDay + ms, t0 + 10.0 / kSecondsPerDay), 2, 6, 8},
      {"times to 0.750", WindowOfTimes(t0 - 1, t0 + 0.75 / kSecondsPerDay), 1, 10, 10},
      {"before the data", WindowOfStamps({kT0 - 100, kT0 - 1}), 0, 0, 0},
      {"only no-value and out of range", WindowOfStamps({kT0 + 2, kT0 + 3}), 0, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.window) << c.name;
    const RangeStats s = ComputeRangeStats(line, buf, *c.window);
    EXPECT_EQ(s.count, c.count) << c.name;
    if (s.count == 0) continue;
    EXPECT_EQ(s.minimum, c.minimum) << c.name;
    EXPECT_EQ(s.maximum, c.maximum) << c.name;
  }
}

TEST(RangeStats, SignedLineWithOffsetAndNoRange) {
  MeasuredLine line;
  line.type_letter = 'S';
  line.size_digit = 2;
  line.multiplier = 0.5;
  line.offset = 1.0;
  TBuf buf;
  buf.Append({kT0, 0, 0xFFFF});  // -1: 0.5
  buf.Append({kT0, 0, 4});       // 3
  const RangeStats s = ComputeRangeStats(line, buf, SampleWindow{});
  EXPECT_EQ(s.count, 2u);
  EXPECT_EQ(s.minimum, 0.5);
  EXPECT_EQ(s.maximum, 3.0);
  EXPECT_EQ(s.mean, 1.75);
}

TEST(RangeStats, WindowsOfTimesBeyondTheStampYears) {
  const double y2000 = EncodeDate(2000, 1, 1);
  const double y2064 = EncodeDate(2064, 1, 1);
  auto whole = WindowOfTimes(y2000 - 10, y2064 + 10);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->from, (SampleTime{0, 0}));
  EXPECT_EQ(whole->to, (SampleTime{0xFFFFFFFF, 0xFFFF}));
  EXPECT_FALSE(WindowOfTimes(y2000 - 10, y2000 - 1));
  EXPECT_FALSE(WindowOfTimes(y2064, y2064 + 1));
  EXPECT_FALSE(WindowOfTimes(y2000 + 2, y2000 + 1));
  EXPECT_FALSE(Intersect(WindowOfStamps({kT0, kT0}), WindowOfStamps({kT0 + 1, kT0 + 2})));
  EXPECT_EQ(Intersect(WindowOfStamps({kT0, kT0 + 5}), *WindowOfTimes(y2000, y2064))->to,
            (SampleTime{kT0 + 5, 0xFFFF}));
}

TEST(RangeStats, TimeTexts) {
  const uint32_t stamp = MakeStamp(2006, 3, 5, 8, 7, 6);
  EXPECT_EQ(IsoSampleTimeText({stamp, 259}, false), "2006-03-05 08:07:06");
  EXPECT_EQ(IsoSampleTimeText({stamp, 259}, true), "2006-03-05 08:07:06.25");
  EXPECT_EQ(IsoSampleTimeText({stamp, 9}, true), "2006-03-05 08:07:06.00");
  // A chart position rounds to the millisecond.
  const std::optional<SampleTime> t = SampleTimeOf(UnpackStamp(stamp, 999) + 0.4 / kMsPerDay);
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, (SampleTime{stamp, 999}));
  EXPECT_EQ(SampleTimeOf(UnpackStamp(stamp, 999) + 0.6 / kMsPerDay)->stamp, stamp + 1);
  EXPECT_FALSE(SampleTimeOf(EncodeDate(1999, 12, 31)));
}

}  // namespace
}  // namespace korvan

namespace korvan {
namespace {

// Blocks of the fixture's samples, each also carrying a line that is not chosen: the visitor
// gives the chosen line the figures of the line's own buffer, whatever else the blocks hold.
TEST_F(RangeStatsTest, VisitorOfBlocksGivesTheFiguresOfTheBuffer) {
  Measurement m;
  m.line_count = 3;
  m.lines[1] = line;
  const SampleWindow window = WindowOfStamps({kT0 + 1, kT0 + 5});
  RangeStatsVisitor visitor(m, {1, 7, -1}, window);
  for (uint32_t i = 0; i < buf.count(); ++i) {
    uint8_t entries[12] = {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0};
    const LogSample sample = buf[i];
    std::memcpy(entries + 8, &sample.raw, 4);
    visitor.Block(sample.stamp, sample.milliseconds, entries, 2);
  }
  const RangeStats expected = ComputeRangeStats(line, buf, window);
  const std::optional<RangeStats> got = visitor.Of(1);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->count, expected.count);
  EXPECT_EQ(got->minimum, expected.minimum);
  EXPECT_EQ(got->minimum_time, expected.minimum_time);
  EXPECT_EQ(got->maximum_time, expected.maximum_time);
  EXPECT_EQ(got->mean, expected.mean);
  EXPECT_EQ(got->first_time, expected.first_time);
  EXPECT_EQ(got->last_time, expected.last_time);
  EXPECT_FALSE(visitor.Of(0));
  EXPECT_FALSE(visitor.Of(7));
}

}  // namespace
}  // namespace korvan
