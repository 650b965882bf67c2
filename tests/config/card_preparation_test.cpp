#include "config/card_preparation.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "config/config_image.h"
#include "config/preparation_mark.h"
#include "data/measurement.h"
#include "platform/file_extents.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/process.h"
#include "support/child_process.h"
#include "support/fake_card_system.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FakeDialogs;
using testing::FakeExtentQuery;
using testing::FakeProcessRunner;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Message = FakeDialogs::Message;

class RecordedProgress : public CardProgress {
 public:
  void SetMaximum(int64_t maximum) override { maxima.push_back(maximum); }
  void SetPosition(int64_t position) override { positions.push_back(position); }
  std::vector<int64_t> maxima;
  std::vector<int64_t> positions;
};

// The files of a folder, with their sizes; nothing else may be there (no stray temporaries).
std::map<std::string, uintmax_t> Listing(const std::string& dir) {
  std::map<std::string, uintmax_t> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    files[entry.path().filename().string()] =
        entry.is_regular_file() ? entry.file_size() : uintmax_t{0};
  }
  return files;
}

RecordingConfig OneLineConfig() {
  RecordingConfig config;
  config.lines = {{"Elektroměr", "Teplota", "1", "01h", "R", "0010h", "F4", "1", "0", "100", ""}};
  return config;
}

class CardPreparationTest : public ::testing::Test {
 protected:
  CardJob Job(const RecordingConfig& config, bool alternative = true) {
    DataLocation location;
    location.alternative = alternative;
    location.alt_dir = card_.path();
    location.card_letter = 'e';
    location.card_root = card_.path();
    return CardJob{config, instruments_, location, ',', dialogs_};
  }
  CardSystem System() {
    return CardSystem{&processes_, &extents_, drives_,
                      [this](const std::string&) { return device_readable_; }};
  }

  // The four files of an older card, and the answers for the next run.
  void OldCard(std::deque<bool> answers = {}) {
    for (const char* name : {"LOG.BIN", "RDR.BIN", "CONFIG.BIN", "CONFIG.INI"}) {
      WriteBytes(card_.File(name), std::string("old ") + name);
    }
    dialogs_.Clear();
    dialogs_.answers = std::move(answers);
  }
  void ExpectOldCard() {
    for (const char* name : {"LOG.BIN", "RDR.BIN", "CONFIG.BIN", "CONFIG.INI"}) {
      EXPECT_EQ(ReadBytes(card_.File(name)), std::string("old ") + name);
    }
    EXPECT_EQ(Listing(card_.path()).size(), 4u);
  }

  TempDir card_;
  InstrumentList instruments_{{{"01h", "Elektroměr", "elektro.csv"}}};
  FakeDialogs dialogs_;
  RecordedProgress progress_;
  FakeProcessRunner processes_;
  FakeExtentQuery extents_;
  std::vector<Drive> drives_{{'c', "", "/", "/dev/vda1"}, {'e', "KARTA", "", "/dev/sdz1"}};
  bool device_readable_ = true;
};

TEST_F(CardPreparationTest, OneMegabyteInTheAlternativeFolder) {
  RecordingConfig config = OneLineConfig();
  ASSERT_TRUE(PrepareCard(Job(config), progress_, System()));
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"done", "HOTOVO !"}}));
  EXPECT_EQ(progress_.maxima, (std::vector<int64_t>{2048}));
  EXPECT_EQ(progress_.positions, (std::vector<int64_t>{1023, 2047, 0}));
  EXPECT_EQ(ReadBytes(card_.File("LOG.BIN")), std::string(1048576, '\xFF'));
  EXPECT_EQ(ReadBytes(card_.File("RDR.BIN")), std::string(512, '\xFF'));
  EXPECT_EQ(ReadBytes(card_.File("CONFIG.BIN")), BuildConfigImage(config, ','));
  EXPECT_NE(Cp1250ToUtf8(ReadBytes(card_.File("CONFIG.INI"))).find("Line01=Elektroměr;Teplota;1;"),
            std::string::npos);
  EXPECT_EQ(Listing(card_.path()).size(), 4u);
  // Neither the disk check nor the defragmenter runs for a folder.
  EXPECT_TRUE(processes_.runs.empty());
  EXPECT_TRUE(extents_.asked.empty());
}

