#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/error.h"
#include "config/settings_file.h"
#include "data/graph_settings_file.h"
#include "export/export.h"
#include "instruments/quantity_file.h"
#include "platform/folder_lock.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
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

// A file another writer made by name is adopted whole, with the target's permissions, where the
// file system has unnamed files and where it has neither those nor links (FAT); given up, it
// leaves the old target and nothing else.
TEST(AtomicWriter, AdoptsAFileWrittenByName) {
  for (bool fat : {false, true}) {
    SCOPED_TRACE(fat);
    TempDir dir;
    UseNamedTemporaryFiles(fat);
    const std::string path = dir.File("book.xlsx");
    WriteBytes(path, "old");
    chmod(path.c_str(), 0640);
    for (bool commit : {false, true}) {
      {
        AtomicWriter writer(path);
        ASSERT_TRUE(writer.Write("through Write"));
        const std::string name = writer.AdoptPath();
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(IsTemporaryName(std::filesystem::path(name).filename().string()));
        WriteBytes(name, "by name");  // opened, truncated and written as a library does
        if (commit) {
          ASSERT_TRUE(writer.Commit());
        }
      }
      EXPECT_EQ(ReadBytes(path), commit ? "by name" : "old");
      EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"book.xlsx"});
    }
    UseNamedTemporaryFiles(false);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }
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

  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS}) {
    SCOPED_TRACE(signal_number);
    const int status = testing::StatusOfChild([&] {
      const rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      RemoveTemporaryFilesOnSignals();
      AtomicWriter writer(dir.File("c.csv"));
      writer.Write("partial");
      raise(signal_number);
    });
    EXPECT_TRUE(testing::KilledBy(status, signal_number));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"b.csv"});
  }
  UseNamedTemporaryFiles(false);
}

// A full disk, a file-size limit or a pulled card part-way through a save: every whole-file
// save fails as a whole and leaves the old file byte for byte. The failure is real, from the
// kernel: a child process with a file-size limit smaller than the new file.
TEST(WholeFileSaves, AWriteFailureLeavesTheOldFile) {
  TempDir dir;
  const std::string old_bytes = "[Application]\r\nName=Korvan-A\r\nOwn=old\r\n";
  RecordingConfig config;
  config.lines.assign(
      20, LoggedLine{"Elektroměr", "Teplota", "1", "01h", "R", "0010h", "F4", "1", "0", "100", ""});
  QuantityTable table;
  for (int row = 1; row <= 50; ++row) table.Row(row) = {"H", "1", "Teplota vody", "F4", "1"};
  Measurement measurement;
  measurement.line_count = 1;
  for (uint32_t i = 0; i < 1000; ++i) measurement.buffers[0].Append({0x04421000 + i, 0, i});
  const int lines[] = {0};

  const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> saves = {
      {"settings file",
       [&](const std::string& path) { WriteSettingsFile(path, config, InstrumentList{}, ','); }},
      {"GRAPH.INI", [&](const std::string& path) { WriteGraphSettingsFile(path, {}, ','); }},
      {"quantity file",
       [&](const std::string& path) {
         table.file_name = path;
         SaveQuantityFile(table);
       }},
      {"export",
       [&](const std::string& path) {
         testing::FakeDialogs dialogs;
         if (!ExportToFile(path, measurement, lines, {0, 0xFFFFFFFF}, ',', dialogs)) {
           throw Error(dialogs.messages.at(0).text);
         }
       }},
  };
  for (const auto& [name, save_to] : saves) {
    SCOPED_TRACE(name);
    const auto& save = save_to;  // clang 14 captures no structured binding
    const std::string path = dir.File("target");
    WriteBytes(path, old_bytes);
    for (bool named : {false, true}) {
      const int status = testing::StatusOfChild([&] {
        UseNamedTemporaryFiles(named);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{200, 200};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
          save(path);
        } catch (const Error&) {
          _exit(3);  // told, as it must be
        }
      });
      EXPECT_TRUE(testing::ExitedWith(status, 3)) << status;
      EXPECT_EQ(ReadBytes(path), old_bytes);
      EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"target"});
    }
  }
}

