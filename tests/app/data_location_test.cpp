#include "app/data_location.h"

#include <gtest/gtest.h>

#include "app/program_settings.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FakeDialogs;

TEST(CardFilePath, CardReaderDriveGivesItsRoot) {
  FakeDialogs dialogs;
  DataLocation location{.card_letter = 'e', .card_root = "/media/user/CARD"};
  EXPECT_EQ(CardFilePath(location, "CONFIG.BIN", true, dialogs),
            std::optional<std::string>("/media/user/CARD/CONFIG.BIN"));
  location.card_root = "/";
  EXPECT_EQ(CardFilePath(location, "LOG.BIN", true, dialogs),
            std::optional<std::string>("/LOG.BIN"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CardFilePath, LettersUpToDMeanNoReader) {
  for (char letter : {'\0', 'a', 'c', 'd'}) {
    FakeDialogs dialogs;
    DataLocation location{.card_letter = letter, .card_root = "/"};
    EXPECT_EQ(CardFilePath(location, "LOG.BIN", true, dialogs), std::nullopt) << letter;
    ASSERT_EQ(dialogs.Texts("error").size(), 1u);
    EXPECT_EQ(dialogs.Texts("error")[0], kReaderMissingMessage);

    FakeDialogs silent;
    EXPECT_EQ(CardFilePath(location, "GRAPH.INI", false, silent), std::nullopt);
    EXPECT_TRUE(silent.messages.empty());
  }
}

TEST(CardFilePath, AlternativeFolderWinsWithoutReaderCheck) {
  FakeDialogs dialogs;
  DataLocation location{.card_letter = 'c', .alternative = true, .alt_dir = "/home/u/data"};
  EXPECT_EQ(CardFilePath(location, "LOG.BIN", true, dialogs),
            std::optional<std::string>("/home/u/data/LOG.BIN"));
  location.alt_dir = "/";
  EXPECT_EQ(CardFilePath(location, "LOG.BIN", true, dialogs),
            std::optional<std::string>("/LOG.BIN"));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(ProgramSettings, MissingFileReadsDefaultsAndWriteOrder) {
  testing::TempDir dir;
  std::string path = dir.File("korvan-a.ini");
  ProgramSettings defaults = ReadProgramSettings(path);
  EXPECT_EQ(defaults.card_disk, "f");
  EXPECT_FALSE(defaults.alternative);
  EXPECT_EQ(defaults.alt_dir, "");
  EXPECT_FALSE(ProgramIsSetUp(path));

  WriteProgramSettings(path, {"e", true, "/home/u/měření"});
  EXPECT_EQ(testing::ReadBytes(path),
            "[Application]\r\nName=Korvan-A\r\nVersion=1.20\r\n[Setup]\r\nCardDisk=e\r\n"
            "Alternative=1\r\nAltDir=/home/u/m\xec\xf8\x65n\xed\r\n");
  EXPECT_TRUE(ProgramIsSetUp(path));
  ProgramSettings back = ReadProgramSettings(path);
  EXPECT_EQ(back.card_disk, "e");
  EXPECT_TRUE(back.alternative);
  EXPECT_EQ(back.alt_dir, "/home/u/měření");
}

TEST(ProgramSettings, NameMustMatchExactly) {
  testing::TempDir dir;
  std::string path = dir.File("korvan-a.ini");
  testing::WriteBytes(path, "[application]\r\nname=korvan-a\r\n");
  EXPECT_FALSE(ProgramIsSetUp(path));
  testing::WriteBytes(path, "[APPLICATION]\r\nNAME=Korvan-A\r\n");
  EXPECT_TRUE(ProgramIsSetUp(path));
}

}  // namespace
}  // namespace korvan
