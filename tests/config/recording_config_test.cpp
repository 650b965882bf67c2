#include "config/recording_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvan {
namespace {

LoggedLine LineOnInterval(const std::string& interval) {
  LoggedLine line;
  line[kColInterval] = interval;
  return line;
}

RecordingConfig WithLines(const std::vector<std::string>& intervals) {
  RecordingConfig config;
  for (const std::string& interval : intervals) config.lines.push_back(LineOnInterval(interval));
  return config;
}

TEST(CalcMB, ComputesTheSizeFromLinesIntervalsAndDays) {
  struct Case {
    const char* name;
    std::vector<std::string> line_intervals;
    std::array<std::string, 4> intervals;
    std::string days;
    char separator;
    int expected;
  };
  const std::vector<Case> cases = {
      {"no lines", {}, {"10", "60", "60", "60"}, "30", ',', 1},
      {"one line on 1 at 10 s", {"1"}, {"10", "60", "60", "60"}, "30", ',', 4},
      {"two on 1, one on 4", {"1", "1", "4"}, {"10", "60", "60", "60"}, "30", ',', 7},
      // Intervals of groups without lines are not read, whatever they hold.
      {"unused intervals hold text", {"2"}, {"abc", "10", "0", ""}, "30", ',', 4},
      {"no lines, zero intervals", {}, {"0", "0", "0", "0"}, "30", ',', 1},
      {"decimal comma", {"1"}, {"0,5", "60", "60", "60"}, "1", ',', 3},
      {"decimal point", {"1"}, {"0.5", "60", "60", "60"}, "1", '.', 3},
      {"fractional days", {"1"}, {"10", "60", "60", "60"}, "7,5", ',', 1},
      // A line whose interval cell names no group counts nowhere.
      {"unknown group", {"5", "", "1 "}, {"0", "0", "0", "0"}, "30", ',', 1},
      {"negative days", {"1"}, {"10", "60", "60", "60"}, "-100", ',', -12},
      // The order of the multiplications decides these two.
      {"9 lines at 2,7 s, 320 days",
       std::vector<std::string>(9, "1"),
       {"2,7", "60", "60", "60"},
       "320",
       ',',
       626},
      {"41 lines at 1,3 s, 208 days",
       std::vector<std::string>(41, "1"),
       {"1,3", "60", "60", "60"},
       "208",
       ',',
       3375},
  };
  for (const Case& c : cases) {
    RecordingConfig config = WithLines(c.line_intervals);
    config.intervals = c.intervals;
    config.days = c.days;
    FileSizeResult result = CalcMB(config, c.separator);
    ASSERT_TRUE(result.ok) << c.name << ": " << result.error;
    EXPECT_EQ(result.megabytes, c.expected) << c.name;
  }
}

TEST(CalcMB, ReportsWhatStopsTheComputation) {
  struct Case {
    const char* name;
    std::vector<std::string> line_intervals;
    std::array<std::string, 4> intervals;
    std::string days;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"interval text",
       {"1"},
       {"abc", "60", "60", "60"},
       "30",
       "'abc' is not a valid floating point value"},
      {"empty interval",
       {"3"},
       {"10", "60", "", "60"},
       "30",
       "'' is not a valid floating point value"},
      {"other separator",
       {"1"},
       {"0.5", "60", "60", "60"},
       "30",
       "'0.5' is not a valid floating point value"},
      {"zero interval",
       {"1", "2"},
       {"10", "0", "60", "60"},
       "30",
       "Interval 2 musí být větší než nula."},
      {"negative interval",
       {"4"},
       {"10", "60", "60", "-1"},
       "30",
       "Interval 4 musí být větší než nula."},
      {"days text", {}, {"10", "60", "60", "60"}, "x", "'x' is not a valid floating point value"},
      {"too small an interval",
       {"1"},
       {"1E-9", "60", "60", "60"},
       "9999",
       "Velikost souboru je mimo rozsah."},
  };
  for (const Case& c : cases) {
    RecordingConfig config = WithLines(c.line_intervals);
    config.intervals = c.intervals;
    config.days = c.days;
    FileSizeResult result = CalcMB(config, ',');
    EXPECT_FALSE(result.ok) << c.name;
    EXPECT_EQ(result.error, c.error) << c.name;
  }
}

