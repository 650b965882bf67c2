#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "platform/locale.h"
#include "support/card_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CliOutput;
using testing::FloatBits;
using testing::MakeStamp;
using testing::RunCli;

class CliDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A card from a Czech installation, whatever the locale of this machine: the multiplier
    // 0,1 must not turn into the default 1.
    card.decimal_separator = ',';
    card.lines = {{"Elektroměr", "Teplota", 1, "F4", 1, 0, 0, ""},
                  {"PM", "Tlak", 1, "U4", 0.1, 0, 0, ""},
                  {"PM", "Proud", 1, "S2", 1, 0, 0, ""}};
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 6), {{0, FloatBits(21.5f)}, {2, 3}});
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 16), {{1, 12}, {2, 0xFFFF}});
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 26), {{0, FloatBits(22.0f)}});
    card.WriteAll(dir.path());
  }
  testing::TempDir dir;
  CardBuilder card;
};

TEST_F(CliDataTest, InfoJson) {
  CliOutput r = RunCli({"info", dir.path(), "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"source\": \"CONFIG.INI\", \"lines\": ["
            "{\"number\": 1, \"caption\": \"Elektroměr - Teplota\", \"type\": \"F4\", "
            "\"samples\": 2}, "
            "{\"number\": 2, \"caption\": \"PM - Tlak\", \"type\": \"U4\", \"samples\": 1}, "
            "{\"number\": 3, \"caption\": \"PM - Proud\", \"type\": \"S2\", \"samples\": 2}], "
            "\"earliest\": \"2006-03-05 08:07:06\", \"latest\": \"2006-03-05 08:07:26\", "
            "\"subseconds\": false}\n");
}

TEST_F(CliDataTest, InfoTextAndAnEmptyLog) {
  CliOutput r = RunCli({"info", dir.path()});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("Konfigurace: CONFIG.INI"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Nejstarší záznam: 2006-03-05 08:07:06"), std::string::npos) << r.out;
  testing::WriteBytes(dir.File("CONFIG.INI"), "[Application]\r\nName=Jiný\r\n");
  testing::WriteBytes(dir.File("LOG.BIN"), std::string(1000, '\xFF'));
  r = RunCli({"info", dir.path(), "--json"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\"source\": \"CONFIG.BIN\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"earliest\": null, \"latest\": null, \"subseconds\": false"),
            std::string::npos)
      << r.out;
}

TEST_F(CliDataTest, ExportToStdoutAndToAFileGiveTheSameBytes) {
  const std::string expected = Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota;PM - Proud\r\n") +
                               " 5.03.2006;08:07:06;21,5;3\r\n"
                               " 5.03.2006;08:07:16;;-1\r\n"
                               " 5.03.2006;08:07:26;22;\r\n";
  CliOutput r = RunCli({"export", dir.path(), "-", "--lines", "3,1", "--decimal", ","});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  r = RunCli({"export", dir.path(), dir.File("out.csv"), "--lines", "1,3", "--decimal", ","});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(testing::ReadBytes(dir.File("out.csv")), expected);
}

TEST_F(CliDataTest, ExportFormatByExtensionOrOption) {
  for (const char* name : {"a.xlsx", "b.XLSX"}) {
    CliOutput r = RunCli({"export", dir.path(), dir.File(name)});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(testing::ReadBytes(dir.File(name)).substr(0, 2), "PK") << name;
  }
  EXPECT_EQ(RunCli({"export", dir.path(), dir.File("c.dat"), "--format", "xlsx"}).code, 0);
  EXPECT_EQ(testing::ReadBytes(dir.File("c.dat")).substr(0, 2), "PK");
  EXPECT_EQ(RunCli({"export", dir.path(), dir.File("d.xlsx"), "--format", "csv"}).code, 0);
  EXPECT_EQ(testing::ReadBytes(dir.File("d.xlsx")).substr(0, 5), "Datum");

  CliOutput r = RunCli({"export", dir.path(), "-", "--lines", "3", "--every", "1m", "--stat",
                        "min,max", "--count", "--decimal", ","});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Cp1250ToUtf8(r.out),
            "Datum;Čas;PM - Proud – min;PM - Proud – max;PM - Proud – počet\r\n"
            " 5.03.2006;08:07:00;-1;3;2\r\n");
}

TEST_F(CliDataTest, ExportRangeAndSeparator) {
  CliOutput r = RunCli({"export", dir.path(), "-", "--from", "2006-03-05 08:07:16", "--to",
                        "2006-03-05 08:07:16", "--decimal", "."});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, Utf8ToCp1250("Datum;Čas;Elektroměr - Teplota;PM - Tlak;PM - Proud\r\n") +
                       " 5.03.2006;08:07:16;;1.2;-1\r\n");
}

