#include "instruments/quantity_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/error.h"
#include "platform/file_query.h"
#include "support/quantity_text.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using testing::kHeaderLine;

QuantityTable Parse(const std::string& bytes) {
  QuantityTable table;
  ParseQuantityText(bytes, table);
  return table;
}

QuantityRow Fields(std::vector<std::string> fields) {
  QuantityRow row;
  for (size_t i = 0; i < fields.size(); ++i) row[i] = fields[i];
  return row;
}

struct SplitCase {
  const char* name;
  std::string line;  // Windows-1250 bytes of line 1
  QuantityRow expected;
};

TEST(ParseQuantityText, SplitsALineIntoAtMostEightFields) {
  const std::string long_line = std::string(300, 'x');
  const std::string czech_cut = std::string(253, 'a') + "\xE8\xF8\x9E";  // "čřž" at 254..256
  const std::vector<SplitCase> cases = {
      {"three fields", "H;10;Teplota", Fields({"H", "10", "Teplota"})},
      {"eight fields", "H;0Ah;Tlak;F4;0,1;-10;100;0,5",
       Fields({"H", "0Ah", "Tlak", "F4", "0,1", "-10", "100", "0,5"})},
      {"beyond eight", "1;2;3;4;5;6;7;8;9;10", Fields({"1", "2", "3", "4", "5", "6", "7", "8"})},
      {"eighth separator ends the row", "1;2;3;4;5;6;7;8;",
       Fields({"1", "2", "3", "4", "5", "6", "7", "8"})},
      {"empty fields keep their places", ";;Popis;;;;;x",
       Fields({"", "", "Popis", "", "", "", "", "x"})},
      {"300 characters", long_line, Fields({std::string(255, 'x')})},
      {"255 bytes of Windows-1250, not of UTF-8", czech_cut,
       Fields({std::string(253, 'a') + "čř"})},
      {"separator beyond the cut is not seen", std::string(255, 'b') + ";c",
       Fields({std::string(255, 'b')})},
  };
  for (const auto& c : cases) {
    QuantityTable table = Parse(std::string(kHeaderLine) + c.line + "\r\n");
    EXPECT_EQ(table.Row(1), c.expected) << c.name;
    EXPECT_TRUE(table.IsEmptyRow(2)) << c.name;
  }
}

TEST(ParseQuantityText, EveryLineEndEndsALine) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> registers;  // column 1 of rows 1..n
  };
  const std::vector<Case> cases = {
      {"CR LF", "hdr\r\na\r\nb\r\n", {"a", "b"}},
      {"lone LF", "hdr\na\nb\n", {"a", "b"}},
      {"lone CR", "hdr\ra\rb\r", {"a", "b"}},
      {"mixed", "hdr\na\r\nb\rc", {"a", "b", "c"}},
      {"no final line end", "hdr\r\na\r\nb", {"a", "b"}},
      {"LF CR is two line ends", "hdr\na\n\rb\n", {"a", "", "b"}},
      {"empty line keeps its row", "hdr\r\na\r\n\r\nb\r\n", {"a", "", "b"}},
  };
  for (const auto& c : cases) {
    QuantityTable table = Parse(c.text);
    for (size_t i = 0; i < c.registers.size(); ++i) {
      EXPECT_EQ(table.Row(static_cast<int>(i) + 1)[kFieldRegister], c.registers[i])
          << c.name << " row " << i + 1;
    }
    EXPECT_TRUE(table.IsEmptyRow(static_cast<int>(c.registers.size()) + 1)) << c.name;
  }
}

TEST(ParseQuantityText, IgnoresTheHeaderLineAndReplacesEveryRow) {
  QuantityTable table;
  table.Row(5) = Fields({"old"});
  ParseQuantityText("Whatever;the;file;says\r\nH;1\r\n", table);
  EXPECT_EQ(table.Row(1), Fields({"H", "1"}));
  EXPECT_TRUE(table.IsEmptyRow(5));
}

