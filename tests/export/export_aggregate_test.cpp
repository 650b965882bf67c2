#include "export/export_aggregate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "export/xlsx_export.h"
#include "support/card_builder.h"
#include "support/fake_dialogs.h"
#include "support/string_sink.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FloatBits;
using testing::MakeStamp;

class AggregateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.line_count = 2;
    m.lines[0].type_letter = 'U';
    m.lines[0].size_digit = 4;
    m.lines[0].multiplier = 0.1;
    m.lines[0].maximum = 10;  // raw above 100 is out of range
    m.lines[0].caption = "Tlak";
    m.lines[1].type_letter = 'F';
    m.lines[1].size_digit = 4;
    m.lines[1].multiplier = 1;
    m.lines[1].caption = "Teplota";
  }
  void Add(int line, uint32_t stamp, uint32_t raw, uint16_t ms = 0) {
    m.buffers[line].Append({stamp, ms, raw});
  }
  std::string Csv(const AggregateOptions& options) {
    testing::StringSink sink;
    std::vector<int> lines{0, 1};
    EXPECT_TRUE(WriteAggregatedExport(m, lines, {0, 0xFFFFFFFF}, options, '.', sink));
    return Cp1250ToUtf8(sink.bytes);
  }
  Measurement m;
};

TEST_F(AggregateTest, FiguresPerMinuteWithEdgesGapsAndLeftOutValues) {
  const uint32_t t = MakeStamp(2024, 1, 31, 23, 58, 0);
  Add(0, t + 5, 10);
  Add(1, t + 5, FloatBits(1.5f));
  Add(0, t + 50, 20, 900);
  Add(1, t + 59, 0x7FFFFFFF);  // no value
  Add(0, t + 59, 120, 999);    // out of range
  // 23:59:00 opens the next period; nothing in the one after, across the month's end.
  Add(0, MakeStamp(2024, 1, 31, 23, 59, 0), 30);
  Add(1, MakeStamp(2024, 1, 31, 23, 59, 30), 0xFFFFFFFF);
  Add(0, MakeStamp(2024, 2, 1, 0, 1, 59), 40);

  AggregateOptions options;
  options.period_seconds = 60;
  options.count = true;
  EXPECT_EQ(Csv(options),
            "Datum;Čas;Tlak – průměr;Tlak – min;Tlak – max;Tlak – počet;"
            "Teplota – průměr;Teplota – min;Teplota – max;Teplota – počet\r\n"
            "31.01.2024;23:58:00;1.5;1.0;2.0;2;1.5;1.5;1.5;1\r\n"
            "31.01.2024;23:59:00;3.0;3.0;3.0;1;;;;0\r\n"
            " 1.02.2024;00:00:00;;;;0;;;;0\r\n"
            " 1.02.2024;00:01:00;4.0;4.0;4.0;1;;;;0\r\n");

  options.skip_empty = true;
  options.count = false;
  options.mean = options.minimum = false;
  EXPECT_EQ(Csv(options),
            "Datum;Čas;Tlak – max;Teplota – max\r\n"
            "31.01.2024;23:58:00;2.0;1.5\r\n"
            "31.01.2024;23:59:00;3.0;\r\n"
            " 1.02.2024;00:01:00;4.0;\r\n");
}

// The clock set back: minutes 10:00-10:09, then 10:05-10:14 again. Each period is one row
// over all its samples, however the walk came to them.
TEST_F(AggregateTest, SamplesOutOfTimeOrderGiveOneRowPerPeriod) {
  for (int minute = 0; minute < 10; ++minute) Add(0, MakeStamp(2024, 5, 1, 10, minute, 0), 10);
  for (int minute = 5; minute < 15; ++minute) Add(0, MakeStamp(2024, 5, 1, 10, minute, 30), 30);
  AggregateOptions options;
  options.period_seconds = 60;
  options.minimum = options.maximum = false;
  options.count = true;
  std::string expected =
      "Datum;Čas;Tlak – průměr;Tlak – počet;Teplota – průměr;Teplota – počet\r\n";
  for (int minute = 0; minute < 15; ++minute) {
    const bool both = minute >= 5 && minute < 10;
    expected += " 1.05.2024;10:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) +
                ":00;" +
                (both         ? "2.0;2"
                 : minute < 5 ? "1.0;1"
                              : "3.0;1") +
                ";;0\r\n";
  }
  EXPECT_EQ(Csv(options), expected);
}

TEST_F(AggregateTest, PeriodsAlignToLocalHoursAndDays) {
  Add(0, MakeStamp(2024, 3, 5, 9, 59, 59), 10);
  Add(0, MakeStamp(2024, 3, 5, 10, 0, 0), 20);
  Add(0, MakeStamp(2024, 3, 5, 10, 14, 59), 30);
  Add(0, MakeStamp(2024, 3, 5, 23, 59, 59), 40);
  Add(0, MakeStamp(2024, 3, 6, 0, 0, 0), 50);
  struct Case {
    uint32_t seconds;
    std::vector<std::string> rows;  // period start and count
  };
  const Case cases[] = {
      {900, {"9:45 1", "10:0 2", "23:45 1", "0:0 1"}},
      {3600, {"9:0 1", "10:0 2", "23:0 1", "0:0 1"}},
      {kSecondsPerDay, {"0:0 4", "0:0 1"}},
  };
  for (const Case& c : cases) {
    std::vector<int> lines{0};
    std::vector<std::string> rows;
    AggregatePeriods(m, lines, {0, 0xFFFFFFFF}, c.seconds, true,
                     [&](uint32_t stamp, std::span<const PeriodFigures> figures) {
                       rows.push_back(std::to_string(StampHour(stamp)) + ":" +
                                      std::to_string(StampMinute(stamp)) + " " +
                                      std::to_string(figures[0].count));
                       return true;
                     });
    EXPECT_EQ(rows, c.rows) << c.seconds;
  }
}

TEST(AggregateOptionsTest, ParsesStatLists) {
  AggregateOptions options;
  EXPECT_TRUE(ParseStatList("max,mean", options));
  EXPECT_TRUE(options.mean && !options.minimum && options.maximum);
  for (const char* bad : {"", "mean,", "avg", "min max"}) {
    EXPECT_FALSE(ParseStatList(bad, options)) << bad;
  }
  EXPECT_TRUE(options.mean && !options.minimum && options.maximum);  // unchanged by a refusal
}

}  // namespace
}  // namespace korvan