TEST_F(CliDataTest, Errors) {
  struct Case {
    std::vector<std::string> arguments;
    int code;
    std::string message;
  };
  const std::string missing = dir.File("nothing");
  testing::TempDir empty;
  const Case cases[] = {
      {{"info", missing}, 1, "neexistuje"},
      {{"info", empty.path()}, 1, "Soubor konfigurace nelze otevřít."},
      {{"export", empty.path(), "-"}, 1, "Soubor konfigurace nelze otevřít."},
      {{"info"}, 2, "info SLOŽKA"},
      {{"info", dir.path(), "--xml"}, 2, "--xml"},
      {{"export", dir.path()}, 2, "export SLOŽKA VÝSTUP"},
      {{"export", dir.path(), "-", "--lines", "4"}, 2, "veličina 4"},
      {{"export", dir.path(), "-", "--lines", "1,x"}, 2, "--lines"},
      {{"export", dir.path(), "-", "--from", "5.3.2006"}, 2, "--from"},
      {{"export", dir.path(), "-", "--decimal", ";"}, 2, "--decimal"},
      {{"export", dir.path(), "-", "--to"}, 2, "potřebuje hodnotu"},
      {{"export", dir.path(), dir.File("no/such/out.csv")}, 1, "Soubor exportu nelze vytvořit!"},
      {{"export", dir.path(), dir.File("no/such/out.xlsx")}, 1, "Soubor exportu nelze vytvořit!"},
      {{"export", dir.path(), "-", "--format", "xls"}, 2, "--format"},
      {{"export", dir.path(), "-", "--format", "xlsx"}, 2, "standardní výstup"},
      {{"export", dir.path(), "-", "--every", "2h"}, 2, "--every"},
      {{"export", dir.path(), "-", "--count"}, 2, "jen s --every"},
      {{"export", dir.path(), "-", "--every", "1m", "--stat", "avg"}, 2, "--stat"},
  };
  for (const Case& c : cases) {
    CliOutput r = RunCli(c.arguments);
    EXPECT_EQ(r.code, c.code) << ::testing::PrintToString(c.arguments);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  testing::WriteBytes(empty.File("CONFIG.BIN"), card.ConfigBinBytes());
  CliOutput r = RunCli({"info", empty.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Datový soubor nelze otevřít."), std::string::npos) << r.err;
}

TEST_F(CliDataTest, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
  const std::string log = testing::ReadBytes(dir.File("LOG.BIN"));
  const std::string config = testing::ReadBytes(dir.File("CONFIG.INI"));
  testing::TempDir other;
  std::filesystem::create_symlink(dir.path(), other.File("card"));
  std::filesystem::create_directory(dir.File("sub"));
  const std::vector<std::vector<std::string>> cases = {
      {"export", dir.path(), dir.File("LOG.BIN")},
      {"export", dir.path(), other.File("card/LOG.BIN")},
      {"export", other.File("card/"), dir.File("./CONFIG.INI")},
      {"export", dir.path(), dir.File("sub/../GRAPH.INI")},
      {"export", dir.path(), dir.File("RDR.BIN")},
      {"convert", dir.File("CONFIG.INI"), dir.File("LOG.BIN")},
      {"convert", dir.path(), dir.File("CONFIG.INI")},
      {"convert", dir.File("CONFIG.INI"), other.File("card/CONFIG.INI")},
  };
  for (const auto& arguments : cases) {
    CliOutput r = RunCli(arguments);
    EXPECT_EQ(r.code, 2) << ::testing::PrintToString(arguments);
    EXPECT_NE(r.err.find("nic nebylo zapsáno"), std::string::npos) << r.err;
  }
  EXPECT_EQ(testing::ReadBytes(dir.File("LOG.BIN")), log);
  EXPECT_EQ(testing::ReadBytes(dir.File("CONFIG.INI")), config);
  EXPECT_FALSE(std::filesystem::exists(dir.File("GRAPH.INI")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("RDR.BIN")));
}

TEST_F(CliDataTest, TimesOutsideTheStampYearsAreRefused) {
  for (const char* time : {"2064-01-01 00:00:00", "1999-12-31 23:59:59"}) {
    for (const char* option : {"--from", "--to"}) {
      CliOutput r = RunCli({"export", dir.path(), "-", option, time});
      EXPECT_EQ(r.code, 2) << option << " " << time;
      EXPECT_NE(r.err.find("2000-2063"), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty());
    }
  }
  EXPECT_EQ(RunCli({"export", dir.path(), "-", "--to", "2063-12-31 23:59:59"}).code, 0);
}

TEST_F(CliDataTest, AStartLaterThanTheEndIsRefusedBeforeAnythingIsWritten) {
  const std::string copy_to = dir.File("kopie");
  const std::vector<std::vector<std::string>> commands = {
      {"export", dir.path(), "-"}, {"stats", dir.path()}, {"copy", dir.path(), copy_to}};
  for (std::vector<std::string> command : commands) {
    SCOPED_TRACE(command[0]);
    command.insert(command.end(), {"--from", "2006-03-05 08:07:17", "--to", "2006-03-05 08:07:16"});
    CliOutput r = RunCli(command);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("je později než --to"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(copy_to));
}

// A listing that could not be written (a full disk behind standard output) is a failure.
TEST_F(CliDataTest, StandardOutputThatCannotBeWrittenFailsWithAMessage) {
  struct Full : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  } full;
  for (const char* command : {"info", "config", "stats"}) {
    SCOPED_TRACE(command);
    std::ostream out(&full);
    std::ostringstream err;
    EXPECT_EQ(cli::Run({command, dir.path()}, out, err), 1);
    EXPECT_NE(err.str().find(std::string(command) + ": standardní výstup nelze zapsat"),
              std::string::npos)
        << err.str();
  }
}

// A pipe or a device where a card file should be would block or never end: each is refused
// with the file's own message, at once.
TEST_F(CliDataTest, SpecialAndEndlessFilesAreNotRead) {
  namespace fs = std::filesystem;
  fs::remove(dir.File("LOG.BIN"));
  for (const char* kind : {"fifo", "/dev/zero", "/dev/urandom"}) {
    SCOPED_TRACE(kind);
    fs::remove(dir.File("LOG.BIN"));
    if (std::string(kind) == "fifo") {
      ASSERT_EQ(mkfifo(dir.File("LOG.BIN").c_str(), 0644), 0);
    } else {
      fs::create_symlink(kind, dir.File("LOG.BIN"));
    }
    CliOutput r = RunCli({"info", dir.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Datový soubor nelze otevřít."), std::string::npos) << r.err;
  }

  // A CONFIG.INI that is a pipe is never read, and it is not taken for a missing one either.
  testing::TempDir card_dir;
  ASSERT_EQ(mkfifo(card_dir.File("CONFIG.INI").c_str(), 0644), 0);
  CliOutput r = RunCli({"info", card_dir.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("CONFIG.INI nelze přečíst"), std::string::npos) << r.err;

  ASSERT_EQ(mkfifo(dir.File("pipe.kva").c_str(), 0644), 0);
  testing::WriteBytes(dir.File("big.kva"), "[Application]\r\nName=Korvan-A\r\n");
  fs::resize_file(dir.File("big.kva"), (16 << 20) + 1);
  for (const char* name : {"pipe.kva", "big.kva"}) {
    r = RunCli({"config", dir.File(name)});
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_NE(r.err.find(dir.File(name)), std::string::npos) << r.err;
  }
}

TEST_F(CliDataTest, AFileWhereAFolderIsExpectedIsNamedAsSuch) {
  CliOutput r = RunCli({"info", dir.File("LOG.BIN")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("není složka"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace korvan
