#include "config/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/error.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FakeDialogs;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kInitialFile =
    "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n"
    "[Communication]\r\nBaud=9600\r\nDatabit=8\r\nParity=0\r\nStopbit=1\r\nTimeout=150\r\n"
    "Delay=10\r\n"
    "[Param]\r\nJobName=\r\nFileSize=1\r\nRecDays=30\r\nSavePeriod1=10\r\nSavePeriod2=60\r\n"
    "SavePeriod3=60\r\nSavePeriod4=60\r\nMeasure=0\r\nInstrument=0\r\n";

// A file of ours with the given lines after the Application section's name.
std::string OurFile(const std::string& rest) {
  return "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n" + rest;
}

RecordingConfig SampleConfig() {
  RecordingConfig config;
  config.job_name = "Měření čerpadel – hala 2";
  config.days = "12,5";
  config.intervals = {"0,5", "60", "3600", "1,25"};
  config.baud_position = 7;
  config.databits_position = 0;
  config.parity_position = 2;
  config.stopbits_position = 1;
  config.timeout = "250";
  config.delay = "";
  config.lines.push_back(
      {"Elektroměr", "Teplota", "2", "01h", "R", "0010h", "F4", "1", "0", "100", ""});
  config.lines.push_back({"Čerpadlo", "Průtok", "1", "0Ah", "H", "20", "S2", "0,01", "", "", "5"});
  config.lines.push_back({"", "", "4", "", "", "", "", "", "", "", ""});
  config.file_size = "47";  // what CalcMB gives for these lines
  return config;
}

InstrumentList SampleInstruments() {
  InstrumentList list;
  list.rows.push_back({"01h", "Elektroměr", "elektro.csv"});
  list.rows.push_back({"0Ah", "Čerpadlo", "..\\jiné\\čerpadlo.csv"});
  return list;
}

TEST(WriteSettingsFile, InitialConfigurationGivesExactlyTheseBytes) {
  TempDir dir;
  WriteSettingsFile(dir.File("a.kva"), RecordingConfig{}, InstrumentList{}, ',');
  EXPECT_EQ(ReadBytes(dir.File("a.kva")), kInitialFile);
}

