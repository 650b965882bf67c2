#include "graph/readout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace korvan {
namespace {

TEST(NearestWithin, EndsBetweenAndGaps) {
  const std::vector<double> keys = {1, 2, 4, 8};
  struct Case {
    double x, from, to;
    int expected;  // index, -1 for none
  };
  const Case cases[] = {
      {0, 0, 10, 0},      // before the first
      {9, 0, 10, 3},      // after the last
      {2, 0, 10, 1},      // on a point
      {3, 0, 10, 1},      // halfway: the earlier
      {3.1, 0, 10, 2},    // nearer the later
      {6.5, 0, 10, 3},    // in the gap, nearer its end
      {5.5, 0, 10, 2},    // in the gap, nearer its start
      {7, 0, 5, 2},       // the nearer point is beyond the visible span
      {1.2, 1.5, 10, 1},  // the nearer point is before it
      {6, 4.5, 7.5, -1},  // no point within the span
      {8, 8, 8, 3},       // the span is one instant
  };
  for (const Case& c : cases) {
    auto it =
        NearestWithin(keys.begin(), keys.end(), c.x, c.from, c.to, [](double k) { return k; });
    const int index = it == keys.end() ? -1 : static_cast<int>(it - keys.begin());
    EXPECT_EQ(index, c.expected) << "x " << c.x << " span " << c.from << "-" << c.to;
  }
  const std::vector<double> none;
  EXPECT_EQ(NearestWithin(none.begin(), none.end(), 1.0, 0, 2, [](double k) { return k; }),
            none.end());
}

TEST(CaptionUnit, TheLastBrackets) {
  EXPECT_EQ(CaptionUnit("Teploměr - Teplota vody [°C]"), "°C");
  EXPECT_EQ(CaptionUnit("Elektroměr [EM24] - Příkon [ kW ]"), "kW");
  EXPECT_EQ(CaptionUnit("Tlakoměr - Tlak"), "");
  EXPECT_EQ(CaptionUnit("Tlak ]["), "");
}

TEST(ReadoutLineText, TheCaptionsUnitComesOnceAfterTheValue) {
  struct Case {
    const char* caption;
    const char* value;
    bool has_value;
    const char* expected;
  };
  const Case cases[] = {
      {"Teploměr - Teplota vody [°C]", "74,38724", true, "Teploměr - Teplota vody: 74,38724 °C"},
      {"Teploměr - Teplota vody [°C]", "—", false, "Teploměr - Teplota vody: —"},
      {"Elektroměr - Příkon [ kW ] ", "5", true, "Elektroměr - Příkon: 5 kW"},
      // Brackets that do not end the caption are part of the name, not a unit.
      {"Elektroměr [EM24] - Příkon", "5", true, "Elektroměr [EM24] - Příkon: 5"},
      {"Tlakoměr - Tlak", "1,5", true, "Tlakoměr - Tlak: 1,5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadoutLineText(c.caption, c.value, c.has_value), c.expected) << c.caption;
  }
}

TEST(ShownValueText, SinglePrecisionToTheDigitsItHolds) {
  EXPECT_EQ(ShownValueText(static_cast<float>(48.63289), true, ','), "48,63289");
  EXPECT_EQ(ShownValueText(static_cast<float>(48.63289), false, '.'), "48.6328887939453");
  EXPECT_EQ(ShownValueText(1234567.8, false, ','), "1234567,8");
  EXPECT_EQ(ShownValueText(1e38, true, ','), "1E38");
}

TEST(ShownMeanText, SevenDigitsForEveryTypeButTheWholePartStays) {
  const std::pair<double, const char*> cases[] = {
      {62.3933147632312, "62,39331"},    // an S line's mean
      {21.666666666666668, "21,66667"},  // an F line's mean
      {123456789.4, "123456789"},        // a counter: no digit of its whole part is lost
      {-0.000123456789, "-0,0001234568"}, {6.75, "6,75"}, {0.0, "0"},
  };
  for (const auto& [mean, text] : cases) EXPECT_EQ(ShownMeanText(mean, ','), text) << mean;
}

}  // namespace
}  // namespace korvan