TEST(ParseQuantityText, LoadsAtMost999Quantities) {
  std::string text = kHeaderLine;
  for (int line = 1; line <= 1200; ++line) text += "R;" + std::to_string(line) + "\r\n";
  QuantityTable table = Parse(text);
  EXPECT_EQ(table.Row(1)[kFieldAddress], "1");
  EXPECT_EQ(table.Row(999)[kFieldAddress], "999");
  EXPECT_EQ(table.rows.size(), 999u);

  const std::string saved = FormatQuantityText(table);
  QuantityTable again = Parse(saved);
  EXPECT_EQ(again.rows, table.rows);
  size_t lines = 0;
  for (size_t pos = 0; (pos = saved.find("\r\n", pos)) != std::string::npos; pos += 2) ++lines;
  EXPECT_EQ(lines, 1000u);
}

TEST(FormatQuantityText, WritesHeaderAndEightFieldsPerRow) {
  QuantityTable table;
  table.Row(1) = Fields({"H", "10", "Teplota"});
  EXPECT_EQ(FormatQuantityText(table), std::string(kHeaderLine) + "H;10;Teplota;;;;;\r\n");
  EXPECT_EQ(FormatQuantityText(QuantityTable{}), kHeaderLine);
}

TEST(FormatQuantityText, EmptyRowsAreDroppedAndLaterRowsMoveUp) {
  QuantityTable table;
  table.Row(1) = Fields({"H", "1", "První"});
  table.Row(2) = Fields({"H", "2", "Druhá"});
  table.Row(5) = Fields({"I", "5", "Pátá"});
  QuantityTable again = Parse(FormatQuantityText(table));
  EXPECT_EQ(again.Row(1), table.Row(1));
  EXPECT_EQ(again.Row(2), table.Row(2));
  EXPECT_EQ(again.Row(3), table.Row(5));
  EXPECT_TRUE(again.IsEmptyRow(4));
  EXPECT_TRUE(again.IsEmptyRow(5));
}

TEST(FormatQuantityText, CanonicalFileRoundTripsByteForByte) {
  // Czech letters, a byte Windows-1250 leaves undefined (0x98), and empty fields.
  const std::string file = std::string(kHeaderLine) +
                           "H;0001h;Teplota \xF8\xED"
                           "dic\xED jednotky;F4;1;-40;125;0\r\n"
                           "I;12;\x8A"
                           "e\xE8\xED \x98 stav;U2;0,01;0;0;\r\n"
                           ";;;;;;;x\r\n";
  EXPECT_EQ(FormatQuantityText(Parse(file)), file);
}

TEST(QuantityTable, OffersRowsUpToTheFirstEmptyRow) {
  QuantityTable table;
  EXPECT_EQ(table.OfferedCount(), 0);
  table.Row(1) = Fields({"H"});
  table.Row(2) = Fields({"", "", "", "", "", "", "", "x"});
  table.Row(4) = Fields({"H"});
  EXPECT_EQ(table.OfferedCount(), 2);
  for (int n = 1; n <= kQuantityRows; ++n) table.Row(n) = Fields({"H"});
  EXPECT_EQ(table.OfferedCount(), 999);
}

TEST(QuantityFilePath, ResolvesStoredNames) {
  const std::vector<Drive> drives = {{'c', "", "/", ""}, {'d', "DATA", "/mnt/data", ""}};
  const std::string dir = "/opt/korvan/Instrument/";
  struct Case {
    const char* name;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"pump.csv", "/opt/korvan/Instrument/pump.csv"},
      {"sub\\pump.csv", "/opt/korvan/Instrument/sub/pump.csv"},
      {"..\\other\\pump.csv", "/opt/korvan/Instrument/../other/pump.csv"},
      {"/home/u/maps/pump.csv", "/home/u/maps/pump.csv"},
      {"D:\\Maps\\pump.csv", "/mnt/data/Maps/pump.csv"},
      {"d:Maps\\pump.csv", "/mnt/data/Maps/pump.csv"},
      {"C:\\pump.csv", "/pump.csv"},
      {"Q:\\Maps\\pump.csv", "Q:/Maps/pump.csv"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuantityFilePath(c.name, dir, drives), c.expected) << c.name;
  }
  EXPECT_EQ(QuantityFilePath("pump.csv", "/opt/korvan/Instrument", drives),
            "/opt/korvan/Instrument/pump.csv");
}