TEST_F(CardPreparationTest, AnExistingLogAsksAndNoLeavesEveryFileUntouched) {
  RecordingConfig config = OneLineConfig();
  for (bool alternative : {true, false}) {
    OldCard({false});
    EXPECT_FALSE(PrepareCard(Job(config, alternative), progress_, System()));
    EXPECT_EQ(dialogs_.messages,
              (std::vector<Message>{
                  {"ask", alternative ? kAskDeleteAlternativeData : kAskDeleteCardData}}));
    ExpectOldCard();
  }
  EXPECT_TRUE(progress_.maxima.empty());
  EXPECT_TRUE(processes_.runs.empty());
}

TEST_F(CardPreparationTest, OnACardTheDiskCheckRunsAndTheExtentsDecideTheLastMessage) {
  struct Case {
    Contiguity extents;
    std::vector<std::string> installed;
    std::string device;
    const char* done;
    std::vector<std::vector<std::string>> runs;
    bool readable = true;
  };
  const std::vector<std::string> check = {"/usr/sbin/fsck.fat", "-n", "/dev/sdz1"};
  const Case cases[] = {
      {Contiguity::kContiguous, {"fsck.fat"}, "/dev/sdz1", kCardDone, {check}},
      {Contiguity::kFragmented, {"fsck.fat"}, "/dev/sdz1", kCardDoneDefragment, {check}},
      {Contiguity::kUnknown, {"fsck.fat"}, "/dev/sdz1", kCardDoneDefragment, {check}},
      // Without the tool or a device the check is skipped; the extents still decide.
      {Contiguity::kContiguous, {}, "/dev/sdz1", kCardDone, {}},
      {Contiguity::kFragmented, {"fsck.fat"}, "tmpfs", kCardDoneDefragment, {}},
      // A device the user may not read is not checked: that would need a password too.
      {Contiguity::kContiguous, {"fsck.fat"}, "/dev/sdz1", kCardDone, {}, false},
  };
  RecordingConfig config = OneLineConfig();
  for (const Case& c : cases) {
    OldCard({true});
    processes_.runs.clear();
    processes_.installed = c.installed;
    processes_.exit_code = 4;  // the check's result is not looked at
    extents_.extent_map = c.extents;
    extents_.asked.clear();
    drives_[1].device = c.device;
    device_readable_ = c.readable;
    ASSERT_TRUE(PrepareCard(Job(config, false), progress_, System()));
    EXPECT_EQ(dialogs_.messages,
              (std::vector<Message>{{"ask", kAskDeleteCardData}, {"done", c.done}}));
    EXPECT_EQ(processes_.runs, c.runs);
    EXPECT_EQ(extents_.asked, std::vector<std::string>(c.extents == Contiguity::kUnknown ? 4 : 1,
                                                       card_.File("LOG.BIN")));
  }
}

TEST_F(CardPreparationTest, TheWaysOfFindingTheLogOnTheCardAreAskedInTurnUntilOneTells) {
  using enum Contiguity;
  struct Case {
    Contiguity extent_map, block_map, fat_chain, granted;
    std::vector<std::string> ways;
    const char* done;
  };
  const std::vector<std::string> fat = {"FIEMAP", "FIBMAP", "FAT"};
  const std::vector<std::string> all = {"FIEMAP", "FIBMAP", "FAT", "UDisks2"};
  const Case cases[] = {
      {kContiguous, kFragmented, kFragmented, kFragmented, {"FIEMAP"}, kCardDone},
      {kFragmented, kContiguous, kContiguous, kContiguous, {"FIEMAP"}, kCardDoneDefragment},
      {kUnknown, kContiguous, kFragmented, kFragmented, {"FIEMAP", "FIBMAP"}, kCardDone},
      {kUnknown, kFragmented, kContiguous, kContiguous, {"FIEMAP", "FIBMAP"}, kCardDoneDefragment},
      // A FAT card without the raw-I/O capability: only its FAT tells.
      {kUnknown, kUnknown, kContiguous, kFragmented, fat, kCardDone},
      {kUnknown, kUnknown, kFragmented, kContiguous, fat, kCardDoneDefragment},
      // A device the user may not read: UDisks2 opens it.
      {kUnknown, kUnknown, kUnknown, kContiguous, all, kCardDone},
      {kUnknown, kUnknown, kUnknown, kFragmented, all, kCardDoneDefragment},
      {kUnknown, kUnknown, kUnknown, kUnknown, all, kCardDoneDefragment},
  };
  for (const Case& c : cases) {
    OldCard({true});
    extents_ = FakeExtentQuery();
    extents_.extent_map = c.extent_map;
    extents_.block_map = c.block_map;
    extents_.fat_chain = c.fat_chain;
    extents_.granted_device = c.granted;
    ASSERT_TRUE(PrepareCard(Job(OneLineConfig(), false), progress_, System()));
    EXPECT_EQ(dialogs_.Texts("done"), std::vector<std::string>{c.done});
    EXPECT_EQ(extents_.ways, c.ways);
  }
}

