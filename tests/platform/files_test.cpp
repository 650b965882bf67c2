#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicWriter, NameStandsOnlyForTheWholeFile) {
  TempDir dir;
  const std::string path = dir.File("out.csv");
  WriteBytes(path, "old");
  {
    AtomicWriter writer(path);
    ASSERT_TRUE(writer.Write("new "));
    ASSERT_TRUE(writer.Write("data"));
    // While it is written, the old file stands and no other name appears (on file systems
    // without unnamed files one short temporary name may).
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_LE(Entries(dir.path()).size(), 2u);
    ASSERT_TRUE(writer.Commit());
  }
  EXPECT_EQ(ReadBytes(path), "new data");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.csv"});

  // A writer given up before its commit leaves the old file and nothing else.
  {
    AtomicWriter writer(path);
    ASSERT_TRUE(writer.Write("half"));
  }
  EXPECT_EQ(ReadBytes(path), "new data");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.csv"});
}

TEST(AtomicWriter, LinkIsWrittenWhereItPointsAndStaysALink) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  WriteBytes(dir.File("real/data.ini"), "old");
  std::filesystem::create_symlink("real/data.ini", dir.File("link.ini"));
  std::filesystem::create_symlink("real/new.ini", dir.File("dangling.ini"));

  ASSERT_TRUE(WriteFileAtomically(dir.File("link.ini"), "through"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
  EXPECT_EQ(ReadBytes(dir.File("real/data.ini")), "through");

  ASSERT_TRUE(WriteFileAtomically(dir.File("dangling.ini"), "created"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.ini")));
  EXPECT_EQ(ReadBytes(dir.File("real/new.ini")), "created");
}

TEST(AtomicWriter, RefusesTargetsItMustNotReplace) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0644), 0);
  std::filesystem::create_directory(dir.File("folder"));
  WriteBytes(dir.File("ro.ini"), "keep");
  chmod(dir.File("ro.ini").c_str(), 0444);  // refused also for root

  for (const char* name : {"pipe", "folder", "ro.ini", "missing/x.ini"}) {
    SCOPED_TRACE(name);
    std::string reason;
    EXPECT_FALSE(WriteFileAtomically(dir.File(name), "lost", &reason));
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir.File("pipe")));
  EXPECT_EQ(ReadBytes(dir.File("ro.ini")), "keep");
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"folder", "pipe", "ro.ini"}));
}

TEST(AtomicWriter, LongTargetNameAndKeptPermissions) {
  TempDir dir;
  const std::string path = dir.File(std::string(250, 'n'));
  ASSERT_TRUE(WriteFileAtomically(path, "a"));
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(path, "b"));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(path), "b");
}

TEST(AtomicWriter, NamedTemporaryIsRemovedOnFailureAndOnSignals) {
  TempDir dir;
  UseNamedTemporaryFiles(true);
  {
    AtomicWriter writer(dir.File("a.csv"));
    ASSERT_TRUE(writer.Write("x"));
    EXPECT_EQ(Entries(dir.path()).size(), 1u);  // the temporary name, short and fixed
    EXPECT_EQ(Entries(dir.path())[0].size(), std::string(".korvan-abcdef").size());
  }
  EXPECT_TRUE(Entries(dir.path()).empty());
  ASSERT_TRUE(WriteFileAtomically(dir.File("b.csv"), "whole"));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"b.csv"});

  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(signal_number);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemoveTemporaryFilesOnSignals();
      AtomicWriter writer(dir.File("c.csv"));
      writer.Write("partial");
      raise(signal_number);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"b.csv"});
  }
  UseNamedTemporaryFiles(false);
}

}  // namespace
}  // namespace korvan
