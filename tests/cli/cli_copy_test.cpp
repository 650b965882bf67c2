#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "data/graph_settings_file.h"
#include "support/card_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CliOutput;
using testing::FloatBits;
using testing::MakeStamp;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempDir;
using testing::WriteBytes;

class CliCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card.lines = {{"A", "a", 1, "F4", 1, 0, 0, ""}, {"B", "b", 1, "U4", 0.1, 0, 0, ""}};
    for (int s = 0; s < 40; ++s) {
      card.Block(MakeStamp(2006, 3, 5, 8, 7, s), {{0, FloatBits(static_cast<float>(s))}},
                 MillisecondWord(0));
      card.Block(MakeStamp(2006, 3, 5, 8, 7, s), {{1, static_cast<uint32_t>(s)}},
                 MillisecondWord(500));
      card.log += std::string(s % 7, '\xFF');
    }
    card.WriteAll(source.path());
  }
  TempDir source, destination;
  CardBuilder card;
};

// The copy of A..B holds what the export of A..B shows, less the rows stamped exactly B.
TEST_F(CliCopyTest, CopyOfARangeExportsAsTheRangeWithoutItsEnd) {
  const std::string from = "2006-03-05 08:07:10", to = "2006-03-05 08:07:20";
  CliOutput r = RunCli({"copy", source.path(), destination.path(), "--from", from, "--to", to});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string copied = RunCli({"export", destination.path(), "-"}).out;
  std::string expected = RunCli({"export", source.path(), "-", "--from", from, "--to", to}).out;
  const size_t last_rows = expected.find(" 5.03.2006;08:07:20");
  ASSERT_NE(last_rows, std::string::npos);
  expected.erase(last_rows);
  EXPECT_EQ(copied, expected);
  EXPECT_NE(copied.find("08:07:19.50"), std::string::npos);

  // GRAPH.INI holds the range, so that opening the copy shows it.
  GraphViewState view;
  ASSERT_TRUE(ReadGraphSettingsFile(destination.File("GRAPH.INI"), view, 0));
  EXPECT_NEAR(view.range_from,
              38781.0 + (8 * 3600 + 7 * 60 + 10) / static_cast<double>(kSecondsPerDay), 1e-9);
}

TEST_F(CliCopyTest, WholeMeasurementByDefaultAndExistingDataNeedsYes) {
  ASSERT_EQ(RunCli({"copy", source.path(), destination.path()}).code, 0);
  EXPECT_EQ(RunCli({"export", destination.path(), "-"}).out,
            RunCli({"export", source.path(), "-"}).out);

  WriteBytes(destination.File("LOG.BIN"), "old");
  CliOutput refused = RunCli({"copy", source.path(), destination.path()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--yes"), std::string::npos);
  EXPECT_EQ(ReadBytes(destination.File("LOG.BIN")), "old");
  EXPECT_EQ(RunCli({"copy", source.path(), destination.path(), "--yes"}).code, 0);
  EXPECT_NE(ReadBytes(destination.File("LOG.BIN")), "old");

  CliOutput onto_itself = RunCli({"copy", source.path(), source.path() + "/.", "--yes"});
  EXPECT_EQ(onto_itself.code, 2);
  EXPECT_NE(onto_itself.err.find("je vstupní složka"), std::string::npos);
  // A destination whose LOG.BIN leads to the source's is the source as well.
  testing::TempDir linked;
  std::filesystem::create_symlink(source.File("LOG.BIN"), linked.File("LOG.BIN"));
  CliOutput through_link = RunCli({"copy", source.path(), linked.path(), "--yes"});
  EXPECT_EQ(through_link.code, 2);
  EXPECT_NE(through_link.err.find("je vstupní soubor"), std::string::npos) << through_link.err;
  EXPECT_EQ(ReadBytes(source.File("LOG.BIN")), card.log);
}

// A copy that fails leaves no folder of its own behind (it held only GRAPH.INI).
TEST_F(CliCopyTest, AFailedCopyIntoANewFolderLeavesNoFolder) {
  std::filesystem::remove(source.File("CONFIG.BIN"));
  const std::string target = destination.File("nová");
  EXPECT_EQ(RunCli({"copy", source.path(), target}).code, 1);
  EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace korvan
