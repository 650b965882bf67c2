#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "config/recording_config.h"
#include "config/settings_file.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CliOutput;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kOldCfg =
    "[Application]\nName=Korvan-A\nVersion=1.10\nOwn=keep\n"
    "[Communication]\nBaud=19200\nDatabit=7\nParity=2\nStopbit=2\nTimeout=300\nDelay=20\n"
    "[Param]\nJobName=Kotelna \"B\\1\"\nFileSize=99\nRecDays=30\nSavePeriod1=10\n"
    "SavePeriod2=60\nSavePeriod3=60\nSavePeriod4=60\nMeasure=1\nInstrument=1\n"
    "[Measure]\nLine01=Elektroměr;Teplota;1;01h;R;0010h;F4;1;0;100;\n"
    "[Instrument]\nLine01=01h;Elektroměr;elektro.csv\n";

TEST(CliConfig, PrintsJsonOfALoadedFileWithTheRecomputedSize) {
  TempDir dir;
  WriteBytes(dir.File("old.cfg"), Utf8ToCp1250(kOldCfg));
  CliOutput result = RunCli({"config", dir.File("old.cfg"), "--json"});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out,
            "{\"job_name\": \"Kotelna \\\"B\\\\1\\\"\", \"days\": \"30\", \"file_size_mb\": 4, "
            "\"intervals\": [\"10\", \"60\", \"60\", \"60\"], \"baud\": \"19200\", "
            "\"databits_position\": 0, \"parity_position\": 2, \"stopbits_position\": 1, "
            "\"timeout\": \"300\", \"delay\": \"20\", \"lines\": [[\"Elektroměr\", \"Teplota\", "
            "\"1\", \"01h\", \"R\", \"0010h\", \"F4\", \"1\", \"0\", \"100\", \"\"]], "
            "\"instruments\": [[\"01h\", \"Elektroměr\", \"elektro.csv\"]], \"warning\": \"" +
                std::string(kOlderVersionWarning) + "\"}\n");
}

// A Czech file on a machine with the point (the C locale here), and --decimal either way:
// the size is computed from the half second, and the fields show the separator in force.
TEST(CliConfig, CzechNumbersOnAnyLocale) {
  TempDir dir;
  std::string file = kOldCfg;
  file.replace(file.find("SavePeriod1=10"), 14, "SavePeriod1=0,5");
  WriteBytes(dir.File("cz.kva"), Utf8ToCp1250(file));
  struct Case {
    std::vector<std::string> arguments;
    const char* interval;
  };
  const Case cases[] = {{{}, "0.5"}, {{"--decimal", "."}, "0.5"}, {{"--decimal", ","}, "0,5"}};
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"config", dir.File("cz.kva"), "--json"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    CliOutput result = RunCli(arguments);
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.out.find("\"file_size_mb\": 80,"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(std::string("\"intervals\": [\"") + c.interval + "\""),
              std::string::npos)
        << result.out;
  }
}

TEST(CliConfig, ReadsACardFoldersConfigIniAndPrintsText) {
  TempDir dir;
  WriteSettingsFile(dir.File("CONFIG.INI"), RecordingConfig{}, InstrumentList{}, '.');
  CliOutput result = RunCli({"config", dir.path()});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.out.find("Velikost souboru: 1 MB\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Baud: 9600\n"), std::string::npos);
  EXPECT_EQ(result.out.find("Upozornění"), std::string::npos);
  result = RunCli({"config", dir.path(), "--json"});
  EXPECT_NE(result.out.find("\"lines\": [], \"instruments\": [], \"warning\": null}"),
            std::string::npos)
      << result.out;
}

TEST(CliConfig, FailuresExitNonZero) {
  TempDir dir;
  WriteBytes(dir.File("other.ini"), "[Application]\r\nName=korvan-a\r\n");
  WriteBytes(dir.File("zero.kva"),
             "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n[Param]\r\nSavePeriod2=0\r\n"
             "Measure=1\r\nInstrument=0\r\n[Measure]\r\nLine01=a;b;2\r\n");
  struct Case {
    std::vector<std::string> arguments;
    int code;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"config", dir.File("other.ini")}, 1, "není soubor nastavení programu Korvan-A"},
      {{"config", dir.File("missing.kva")}, 1, "nelze přečíst"},
      {{"config", dir.File("zero.kva"), "--json"}, 1, "Interval 2 musí být větší než nula."},
      {{"config"}, 2, "Použití"},
      {{"config", "a", "b"}, 2, "Použití"},
      {{"convert", dir.File("other.ini"), dir.File("out.kva")}, 1, "není soubor nastavení"},
      {{"convert", dir.File("zero.kva"), dir.File("out.kva")}, 1, "Interval 2"},
      {{"convert", dir.File("zero.kva")}, 2, "Použití"},
  };
  for (const Case& c : cases) {
    CliOutput result = RunCli(c.arguments);
    EXPECT_EQ(result.code, c.code) << c.arguments[0] << " " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
  EXPECT_FALSE(std::ifstream(dir.File("out.kva")).good());
}

TEST(CliConvert, WritesWhatSavingTheLoadedConfigurationWrites) {
  TempDir dir;
  WriteBytes(dir.File("old.cfg"), Utf8ToCp1250(kOldCfg));
  CliOutput result = RunCli({"convert", dir.File("old.cfg"), dir.File("new.kva")});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.err.find(kOlderVersionWarning), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("new.kva")),
            "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n"
            "[Communication]\r\nBaud=19200\r\nDatabit=7\r\nParity=2\r\nStopbit=2\r\n"
            "Timeout=300\r\nDelay=20\r\n"
            "[Param]\r\nJobName=Kotelna \"B\\1\"\r\nFileSize=4\r\nRecDays=30\r\n"
            "SavePeriod1=10\r\nSavePeriod2=60\r\nSavePeriod3=60\r\nSavePeriod4=60\r\n"
            "Measure=1\r\nInstrument=1\r\n"
            "[Measure]\r\nLine01=Elektrom\xecr;Teplota;1;01h;R;0010h;F4;1;0;100;\r\n"
            "[Instrument]\r\nLine01=01h;Elektrom\xecr;elektro.csv\r\n");
  // Over another file: the file's own keys of Application survive, as saving over it keeps
  // them.
  WriteBytes(dir.File("over.kva"), "[Application]\r\nOwn=keep\r\n");
  result = RunCli({"convert", dir.File("old.cfg"), dir.File("over.kva")});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(ReadBytes(dir.File("over.kva")).find("Own=keep\r\n"), std::string::npos);
}

}  // namespace
}  // namespace korvan
