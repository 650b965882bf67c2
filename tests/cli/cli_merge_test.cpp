#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/folder_lock.h"
#include "support/card_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CliOutput;
using testing::MakeStamp;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempDir;

// Three saved copies of overlapping ranges of the demonstration card, joined, export as the
// whole card does.
TEST(CliMergeTest, CopiesOfThreeRangesJoinIntoTheWholeMeasurement) {
  TempDir work;
  const std::string card = work.File("card");
  ASSERT_EQ(RunCli({"demo-card", card}).code, 0);
  const std::vector<std::pair<std::string, std::string>> ranges = {
      {"2000-01-01 00:00:00", "2026-12-04 12:00:00"},
      {"2026-12-04 00:00:00", "2026-12-06 18:00:00"},
      {"2026-12-06 00:00:00", "2063-12-31 23:59:59"}};
  std::vector<std::string> merge = {"merge"};
  for (size_t i = 0; i < ranges.size(); ++i) {
    const std::string copy = work.File("copy" + std::to_string(i));
    const CliOutput r =
        RunCli({"copy", card, copy, "--from", ranges[i].first, "--to", ranges[i].second});
    ASSERT_EQ(r.code, 0) << r.err;
    merge.insert(merge.begin() + 1, copy);  // the newest first: the order does not matter
  }
  merge.push_back(work.File("joined"));
  const CliOutput joined = RunCli(merge);
  ASSERT_EQ(joined.code, 0) << joined.err;
  EXPECT_NE(joined.out.find("shodných vynecháno"), std::string::npos) << joined.out;
  const std::string whole = RunCli({"export", card, "-"}).out;
  ASSERT_GT(whole.size(), 1000u);
  EXPECT_EQ(RunCli({"export", work.File("joined"), "-"}).out, whole);
  EXPECT_EQ(RunCli({"info", work.File("joined")}).out, RunCli({"info", card}).out);
}

TEST(CliMergeTest, RefusedJoinLeavesNoFolderAndAskedOneNeedsYes) {
  TempDir work;
  CardBuilder a;
  a.lines.resize(1);
  a.Block(MakeStamp(2006, 3, 5, 8, 7, 6), {{0, 1}});
  a.WriteAll(work.File(""));
  CardBuilder b = a;
  b.lines.push_back({});
  std::filesystem::create_directory(work.File("b"));
  b.WriteAll(work.File("b"));
  CliOutput r = RunCli({"merge", work.path(), work.File("b"), work.File("new")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("nemají stejné veličiny"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(work.File("new")));

  TempDir destination;
  ASSERT_EQ(RunCli({"merge", work.path(), destination.path()}).code, 0);
  r = RunCli({"merge", work.path(), destination.path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--yes"), std::string::npos);
  {
    const FolderLock other(destination.path());  // another writer, as for copy: status 1
    r = RunCli({"merge", work.path(), destination.path(), "--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("právě zapisuje jiný proces"), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunCli({"merge", work.path(), destination.path(), "--yes"}).code, 0);
  EXPECT_EQ(ReadBytes(destination.File("LOG.BIN")), a.log);
}

// A destination that is a source, or holds a link to a source's file, is refused with its
// path before anything is written; a report that cannot be printed is a failure.
TEST(CliMergeTest, AliasedDestinationAndUnwritableReport) {
  TempDir work;
  CardBuilder a;
  a.lines.resize(1);
  a.Block(MakeStamp(2006, 3, 5, 8, 7, 6), {{0, 1}});
  for (const char* name : {"a", "b", "linked"}) std::filesystem::create_directory(work.File(name));
  a.WriteAll(work.File("a"));
  a.WriteAll(work.File("b"));
  std::filesystem::create_directory_symlink(work.File("b"), work.File("b-link"));
  std::filesystem::create_symlink(work.File("a/LOG.BIN"), work.File("linked/LOG.BIN"));
  for (const std::string& destination :
       {work.File("b"), work.File("b-link"), work.File("linked")}) {
    SCOPED_TRACE(destination);
    const CliOutput r = RunCli({"merge", work.File("a"), work.File("b"), destination, "--yes"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(destination), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nic nebylo zapsáno"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadBytes(work.File("b/LOG.BIN")), a.log);

  struct Full : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  } full;
  std::ostream out(&full);
  std::ostringstream err;
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(cli::Run({"merge", work.File("a"), work.File("b"), work.File("new")}, out, err), 1);
  EXPECT_NE(err.str().find("merge: standardní výstup nelze zapsat"), std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace korvan