TEST_F(CardPreparationTest, NoReaderStopsBeforeAnything) {
  OldCard();
  CardJob job = Job(OneLineConfig(), false);
  job.location.card_letter = 'c';
  EXPECT_FALSE(PrepareCard(job, progress_, System()));
  EXPECT_FALSE(ChangeCardConfiguration(job));
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>(2, kReaderMissingMessage));
  ExpectOldCard();
}

TEST_F(CardPreparationTest, ANumberThatDoesNotConvertLeavesTheCardUntouched) {
  struct Case {
    const char* what;
    RecordingConfig config;
  };
  std::vector<Case> cases(5, {"", OneLineConfig()});
  cases[0] = {"'1,o' is not a valid floating point value", cases[0].config};
  cases[0].config.lines[0][kColMultiplier] = "1,o";
  cases[1].what = "'x' is not a valid integer value";
  cases[1].config.file_size = "x";
  cases[2].what = "'' is not a valid floating point value";
  cases[2].config.days = "";
  cases[3].what = "'10.5' is not a valid floating point value";
  cases[3].config.intervals[2] = "10.5";
  cases[4].what = "'2x' is not a valid integer value";
  cases[4].config.lines[0][kColInterval] = "2x";
  for (const Case& c : cases) {
    OldCard({true, true});
    EXPECT_FALSE(PrepareCard(Job(c.config), progress_, System()));
    EXPECT_FALSE(ChangeCardConfiguration(Job(c.config)));
    EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"error", c.what}, {"error", c.what}}));
    ExpectOldCard();
  }
}

TEST_F(CardPreparationTest, TheFinalMessageComesWhenAllFourFilesAreThere) {
  class Snapshot : public FakeDialogs {
   public:
    explicit Snapshot(const std::string& dir) : dir_(dir) {}
    void Done(const std::string& text) override {
      listing = Listing(dir_);
      FakeDialogs::Done(text);
    }
    std::map<std::string, uintmax_t> listing;

   private:
    std::string dir_;
  } dialogs(card_.path());
  RecordingConfig config = OneLineConfig();
  config.file_size = "2";
  CardJob job = Job(config);
  CardJob snapshot_job{job.config, job.instruments, job.location, ',', dialogs};
  ASSERT_TRUE(PrepareCard(snapshot_job, progress_, System()));
  ASSERT_EQ(dialogs.listing.size(), 4u);
  EXPECT_EQ(dialogs.listing["LOG.BIN"], 2u * 1048576);
  EXPECT_EQ(dialogs.listing["RDR.BIN"], 512u);
  EXPECT_EQ(dialogs.listing["CONFIG.BIN"], 8192u);
  EXPECT_GT(dialogs.listing["CONFIG.INI"], 0u);
}

TEST_F(CardPreparationTest, AConfigurationFileThatCannotBeWrittenIsReportedAndLeftNoHalf) {
  // CONFIG.BIN cannot take its name: a folder stands there.
  ASSERT_EQ(mkdir(card_.File("CONFIG.BIN").c_str(), 0755), 0);
  EXPECT_FALSE(PrepareCard(Job(OneLineConfig()), progress_, System()));
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"error", kCfgCannotCreate}}));
  // CONFIG.INI is not written after a failed CONFIG.BIN, and no temporary stays behind; the
  // mark says that the card is not whole.
  const uintmax_t mark = Utf8ToCp1250(kPreparationInterrupted).size() + 2;
  EXPECT_EQ(Listing(card_.path()),
            (std::map<std::string, uintmax_t>{{"CONFIG.BIN", 0},
                                              {"LOG.BIN", 1048576},
                                              {"RDR.BIN", 512},
                                              {kPreparationMarkFile, mark}}));
}

