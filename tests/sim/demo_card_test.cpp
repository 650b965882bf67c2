#include "sim/demo_card.h"

#include <gtest/gtest.h>

#include "app/data_location.h"
#include "app/date_time.h"
#include "data/measurement.h"
#include "instruments/quantity_file.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

TEST(DemoCard, LoadsAsAWeekOfFourLinesWithSubsecondsAtTheEnd) {
  for (char separator : {',', '.'}) {
    testing::TempDir dir;
    const double today = EncodeDate(2026, 12, 8);
    WriteDemoCard(dir.path(), today, separator);
    testing::FakeDialogs dialogs;
    Measurement m;
    LoadResult result;
    DataLocation location{.alternative = true, .alt_dir = dir.path()};
    ASSERT_TRUE(LoadMeasurement(location, dialogs, today, {}, m, &result));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(result.source, "CONFIG.INI");
    EXPECT_EQ(m.line_count, 4u);
    EXPECT_EQ(m.lines[2].caption, "Elektroměr - Příkon [kW]");
    EXPECT_DOUBLE_EQ(m.lines[1].multiplier, 0.1);
    EXPECT_EQ(m.buffers[0].count(), 7u * 8640u);
    EXPECT_EQ(m.buffers[3].count(), 7u * 1440u);
    EXPECT_TRUE(m.subseconds_present);
    ASSERT_TRUE(result.has_range);
    EXPECT_NEAR(result.range_from, today - 7, 1e-9);
    EXPECT_NEAR(result.range_to, today - 10.0 / kSecondsPerDay, 1e-6);
    // Every value of the ranged line is inside its range.
    for (uint32_t i = 0; i < m.buffers[1].count(); ++i) {
      EXPECT_TRUE(InValueRange(m.lines[1], ConvertRawValue(m.lines[1], m.buffers[1][i].raw)));
    }
  }
}

TEST(DemoCard, QuantityFilesMatchTheLoggedLines) {
  testing::TempDir dir;
  WriteDemoQuantityFiles(dir.File("Instrument"), ',');
  QuantityTable table;
  LoadQuantityFile(table, "elektromer.csv", dir.File("Instrument/"), {});
  EXPECT_EQ(table.OfferedCount(), 4);
  EXPECT_EQ(table.Row(1)[kFieldDescription], "Příkon [kW]");
  EXPECT_EQ(table.Row(1)[kFieldMultiplier], "0,01");
  LoadQuantityFile(table, "teplomer.csv", dir.File("Instrument/"), {});
  EXPECT_EQ(table.Row(2)[kFieldNumberType], "S2");
}

}  // namespace
}  // namespace korvan