TEST(RelativeQuantityName, FollowsTheDirectoryOfQuantityFiles) {
  const std::vector<Drive> drives = {{'c', "", "/", ""}, {'e', "USB", "/media/u/USB", ""}};
  const std::string dir = "/home/u/korvan/Instrument/";
  struct Case {
    const char* name;
    const char* chosen;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"same folder", "/home/u/korvan/Instrument/pump.csv", "pump.csv"},
      {"below", "/home/u/korvan/Instrument/Siemens/pump.csv", "Siemens\\pump.csv"},
      {"one up", "/home/u/korvan/pump.csv", "..\\pump.csv"},
      {"up and across", "/home/u/maps/old/pump.csv", "..\\..\\maps\\old\\pump.csv"},
      {"sibling with a common prefix", "/home/u/korvan/Instrument2/pump.csv",
       "..\\Instrument2\\pump.csv"},
      {"up to the root", "/pump.csv", "..\\..\\..\\..\\pump.csv"},
      {"another drive", "/media/u/USB/maps/pump.csv", "/media/u/USB/maps/pump.csv"},
      {"letter case differs", "/home/u/korvan/instrument/pump.csv", "..\\instrument\\pump.csv"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RelativeQuantityName(c.chosen, dir, drives), c.expected) << c.name;
  }
  // Names the program writes resolve back to the chosen file's folder.
  EXPECT_EQ(QuantityFilePath(RelativeQuantityName("/home/u/maps/p.csv", dir, drives), dir, drives),
            "/home/u/korvan/Instrument/../../maps/p.csv");
}

TEST(RelativeQuantityName, QuantityDirectoryOnAVolume) {
  const std::vector<Drive> drives = {{'c', "", "/", ""}, {'e', "USB", "/media/u/USB", ""}};
  const std::string dir = "/media/u/USB/Instrument/";
  EXPECT_EQ(RelativeQuantityName("/media/u/USB/maps/p.csv", dir, drives), "..\\maps\\p.csv");
  EXPECT_EQ(RelativeQuantityName("/home/u/p.csv", dir, drives), "/home/u/p.csv");
}

TEST(LoadQuantityFile, ReadsTheNamedFileAndMakesItCurrent) {
  TempDir dir;
  WriteBytes(dir.File("pump.csv"), std::string(kHeaderLine) +
                                       "H;1;\xC8"
                                       "erpadlo\r\n");
  QuantityTable table;
  LoadQuantityFile(table, "pump.csv", dir.path() + "/", {});
  EXPECT_EQ(table.file_name, dir.File("pump.csv"));
  EXPECT_EQ(table.Row(1), Fields({"H", "1", "Čerpadlo"}));
  EXPECT_EQ(QuantityEditorCaption(table.file_name), "Editor veličin - pump.csv");
  EXPECT_EQ(QuantityEditorCaption(""), "Editor veličin");
}

TEST(LoadQuantityFile, MissingFileKeepsRowsButTakesTheName) {
  TempDir dir;
  QuantityTable table;
  table.file_name = dir.File("old.csv");
  table.Row(1) = Fields({"H", "1"});
  EXPECT_THROW(LoadQuantityFile(table, "missing.csv", dir.path() + "/", {}), Error);
  EXPECT_EQ(table.file_name, dir.File("missing.csv"));
  EXPECT_EQ(table.Row(1), Fields({"H", "1"}));
  // An instrument without a file name names the directory itself.
  EXPECT_THROW(LoadQuantityFile(table, "", dir.path() + "/", {}), Error);
}

// Special and endless files named in a settings file: refused at once, rows kept.
TEST(LoadQuantityFile, SpecialAndOversizedFilesAreRefused) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("pipe.csv").c_str(), 0644), 0);
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.csv"));
  WriteBytes(dir.File("big.csv"), "");
  std::filesystem::resize_file(dir.File("big.csv"), kQuantityFileMaxBytes + 1);
  struct Case {
    const char* name;
    const char* message;
  };
  for (const Case& c : {Case{"pipe.csv", "nelze otevřít"}, Case{"zero.csv", "nelze otevřít"},
                        Case{"big.csv", "poškozený"}}) {
    QuantityTable table;
    table.Row(1) = Fields({"H", "1"});
    try {
      LoadQuantityFile(table, c.name, dir.path() + "/", {});
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(table.Row(1), Fields({"H", "1"})) << c.name;
  }
}