TEST(FolderLock, ASecondWriterIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  {
    const FolderLock first(dir.path());
    ASSERT_TRUE(first.held());
    EXPECT_FALSE(FolderLock(dir.path()).held());
    // Another process, too.
    const int status = testing::StatusOfChild([&] { _exit(FolderLock(dir.path()).held()); });
    EXPECT_TRUE(testing::ExitedWith(status, 0));
  }
  EXPECT_TRUE(FolderLock(dir.path()).held());
  EXPECT_NE(FolderBusyText("/karta").find("/karta právě zapisuje jiný proces"), std::string::npos);
}

// A writer killed where no handler runs leaves its named temporary (a FAT card has no unnamed
// files); the next holder of the lock removes it, but never one a live writer still owns.
TEST(FolderLock, TakingItRemovesTheTemporariesOfKilledWritersOnly) {
  TempDir dir;
  UseNamedTemporaryFiles(true);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicWriter writer(dir.File("LOG.BIN"));
    writer.Write(std::string(1 << 20, '\xFF'));
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  close(ready[1]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(Entries(dir.path()).size(), 1u);
  EXPECT_TRUE(IsTemporaryName(Entries(dir.path())[0]));

  AtomicWriter alive(dir.File("GRAPH.INI"));  // this process's, still being written
  ASSERT_TRUE(alive.Write("x"));
  WriteBytes(dir.File(".korvan-notes.txt"), "a file of the user's: not one of our names");
  { const FolderLock lock(dir.path()); }
  EXPECT_EQ(Entries(dir.path()).size(), 2u);
  EXPECT_TRUE(alive.Commit());
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{".korvan-notes.txt", "GRAPH.INI"}));
  UseNamedTemporaryFiles(false);
}

// Another writer's clean-up may run at any moment: a live temporary is kept, also after the
// close that may report a failed write and before its rename (named, or a link of an unnamed
// one made to replace an existing file).
TEST(TemporaryFile, KeptByTheCleanUpUntilItHasItsName) {
  for (bool named : {false, true}) {
    SCOPED_TRACE(named);
    TempDir dir;
    WriteBytes(dir.File("a"), "old");
    UseNamedTemporaryFiles(named);
    TemporaryFile file(dir.path());
    UseNamedTemporaryFiles(false);
    ASSERT_TRUE(file.ok());
    ASSERT_EQ(write(file.fd(), "new", 3), 3);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 0);
    ASSERT_TRUE(file.CloseWrites());
    EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 0);
    EXPECT_TRUE(file.Publish(dir.File("a")));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"a"});
    EXPECT_EQ(ReadBytes(dir.File("a")), "new");
  }
}

// The old set of a card folder with LOG.BIN's new content staged and CONFIG.INI marked for
// removal: a commit killed part-way.
void WriteHalfCommittedSet(const TempDir& dir) {
  WriteBytes(dir.File("LOG.BIN"), "old log");
  WriteBytes(dir.File("CONFIG.BIN"), "old bin");
  WriteBytes(dir.File("CONFIG.INI"), "old ini");
  WriteBytes(dir.File(".korvan-new-LOG.BIN"), "new log");
  WriteBytes(dir.File(".korvan-del-CONFIG.INI"), "");
}