TEST(CalcMB, AFailedComputationKeepsThePreviousSize) {
  RecordingConfig config = WithLines({"1"});
  config.file_size = "4";
  config.intervals[0] = "0";
  ApplyFileSize(config, CalcMB(config, ','));
  EXPECT_EQ(config.file_size, "4");
  config.intervals[0] = "1";
  ApplyFileSize(config, CalcMB(config, ','));
  EXPECT_EQ(config.file_size, "40");
}

TEST(MakeLoggedLine, TakesInstrumentLabelIntervalAndQuantityColumns) {
  QuantityRow quantity = {"H", "0010h", "Teplota vody", "F4", "0,1", "-50", "150", "2"};
  LoggedLine line = MakeLoggedLine("01h | Elektroměr", "", "4/Změna/Strob.", quantity);
  EXPECT_EQ(line, (LoggedLine{"Elektroměr", "Teplota vody", "4", "01h", "H", "0010h", "F4", "0,1",
                              "-50", "150", "2"}));

  line = MakeLoggedLine("01h | Elektroměr", "Vlastní", "2", quantity);
  EXPECT_EQ(line[kColLabel], "Vlastní");
  EXPECT_EQ(line[kColInterval], "2");
}

TEST(MakeLoggedLine, SplitsTheEntryByCharactersNotBytes) {
  QuantityRow quantity{};
  // A short address is padded in the entry; the line keeps the padding as the original does.
  LoggedLine line =
      MakeLoggedLine(InstrumentChoiceEntry({"Ž1", "Čerpadlo", ""}), "x", "1", quantity);
  EXPECT_EQ(line[kColInstrumentAddress], "Ž1 ");
  EXPECT_EQ(line[kColInstrument], "Čerpadlo");
  line = MakeLoggedLine("", "", "", quantity);
  EXPECT_EQ(line[kColInstrument], "");
  EXPECT_EQ(line[kColInstrumentAddress], "");
}

TEST(InstrumentChoiceEntry, CutsAtSeventyNineCharacters) {
  std::string description;
  for (int i = 0; i < 40; ++i) description += "ěš";  // 80 characters, 160 bytes
  std::string entry = InstrumentChoiceEntry({"0Ah", description, ""});
  EXPECT_EQ(entry, "0Ah | " + Utf8Left(description, 73));
  EXPECT_EQ(InstrumentChoiceEntry({"5", "Čerpadlo", "p.csv"}), "5   | Čerpadlo");
}

TEST(NextQuantityChoice, MovesOnAndFallsOffTheEnd) {
  EXPECT_EQ(NextQuantityChoice(0, 3), 1);
  EXPECT_EQ(NextQuantityChoice(1, 3), 2);
  EXPECT_EQ(NextQuantityChoice(2, 3), -1);
  EXPECT_EQ(NextQuantityChoice(-1, 3), -1);
}

TEST(RemoveLine, MovesTheFollowingLinesUp) {
  RecordingConfig config = WithLines({"1", "2", "3"});
  RemoveLine(config, 1);
  ASSERT_EQ(config.lines.size(), 2u);
  EXPECT_EQ(config.lines[0][kColInterval], "1");
  EXPECT_EQ(config.lines[1][kColInterval], "3");
  RemoveLine(config, 2);
  RemoveLine(config, -1);
  EXPECT_EQ(config.lines.size(), 2u);
}

TEST(AddAllowed, StopsAtFiftyLines) {
  EXPECT_TRUE(AddAllowed(49));
  EXPECT_FALSE(AddAllowed(50));
  EXPECT_FALSE(AddAllowed(60));
}

}  // namespace
}  // namespace korvan