TEST(SaveQuantityFile, WritesTheCurrentFile) {
  TempDir dir;
  QuantityTable table;
  table.file_name = dir.File("new.csv");
  table.Row(1) = Fields({"H", "1", "Čerpadlo"});
  SaveQuantityFile(table);
  EXPECT_EQ(ReadBytes(dir.File("new.csv")), std::string(kHeaderLine) +
                                                "H;1;\xC8"
                                                "erpadlo;;;;;\r\n");
}

TEST(SaveQuantityFile, FailureIsReportedAndLeavesTheTargetAlone) {
  TempDir dir;
  QuantityTable table;
  table.Row(1) = Fields({"H"});

  table.file_name = dir.File("no such folder/x.csv");
  try {
    SaveQuantityFile(table);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Soubor veličin nelze uložit!");
  }

  // The target is a folder with content: nothing may replace it.
  ASSERT_EQ(mkdir(dir.File("taken.csv").c_str(), 0755), 0);
  WriteBytes(dir.File("taken.csv/keep"), "keep");
  table.file_name = dir.File("taken.csv");
  EXPECT_THROW(SaveQuantityFile(table), Error);
  EXPECT_EQ(ReadBytes(dir.File("taken.csv/keep")), "keep");

  table.file_name.clear();
  EXPECT_THROW(SaveQuantityFile(table), Error);
}

class ShippedQuantityFiles : public ::testing::Test {
 protected:
  ShippedQuantityFiles() {
    std::filesystem::create_directories(shipped_.path() + "/sub.csv");
    WriteBytes(shipped_.File("teplomer.csv"), "shipped t");
    WriteBytes(shipped_.File("elektromer.csv"), "shipped e");
    WriteBytes(shipped_.File("README"), "not a quantity file");
    paths_.settings_file = home_.File("korvan-a.ini");
    paths_.quantity_dir = home_.File("Instrument/");
    paths_.shipped_quantity_dir = shipped_.path() + "/";
  }
  TempDir shipped_, home_;
  ProgramPaths paths_;
};

// The user's own files stay as they are; only the missing ones are copied, whole.
TEST_F(ShippedQuantityFiles, FirstStartCopiesWhatTheUserDoesNotHave) {
  std::filesystem::remove_all(shipped_.path() + "/sub.csv");
  std::filesystem::create_directories(paths_.quantity_dir);
  WriteBytes(paths_.quantity_dir + "teplomer.csv", "mine");
  EXPECT_EQ(CopyShippedQuantityFiles(paths_), std::vector<std::string>{"elektromer.csv"});
  EXPECT_EQ(ReadBytes(paths_.quantity_dir + "teplomer.csv"), "mine");
  EXPECT_EQ(ReadBytes(paths_.quantity_dir + "elektromer.csv"), "shipped e");
  EXPECT_FALSE(IsRegularFile(paths_.quantity_dir + "README"));
}

TEST_F(ShippedQuantityFiles, OnlyOnTheFirstStartOfAnInstalledCopy) {
  ProgramPaths portable = paths_;
  portable.shipped_quantity_dir.clear();
  EXPECT_TRUE(CopyShippedQuantityFiles(portable).empty());
  WriteBytes(paths_.settings_file, "[Application]\r\nName=Korvan-A\r\n");
  EXPECT_TRUE(CopyShippedQuantityFiles(paths_).empty());
  EXPECT_FALSE(IsDirectory(paths_.quantity_dir));
}

// A file that cannot be read or written is named; the others are copied all the same.
TEST_F(ShippedQuantityFiles, FailureNamesTheFileAfterCopyingTheOthers) {
  try {
    CopyShippedQuantityFiles(paths_);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Soubor veličin \"" + shipped_.path() + "/sub.csv\" nelze otevřít.");
  }
  EXPECT_EQ(ReadBytes(paths_.quantity_dir + "teplomer.csv"), "shipped t");

  WriteBytes(home_.File("file"), "");
  paths_.quantity_dir = home_.File("file/Instrument/");
  try {
    CopyShippedQuantityFiles(paths_);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Soubor veličin \"" + paths_.quantity_dir +
                                                  "elektromer.csv\" nelze zapsat: "))
        << e.what();
  }
}

}  // namespace
}  // namespace korvan