// The states a writer killed in the middle of a set's commit leaves, as files: the next lock
// holder finishes the set when its commit mark is there and drops it when not.
TEST(FileSet, AnInterruptedCommitEndsAsTheOldSetOrTheNew) {
  for (const bool marked : {false, true}) {
    SCOPED_TRACE(marked);
    TempDir dir;
    // Killed after CONFIG.BIN was renamed: LOG.BIN's new content is still staged.
    WriteHalfCommittedSet(dir);
    if (marked) {
      WriteBytes(dir.File(".korvan-commit-set"), "");
      WriteBytes(dir.File("CONFIG.BIN"), "new bin");
    } else {
      WriteBytes(dir.File(".korvan-new-CONFIG.BIN"), "new bin");
    }
    { const FolderLock lock(dir.path()); }
    if (marked) {
      EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"CONFIG.BIN", "LOG.BIN"}));
      EXPECT_EQ(ReadBytes(dir.File("LOG.BIN")), "new log");
      EXPECT_EQ(ReadBytes(dir.File("CONFIG.BIN")), "new bin");
    } else {
      EXPECT_EQ(Entries(dir.path()),
                (std::vector<std::string>{"CONFIG.BIN", "CONFIG.INI", "LOG.BIN"}));
      EXPECT_EQ(ReadBytes(dir.File("LOG.BIN")), "old log");
      EXPECT_EQ(ReadBytes(dir.File("CONFIG.INI")), "old ini");
    }
  }
}

TEST(FileSet, CommitReplacesAndRemovesTogetherAndAnUncommittedSetLeavesNothing) {
  TempDir dir;
  WriteBytes(dir.File("CONFIG.INI"), "old ini");
  WriteBytes(dir.File("LOG.BIN"), "old log");
  {
    FileSet set(dir.path());
    ASSERT_TRUE(WriteFileAtomically(set.StagePath("LOG.BIN"), "new log"));
    ASSERT_TRUE(set.Remove("CONFIG.INI"));
  }
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"CONFIG.INI", "LOG.BIN"}));
  EXPECT_EQ(ReadBytes(dir.File("LOG.BIN")), "old log");

  FileSet set(dir.path());
  ASSERT_TRUE(WriteFileAtomically(set.StagePath("LOG.BIN"), "new log"));
  ASSERT_TRUE(set.Remove("CONFIG.INI"));
  ASSERT_TRUE(set.Commit());
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"LOG.BIN"});
  EXPECT_EQ(ReadBytes(dir.File("LOG.BIN")), "new log");

  // A name a file cannot take is refused before anything is staged.
  std::filesystem::create_directory(dir.File("CONFIG.BIN"));
  FileSet refused(dir.path());
  EXPECT_TRUE(refused.StagePath("CONFIG.BIN").empty());
  EXPECT_FALSE(refused.Commit());
}

// Until a committed set is finished, a reader finds each file where the set has it; a staged
// file the mark does not list (an earlier writer's, where the folder cannot be locked) is no
// part of the set and is dropped when it is finished.
TEST(FileSet, ACommittedSetIsReadAsItsMarkListsIt) {
  TempDir dir;
  WriteHalfCommittedSet(dir);
  WriteBytes(dir.File(".korvan-new-GRAPH.INI"), "stray");
  WriteBytes(dir.File(".korvan-commit-set"), ".korvan-new-LOG.BIN\n.korvan-del-CONFIG.INI\n");
  EXPECT_EQ(ReadBytes(PathInCommittedSet(dir.path(), "LOG.BIN")), "new log");
  EXPECT_EQ(PathInCommittedSet(dir.path(), "CONFIG.INI"), "");
  EXPECT_EQ(PathInCommittedSet(dir.path(), "CONFIG.BIN"), dir.File("CONFIG.BIN"));
  EXPECT_EQ(PathInCommittedSet(dir.path(), "GRAPH.INI"), dir.File("GRAPH.INI"));

  EXPECT_TRUE(FolderLock(dir.path()).held());
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"CONFIG.BIN", "LOG.BIN"}));
  EXPECT_EQ(ReadBytes(dir.File("LOG.BIN")), "new log");
  EXPECT_EQ(PathInCommittedSet(dir.path(), "LOG.BIN"), dir.File("LOG.BIN"));
}

}  // namespace
}  // namespace korvan
