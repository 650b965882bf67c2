#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/card_files.h"
#include "app/cp1250.h"
#include "config/card_preparation.h"
#include "config/preparation_mark.h"
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

class CliCardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingConfig config;
    config.job_name = "Kotelna";
    config.days = "1";  // 3 MB
    config.intervals = {"10", "0,5", "60", "60"};
    config.lines = {
        {"Elektroměr", "Teplota vody na výstupu kotle", "1", "01h", "R", "0010h", "F4", "0,5", "0",
         "100", "2"},
        {"PM", "Tlak", "2", "02h", "H", "4", "S2", "1", "-10", "10", ""},
    };
    InstrumentList instruments{{{"01h", "Elektroměr", "elektro.csv"}, {"02h", "PM", "pm.csv"}}};
    WriteSettingsFile(settings_, config, instruments, ',');
  }

  TempDir dir_;
  std::string settings_ = dir_.File("job.kva");
  std::string card_ = dir_.File("card");
};

TEST_F(CliCardTest, PrepareSimulateInfoAndReadBackOneFolder) {
  CliOutput r = RunCli({"prepare", settings_, card_, "--decimal", ","});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "HOTOVO !\n");
  EXPECT_EQ(std::filesystem::file_size(card_ + "/LOG.BIN"), 3u * 1048576);

  r = RunCli({"simulate", card_, "--days", "0,5", "--seed", "4", "--start", "2024-05-01 00:00:00"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Veličiny: 2\nZapsané bloky: 90720\nZapsané bajty: 1451520\n"
            "Od: 2024-05-01 00:00:00\nDo: 2024-05-01 11:59:59\n"
            "Přetočeno na začátek souboru: ne\n");
  EXPECT_EQ(std::filesystem::file_size(card_ + "/LOG.BIN"), 3u * 1048576);

  r = RunCli({"info", card_, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"latest\": \"2024-05-01 11:59:59\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"subseconds\": true"), std::string::npos);

  // CONFIG.INI gives everything back; without it CONFIG.BIN gives what it holds.
  r = RunCli({"readback", card_, dir_.File("back.kva"), "--decimal", ","});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Konfigurace načtena z CONFIG.INI (veličiny: 2), uložena do " +
                       dir_.File("back.kva") + "\n");
  EXPECT_EQ(ReadBytes(dir_.File("back.kva")), ReadBytes(card_ + "/CONFIG.INI"));

  std::filesystem::remove(card_ + "/CONFIG.INI");
  r = RunCli({"readback", card_, dir_.File("image.kva"), "--decimal", ","});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string text = Cp1250ToUtf8(ReadBytes(dir_.File("image.kva")));
  EXPECT_NE(text.find("Line01=Elektrom;Teplota vody na výstupu ;1;01h;R;10h;F4;0,5;0;100;\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("SavePeriod2=0,5\r\n"), std::string::npos);
  EXPECT_NE(text.find("JobName=\r\n"), std::string::npos);
  EXPECT_NE(text.find("Instrument=0\r\n"), std::string::npos);
}

// The root of a mounted card is the card, as in the program: its question, and the check
// that LOG.BIN lies in one piece decides the message.
TEST_F(CliCardTest, PrepareTakesTheRootOfACardDriveForTheCard) {
  std::filesystem::create_directories(card_);
  setenv("KORVAN_DRIVES", ("e=" + card_).c_str(), 1);
  CliOutput first = RunCli({"prepare", settings_, card_ + "/"});
  CliOutput second = RunCli({"prepare", settings_, card_});
  unsetenv("KORVAN_DRIVES");
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_TRUE(first.out == std::string(kCardDone) + "\n" ||
              first.out == std::string(kCardDoneDefragment) + "\n")
      << first.out;
  EXPECT_EQ(second.code, 1);
  EXPECT_NE(second.err.find(kAskDeleteCardData), std::string::npos) << second.err;
}

// A folder whose preparation was interrupted is read by no command; prepare offers to finish it.
TEST_F(CliCardTest, AnInterruptedPreparationIsReadByNoCommandAndPrepareFinishesIt) {
  ASSERT_EQ(RunCli({"prepare", settings_, card_}).code, 0);
  WriteBytes(card_ + "/" + kPreparationMarkFile, "");
  const std::vector<std::vector<std::string>> readers = {
      {"info", card_},
      {"export", card_, dir_.File("out.csv")},
      {"stats", card_},
      {"copy", card_, dir_.File("copy")},
      {"merge", card_, card_, dir_.File("joined")},
      {"simulate", card_},
      {"readback", card_, dir_.File("back.kva")},
  };
  const std::string log = ReadBytes(card_ + "/LOG.BIN");
  for (const std::vector<std::string>& args : readers) {
    SCOPED_TRACE(args[0]);
    const CliOutput r = RunCli(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(kPreparationInterrupted), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadBytes(card_ + "/LOG.BIN"), log);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("copy/LOG.BIN")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("joined/LOG.BIN")));

  CliOutput r = RunCli({"prepare", settings_, card_});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, std::string("korvan-cli: prepare: ") + kAskFinishPreparation +
                       "\nkorvan-cli: prepare: nic nebylo změněno; přípravu dokončí --yes\n");
  EXPECT_EQ(ReadBytes(card_ + "/LOG.BIN"), log);
  ASSERT_EQ(RunCli({"prepare", settings_, card_, "--yes"}).code, 0);
  r = RunCli({"info", card_});
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(CliCardTest, ImageIsWhatPreparationWrites) {
  ASSERT_EQ(RunCli({"prepare", settings_, card_, "--decimal", ","}).code, 0);
  CliOutput r = RunCli({"image", settings_, dir_.File("CONFIG.BIN"), "--decimal", ","});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir_.File("CONFIG.BIN")), ReadBytes(card_ + "/CONFIG.BIN"));
  EXPECT_EQ(RunCli({"image", settings_, settings_}).code, 2);
}

TEST_F(CliCardTest, RefusalsAndArgumentFaults) {
  ASSERT_EQ(RunCli({"prepare", settings_, card_}).code, 0);
  WriteBytes(card_ + "/LOG.BIN", "data");
  CliOutput r = RunCli({"prepare", settings_, card_});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--yes"), std::string::npos);
  EXPECT_EQ(ReadBytes(card_ + "/LOG.BIN"), "data");
  EXPECT_EQ(RunCli({"prepare", settings_, card_, "--yes"}).code, 0);
  EXPECT_EQ(std::filesystem::file_size(card_ + "/LOG.BIN"), 3u * 1048576);

  r = RunCli({"readback", dir_.path(), dir_.File("out.kva")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("ani úplný CONFIG.BIN"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.kva")));
  EXPECT_EQ(RunCli({"readback", card_, card_ + "/CONFIG.INI"}).code, 2);

  EXPECT_EQ(RunCli({"simulate", dir_.path()}).code, 1);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"simulate", card_, "--days", "0"},
                                             {"simulate", card_, "--seed", "-1"},
                                             {"simulate", card_, "--start", "2024-05-01"},
                                             {"prepare", settings_}}) {
    EXPECT_EQ(RunCli(args).code, 2) << args[2];
  }
}

}  // namespace
}  // namespace korvan