TEST_F(CardPreparationTest, ACardTooSmallIsRefusedBeforeItsOldFilesAreDeleted) {
  // A 2 MiB tmpfs holding a 1 MB card: a 2 MB file does not fit even after the old go.
  const std::string mount_point = card_.File("card");
  ASSERT_EQ(mkdir(mount_point.c_str(), 0755), 0);
  if (mount("tmpfs", mount_point.c_str(), "tmpfs", 0, "size=2m") != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here (needs root): " << std::strerror(errno);
  }
  RecordingConfig config = OneLineConfig();
  CardJob job = Job(config);
  job.location.alt_dir = mount_point;
  const bool first = PrepareCard(job, progress_, System());
  const auto before = Listing(mount_point);
  config.file_size = "2";
  dialogs_.Clear();
  dialogs_.answers.push_back(true);
  progress_.positions.clear();
  const bool second = PrepareCard(job, progress_, System());  // job refers to config
  const auto after = Listing(mount_point);
  umount(mount_point.c_str());
  EXPECT_TRUE(first);
  EXPECT_FALSE(second);
  ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
  EXPECT_NE(dialogs_.Texts("error")[0].find("LOG.BIN má 2097152 bajtů"), std::string::npos)
      << dialogs_.Texts("error")[0];
  EXPECT_EQ(after, before);
  EXPECT_EQ(after.at("LOG.BIN"), 1048576u);
  EXPECT_TRUE(progress_.positions.empty());
}

// Whatever stops a preparation is found before the old files are deleted.
TEST_F(CardPreparationTest, RefusalsComeBeforeAnythingIsDeleted) {
  struct Case {
    const char* name;
    const char* file_size;
    std::function<void()> setup;
    const char* error;  // a part of the one error shown
  };
  std::optional<FolderLock> other;
  const Case cases[] = {
      {"no days", "0", [] {}, "0 MB"},
      {"LOG.BIN a folder", "1",
       [&] {
         std::filesystem::remove(card_.File("LOG.BIN"));
         std::filesystem::create_directory(card_.File("LOG.BIN"));
       },
       kLogCannotCreate},
      {"another writer", "1", [&] { other.emplace(card_.path()); }, "právě zapisuje jiný proces"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OldCard({true});
    c.setup();
    RecordingConfig config = OneLineConfig();
    config.file_size = c.file_size;
    EXPECT_FALSE(PrepareCard(Job(config), progress_, System()));
    ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
    EXPECT_NE(dialogs_.Texts("error")[0].find(c.error), std::string::npos)
        << dialogs_.Texts("error")[0];
    for (const char* name : {"RDR.BIN", "CONFIG.BIN", "CONFIG.INI"}) {
      EXPECT_EQ(ReadBytes(card_.File(name)), std::string("old ") + name);
    }
    std::filesystem::remove_all(card_.File("LOG.BIN"));
  }
  // The configuration change waits for the other writer in the same way.
  OldCard({true});
  EXPECT_FALSE(ChangeCardConfiguration(Job(OneLineConfig())));
  ExpectOldCard();
  other.reset();
  EXPECT_TRUE(progress_.maxima.empty());
}

TEST_F(CardPreparationTest, TheConfigurationChangeNeedsBothDataFilesAndKeepsThem) {
  RecordingConfig config = OneLineConfig();
  WriteBytes(card_.File("LOG.BIN"), "data");
  dialogs_.answers = {true};
  EXPECT_FALSE(ChangeCardConfiguration(Job(config)));
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"error", kCardFilesMissing}}));
  EXPECT_EQ(Listing(card_.path()).size(), 1u);

  WriteBytes(card_.File("RDR.BIN"), "rdr");
  dialogs_.Clear();
  dialogs_.answers = {false};
  EXPECT_FALSE(ChangeCardConfiguration(Job(config)));
  EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"ask", kAskChangeConfiguration}}));
  EXPECT_EQ(Listing(card_.path()).size(), 2u);

  dialogs_.Clear();
  dialogs_.answers = {true};
  EXPECT_TRUE(ChangeCardConfiguration(Job(config)));
  EXPECT_EQ(dialogs_.messages,
            (std::vector<Message>{{"ask", kAskChangeConfiguration}, {"done", kCardDone}}));
  EXPECT_EQ(ReadBytes(card_.File("LOG.BIN")), "data");
  EXPECT_EQ(ReadBytes(card_.File("RDR.BIN")), "rdr");
  EXPECT_EQ(ReadBytes(card_.File("CONFIG.BIN")), BuildConfigImage(config, ','));
  EXPECT_TRUE(std::filesystem::exists(card_.File("CONFIG.INI")));
}