TEST(WriteSettingsFile, LinesAndInstrumentsFollowTheirCountsInParam) {
  TempDir dir;
  RecordingConfig config;
  config.lines.push_back({"A", "B", "1", "01h", "R", "1", "F4", "1", "0", "100", ""});
  InstrumentList instruments;
  instruments.rows.push_back({"01h", "A", "a.csv"});
  config.file_size = "4";
  WriteSettingsFile(dir.File("a.kva"), config, instruments, ',');
  const std::string bytes = ReadBytes(dir.File("a.kva"));
  EXPECT_NE(bytes.find("SavePeriod4=60\r\nMeasure=1\r\nInstrument=1\r\n"
                       "[Measure]\r\nLine01=A;B;1;01h;R;1;F4;1;0;100;\r\n"
                       "[Instrument]\r\nLine01=01h;A;a.csv\r\n"),
            std::string::npos)
      << bytes;
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(WriteSettingsFile, KeepsForeignKeysOnlyInApplicationAndCommunication) {
  TempDir dir;
  const std::string path = dir.File("old.kva");
  WriteBytes(path,
             "[Application]\r\nName=Korvan-A\r\nFoo=bar\r\nVersion=1.10\r\n"
             "[Param]\r\nOld=1\r\nJobName=stará\r\n"
             "[Communication]\r\nExtra=1\r\nBaud=1200\r\n"
             "[Measure]\r\nLine07=x;y\r\n"
             "[Instrument]\r\nLine09=z\r\n");
  WriteSettingsFile(path, RecordingConfig{}, InstrumentList{}, ',');
  EXPECT_EQ(ReadBytes(path),
            "[Application]\r\nName=Korvan-A\r\nFoo=bar\r\nVersion=1.20\r\n"
            "[Communication]\r\nExtra=1\r\nBaud=9600\r\nDatabit=8\r\nParity=0\r\nStopbit=1\r\n"
            "Timeout=150\r\nDelay=10\r\n"
            "[Param]\r\nJobName=\r\nFileSize=1\r\nRecDays=30\r\nSavePeriod1=10\r\n"
            "SavePeriod2=60\r\nSavePeriod3=60\r\nSavePeriod4=60\r\nMeasure=0\r\nInstrument=0\r\n");
}

TEST(WriteSettingsFile, AFieldThatDoesNotConvertLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir.File("a.kva");
  WriteBytes(path, "[Param]\r\nJobName=keep\r\n");
  struct Case {
    const char* name;
    void (*spoil)(RecordingConfig&);
    const char* error;
  };
  const std::vector<Case> cases = {
      {"size", [](RecordingConfig& c) { c.file_size = ""; }, "'' is not a valid integer value"},
      {"days", [](RecordingConfig& c) { c.days = "x"; }, "'x' is not a valid floating point value"},
      {"interval", [](RecordingConfig& c) { c.intervals[3] = "1.5"; },
       "'1.5' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    RecordingConfig config;
    c.spoil(config);
    try {
      WriteSettingsFile(path, config, InstrumentList{}, ',');
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.error) << c.name;
    }
    EXPECT_EQ(ReadBytes(path), "[Param]\r\nJobName=keep\r\n") << c.name;
  }
}

TEST(WriteSettingsFile, AMissingFolderIsAnError) {
  TempDir dir;
  EXPECT_THROW(WriteSettingsFile(dir.File("none/a.kva"), RecordingConfig{}, InstrumentList{}, ','),
               Error);
}

TEST(WriteSettingsFile, TextsAreWindows1250OnDisk) {
  TempDir dir;
  RecordingConfig config;
  config.job_name = "Měření č.1";
  WriteSettingsFile(dir.File("a.kva"), config, InstrumentList{}, ',');
  EXPECT_NE(ReadBytes(dir.File("a.kva")).find("JobName=M\xec\xf8\x65n\xed \xe8.1\r\n"),
            std::string::npos);
}

TEST(SettingsFile, WhatIsWrittenReadsBackFieldForField) {
  for (char separator : {',', '.'}) {
    TempDir dir;
    RecordingConfig config = SampleConfig();
    if (separator == '.') {
      config.days = "12.5";
      config.intervals = {"0.5", "60", "3600", "1.25"};
      config.lines[1][kColMultiplier] = "0.01";
    }
    const InstrumentList instruments = SampleInstruments();
    WriteSettingsFile(dir.File("a.kva"), config, instruments, separator);

    RecordingConfig read;
    InstrumentList read_instruments;
    FakeDialogs dialogs;
    ASSERT_TRUE(ReadSettingsFile(dir.File("a.kva"), read, read_instruments, separator, dialogs));
    EXPECT_EQ(read.job_name, config.job_name);
    EXPECT_EQ(read.days, config.days);
    EXPECT_EQ(read.intervals, config.intervals);
    EXPECT_EQ(read.baud_position, config.baud_position);
    EXPECT_EQ(read.databits_position, config.databits_position);
    EXPECT_EQ(read.parity_position, config.parity_position);
    EXPECT_EQ(read.stopbits_position, config.stopbits_position);
    EXPECT_EQ(read.timeout, config.timeout);
    EXPECT_EQ(read.delay, config.delay);
    EXPECT_EQ(read.lines, config.lines);
    EXPECT_EQ(read.file_size, config.file_size);
    EXPECT_EQ(read, config);
    EXPECT_EQ(read_instruments, instruments);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST(ReadSettingsFile, AFileOfAnotherApplicationChangesNothingSilently) {
  TempDir dir;
  const std::vector<std::string> files = {
      "[Application]\r\nName=korvan-a\r\n[Param]\r\nJobName=x\r\n",
      "[Application]\r\nName=Korvan-A2\r\n",
      "[Param]\r\nJobName=x\r\n",
      "",
  };
  for (const std::string& bytes : files) {
    WriteBytes(dir.File("f.kva"), bytes);
    RecordingConfig config = SampleConfig();
    InstrumentList instruments = SampleInstruments();
    FakeDialogs dialogs;
    EXPECT_FALSE(ReadSettingsFile(dir.File("f.kva"), config, instruments, ',', dialogs)) << bytes;
    EXPECT_EQ(config, SampleConfig());
    EXPECT_EQ(instruments, SampleInstruments());
    EXPECT_TRUE(dialogs.messages.empty());
  }
  RecordingConfig config;
  InstrumentList instruments;
  FakeDialogs dialogs;
  EXPECT_FALSE(ReadSettingsFile(dir.File("missing.kva"), config, instruments, ',', dialogs));
}

TEST(ReadSettingsFile, WarnsAboutVersionsOlderThan114ComparedAsText) {
  struct Case {
    const char* version_line;
    bool warned;
  };
  const std::vector<Case> cases = {
      {"Version=1.13\r\n", true},  {"", true},
      {"Version=\r\n", true},      {"Version=1.14\r\n", false},
      {"Version=1.20\r\n", false}, {"Version=1.2\r\n", false},
      {"Version=1.100\r\n", true}, {"Version=1.14a\r\n", false},
      {"Version=0.99\r\n", true},  {"Version=10\r\n", false},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir.File("v.kva"), std::string("[Application]\r\nName=Korvan-A\r\n") +
                                      c.version_line + "[Param]\r\nMeasure=0\r\n");
    RecordingConfig config;
    InstrumentList instruments;
    FakeDialogs dialogs;
    ASSERT_TRUE(ReadSettingsFile(dir.File("v.kva"), config, instruments, ',', dialogs));
    std::vector<FakeDialogs::Message> expected;
    if (c.warned) expected.push_back({"warn", kOlderVersionWarning});
    EXPECT_EQ(dialogs.messages, expected) << c.version_line;
  }
}

TEST(ReadSettingsFile, MissingKeysTakeTheirDefaultsOddOnesIncluded) {
  TempDir dir;
  WriteBytes(dir.File("d.kva"), OurFile(""));
  RecordingConfig config = SampleConfig();
  InstrumentList instruments = SampleInstruments();
  FakeDialogs dialogs;
  ASSERT_TRUE(ReadSettingsFile(dir.File("d.kva"), config, instruments, ',', dialogs));
  EXPECT_EQ(config.baud_position, 3);
  EXPECT_EQ(config.databits_position, -1);  // 1 - 7
  EXPECT_EQ(config.parity_position, 1);     // "Lichá"
  EXPECT_EQ(config.stopbits_position, 0);
  EXPECT_EQ(config.timeout, "150");
  EXPECT_EQ(config.delay, "10");
  EXPECT_EQ(config.job_name, "");
  EXPECT_EQ(config.days, "15");
  EXPECT_EQ(config.intervals, (std::array<std::string, 4>{"10", "10", "10", "10"}));
  ASSERT_EQ(config.lines.size(), 1u);
  EXPECT_EQ(config.lines[0], LoggedLine{});
  ASSERT_EQ(instruments.Count(), 1);
  EXPECT_EQ(instruments.rows[0], Instrument{});
  EXPECT_EQ(config.file_size, "1");  // the empty line belongs to no interval group
}

TEST(ReadSettingsFile, ChoicesFromStoredNumbers) {
  struct Case {
    const char* communication;
    int baud, databits, parity, stopbits;
  };
  const std::vector<Case> cases = {
      {"Baud=14400\r\n", -1, -1, 1, 0},
      {"Baud=115200\r\nDatabit=7\r\nParity=3\r\nStopbit=2\r\n", 7, 0, 3, 1},
      {"Baud=0x2580\r\nDatabit=8\r\nParity=0\r\nStopbit=1\r\n", 3, 1, 0, 0},
      {"Baud=abc\r\nDatabit=9\r\nParity=4\r\nStopbit=3\r\n", 3, -1, -1, -1},
      {"Baud=1200\r\nDatabit=-2147483648\r\nParity=-1\r\nStopbit=0\r\n", 0, -1, -1, -1},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir.File("c.kva"), OurFile(std::string("[Communication]\r\n") + c.communication));
    RecordingConfig config;
    InstrumentList instruments;
    FakeDialogs dialogs;
    ASSERT_TRUE(ReadSettingsFile(dir.File("c.kva"), config, instruments, ',', dialogs));
    EXPECT_EQ(config.baud_position, c.baud) << c.communication;
    EXPECT_EQ(config.BaudText(), c.baud < 0 ? "" : kBaudChoices[c.baud]);
    EXPECT_EQ(config.databits_position, c.databits) << c.communication;
    EXPECT_EQ(config.parity_position, c.parity) << c.communication;
    EXPECT_EQ(config.stopbits_position, c.stopbits) << c.communication;
  }
}

// Field files come from Czech installations whatever the locale here: either separator is read,
// and the field shows the number with the separator in force.
TEST(ReadSettingsFile, RealsAreReadWithEitherSeparatorAndShownInGeneralForm) {
  struct Case {
    const char* value;
    char separator;
    const char* days;
  };
  const std::vector<Case> cases = {
      {"0,5", ',', "0,5"}, {"1.5", ',', "1,5"},   {"1.5", '.', "1.5"},
      {"0,5", '.', "0.5"}, {"", ',', "15"},       {"030,50", ',', "30,5"},
      {"1e1", ',', "10"},  {"30 ; x", ',', "15"}, {"1.000,5", ',', "15"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir.File("r.kva"),
               OurFile(std::string("[Param]\r\nRecDays=") + c.value + "\r\nMeasure=0\r\n"));
    RecordingConfig config;
    InstrumentList instruments;
    FakeDialogs dialogs;
    ASSERT_TRUE(ReadSettingsFile(dir.File("r.kva"), config, instruments, c.separator, dialogs));
    EXPECT_EQ(config.days, c.days) << c.value;
  }
}

TEST(ReadSettingsFile, LinesFollowTheStatedCountAndTakeElevenFields) {
  TempDir dir;
  WriteBytes(dir.File("l.kva"),
             OurFile("[Param]\r\nMeasure=3\r\nInstrument=2\r\n"
                     "[Measure]\r\nLine01=a;b;1;01h;R;2;F4;1;0;9;8;extra;more\r\n"
                     "Line02=x;y;2\r\nLine04=ignored\r\n"
                     "[Instrument]\r\nLine01=01h;Pump;p.csv;tail\r\nLine02=02h\r\n"));
  RecordingConfig config;
  InstrumentList instruments;
  FakeDialogs dialogs;
  ASSERT_TRUE(ReadSettingsFile(dir.File("l.kva"), config, instruments, ',', dialogs));
  ASSERT_EQ(config.lines.size(), 3u);
  EXPECT_EQ(config.lines[0],
            (LoggedLine{"a", "b", "1", "01h", "R", "2", "F4", "1", "0", "9", "8"}));
  EXPECT_EQ(config.lines[1], (LoggedLine{"x", "y", "2", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(config.lines[2], LoggedLine{});
  ASSERT_EQ(instruments.Count(), 2);
  EXPECT_EQ(instruments.rows[0], (Instrument{"01h", "Pump", "p.csv"}));
  EXPECT_EQ(instruments.rows[1], (Instrument{"02h", "", ""}));
  // 15 days by default, one line each on groups 1 and 2 at 10 s by default.
  EXPECT_EQ(config.file_size, "4");
}

TEST(ReadSettingsFile, CountsAreClampedToWhatTheModelHolds) {
  struct Case {
    const char* counts;
    size_t lines;
    int instruments;
  };
  const std::vector<Case> cases = {
      {"Measure=-5\r\nInstrument=-1\r\n", 0, 0},
      {"Measure=2147483647\r\nInstrument=100000\r\n", kMaxLoadedLines, kMaxLoadedInstruments},
      {"Measure=0x3\r\nInstrument=0\r\n", 3, 0},
      {"Measure=60\r\nInstrument=0\r\n", 60, 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteBytes(dir.File("n.kva"), OurFile(std::string("[Param]\r\n") + c.counts));
    RecordingConfig config;
    InstrumentList instruments;
    FakeDialogs dialogs;
    ASSERT_TRUE(ReadSettingsFile(dir.File("n.kva"), config, instruments, ',', dialogs));
    EXPECT_EQ(config.lines.size(), c.lines) << c.counts;
    EXPECT_EQ(instruments.Count(), c.instruments) << c.counts;
  }
}

TEST(ReadSettingsFile, ASizeThatCannotBeComputedIsReportedAndTheLoadStands) {
  TempDir dir;
  WriteBytes(dir.File("z.kva"), OurFile("[Param]\r\nJobName=Nula\r\nSavePeriod1=0\r\nMeasure=1\r\n"
                                        "Instrument=0\r\n[Measure]\r\nLine01=a;b;1\r\n"));
  RecordingConfig config;
  config.file_size = "7";
  InstrumentList instruments;
  FakeDialogs dialogs;
  ASSERT_TRUE(ReadSettingsFile(dir.File("z.kva"), config, instruments, ',', dialogs));
  EXPECT_EQ(config.job_name, "Nula");
  EXPECT_EQ(config.file_size, "7");
  EXPECT_EQ(dialogs.messages,
            (std::vector<FakeDialogs::Message>{{"error", "Interval 1 musí být větší než nula."}}));
}

TEST(ReadSettingsFile, KeepsWindows1250TextsAndQuotesRulesOfTheIniFacility) {
  TempDir dir;
  WriteBytes(dir.File("t.kva"),
             OurFile("[Param]\r\nJobName=\xd8\x65\x9a\x65n\xed \"A\"\r\nMeasure=1\r\n"
                     "[Measure]\r\nLine01=\xc8\x65rpadlo;\x8e\x65h;1\r\n"));
  RecordingConfig config;
  InstrumentList instruments;
  FakeDialogs dialogs;
  ASSERT_TRUE(ReadSettingsFile(dir.File("t.kva"), config, instruments, ',', dialogs));
  EXPECT_EQ(config.job_name, "Řešení \"A\"");
  EXPECT_EQ(config.lines[0][kColInstrument], "Čerpadlo");
  EXPECT_EQ(config.lines[0][kColLabel], "Žeh");
}

}  // namespace
}  // namespace korvan