// A preparation killed after any step that changes the folder leaves it marked: the readers
// refuse it in one sentence instead of reading a mix of the old and the new card, the
// configuration change refuses it, and the next preparation offers to finish it. Killed after
// its last step, the card is whole.
TEST_F(CardPreparationTest, APreparationKilledAtAnyStepIsNeverReadAsACard) {
  RecordingConfig config = OneLineConfig();
  RecordingConfig other = config;
  other.lines.push_back(
      {"Elektroměr", "Tlak", "2", "01h", "R", "0012h", "S2", "0,1", "0", "0", ""});
  std::vector<std::string> steps;
  CardSystem system = System();
  system.after_step = [&](std::string_view step) { steps.emplace_back(step); };
  ASSERT_TRUE(PrepareCard(Job(config), progress_, system));
  ASSERT_EQ(steps.size(), 10u);  // the mark, four removals, four files, the mark's removal

  for (size_t k = 0; k < steps.size(); ++k) {
    SCOPED_TRACE("killed after " + steps[k]);
    const int status = testing::StatusOfChild([&] {
      size_t done = 0;
      CardSystem killed = System();
      killed.after_step = [&](std::string_view) {
        if (done++ == k) raise(SIGKILL);
      };
      dialogs_.answers = {true};
      PrepareCard(Job(other), progress_, killed);
    });
    ASSERT_TRUE(testing::KilledBy(status, SIGKILL));

    const DataLocation folder = FolderDataLocation(card_.path());
    FakeDialogs reader;
    Measurement measurement;
    const bool loaded =
        LoadMeasurement(folder, reader, EncodeDate(2024, 5, 1), {}, measurement, nullptr);
    if (k + 1 == steps.size()) {
      EXPECT_TRUE(loaded);
      EXPECT_EQ(measurement.line_count, 2u);
      EXPECT_TRUE(reader.messages.empty());
      continue;
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(reader.messages, (std::vector<Message>{{"error", kPreparationInterrupted}}));

    const std::map<std::string, uintmax_t> left = Listing(card_.path());
    dialogs_.Clear();
    dialogs_.answers = {false};
    EXPECT_FALSE(ChangeCardConfiguration(Job(config)));
    EXPECT_FALSE(PrepareCard(Job(config), progress_, System()));
    EXPECT_EQ(dialogs_.messages, (std::vector<Message>{{"error", kPreparationInterrupted},
                                                       {"ask", kAskFinishPreparation}}));
    EXPECT_EQ(Listing(card_.path()), left);
    dialogs_.answers = {true};
    ASSERT_TRUE(PrepareCard(Job(config), progress_, System()));
    EXPECT_FALSE(PreparationInterrupted(card_.path()));
  }
}

TEST(CardSystem, RealExtentsOfAFileInATemporaryFolder) {
  TempDir dir;
  const std::string path = dir.File("LOG.BIN");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(65536, '\xFF')));
  SystemExtentQuery system;
  const Contiguity contiguity = FileContiguity(system, path);
  if (contiguity == Contiguity::kUnknown) {
    GTEST_SKIP() << "the file system of " << dir.path() << " does not tell extents";
  }
  EXPECT_EQ(DefragmenterExitCode(&system, path), contiguity == Contiguity::kContiguous ? 0 : 1);
  EXPECT_EQ(DefragmenterExitCode(nullptr, path), 1);
  EXPECT_EQ(FileContiguity(system, dir.File("missing")), Contiguity::kUnknown);
}

TEST(CardSystem, RealDiskCheckOfAFatImage) {
  const std::string mkfs = FindProgram("mkfs.fat");
  const std::string fsck = FindProgram("fsck.fat");
  if (mkfs.empty() || fsck.empty()) GTEST_SKIP() << "dosfstools is not installed";
  TempDir dir;
  const std::string image = dir.File("card.img");
  {
    AtomicWriter writer(image);
    ASSERT_TRUE(writer.Write(std::string(4 << 20, '\0')) && writer.Commit());
  }
  SystemProcessRunner runner;
  // Not a file system yet: the check fails.
  EXPECT_NE(runner.Run(fsck, {"-n", image}), 0);
  ASSERT_EQ(runner.Run(mkfs, {"-n", "KARTA", image}), 0);
  const std::string formatted = ReadBytes(image);
  EXPECT_EQ(runner.Run(fsck, {"-n", image}), 0);
  EXPECT_EQ(ReadBytes(image), formatted);  // read-only
}

}  // namespace
}  // namespace korvan
