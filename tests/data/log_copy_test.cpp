#include "data/log_copy.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "data/graph_settings_file.h"
#include "data/log_writer.h"
#include "data/measurement.h"
#include "data/measurement_merge.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "support/card_builder.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/file_size_limit.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::FakeDialogs;
using testing::MakeStamp;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const uint32_t kT0 = MakeStamp(2006, 3, 5, 8, 7, 6);
// kT0 and s seconds (packed stamps do not add as integers).
uint32_t At(int s) {
  return MakeStamp(2006, 3, 5, 8 + (7 * 60 + 6 + s) / 3600, (7 * 60 + 6 + s) / 60 % 60,
                   (6 + s) % 60);
}
// The load's limit on a day in 2026: it decides how a run of AA bytes is read.
const uint32_t kRunLimit = MakeStamp(2026, 12, 10, 0, 0, 0);

std::string Block(uint32_t stamp, std::vector<LogEntry> entries,
                  std::optional<uint16_t> ms_word = std::nullopt) {
  std::string out;
  AppendLogBlock(out, stamp, ms_word, entries);
  return out;
}

// Copies bytes in memory with the given chunk size; reads are as short as read(2) gives them,
// and the read after the last byte fails when fail_at_end is set.
std::string CopyBytes(const std::string& bytes, uint32_t start, uint32_t end, int lines,
                      size_t chunk = kCopyChunk, LogCopyOutcome* outcome = nullptr,
                      bool fail_at_end = false) {
  size_t at = 0;
  std::string out;
  const LogCopyResult r = CopyLogBlocks(
      [&](uint8_t* buffer, size_t n) {
        if (fail_at_end && at == bytes.size()) return ptrdiff_t{-1};
        const size_t k = std::min(n, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, k);
        at += k;
        return static_cast<ptrdiff_t>(k);
      },
      [&](const uint8_t* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
      },
      start, end, kRunLimit, lines, {}, chunk);
  if (outcome) *outcome = r.outcome;
  return out;
}

constexpr uint32_t kAll = 0xFFFFFFFF;

TEST(LogCopyTest, CopiesTheBlocksOfTheRangeAndNothingElse) {
  const std::string fill(37, '\xFF');
  const std::string before = Block(MakeStamp(2006, 3, 5, 8, 7, 5), {{0, 1}});
  const std::string at_start = Block(kT0, {{0, 2}, {1, 3}}, MillisecondWord(500));
  const std::string inside = Block(At(5), {{1, 4}});
  const std::string at_end = Block(At(10), {{0, 5}});
  const std::string listed = Block(kT0, {{0, 7}, {2, 8}});
  const std::string tail = Block(At(1), {{1, 9}});
  const std::string cut = Block(kT0, {{0, 1}, {1, 2}, {2, 3}}, MillisecondWord(10));
  struct Case {
    std::string name;
    std::string log;
    uint32_t start, end;
    int lines;
    std::string copied;
  };
  std::vector<Case> cases = {
      {"from start up to but not including end",
       fill + before + at_start + fill + inside + at_end + fill, kT0, At(10), 2, at_start + inside},
      // An entry list ends at an index that is not a valid next line; what follows is not copied.
      {"fill, damage and entries past the list",
       std::string(100, '\xAA') + listed + std::string("\x01\x00zzzz", 6) + "junk" + tail +
           std::string(5, '\xAA'),
       0, kAll, 3, listed + tail},
      {"a stamp that is no time of day", Block(MakeStamp(2006, 2, 30, 1, 0, 0), {{0, 1}}), 0, kAll,
       1, ""},
      {"a block cut after its stamp", cut.substr(0, 8), 0, kAll, 3, cut.substr(0, 8)},
  };
  for (char f : {'\xAA', '\xFF', '\x00'}) {
    cases.push_back(
        {"fill only " + std::to_string(f), std::string(3 * kCopyChunk + 11, f), 0, kAll, 8, ""});
  }
  // A block cut off by the end keeps its complete entries.
  for (size_t n = 1; n <= 6; ++n) {
    cases.push_back({"cut by " + std::to_string(n), cut.substr(0, cut.size() - n), 0, kAll, 3,
                     cut.substr(0, cut.size() - 6)});
  }
  // 10:42:42 packs its low sixteen bits as AA AA, like the end of a run of AA fill.
  const uint32_t aa = MakeStamp(2006, 3, 5, 10, 42, 42);
  ASSERT_EQ(aa & 0xFFFF, 0xAAAAu);
  for (const auto ms : {std::optional<uint16_t>(), std::optional(MillisecondWord(250))}) {
    const std::string block = Block(aa, {{0, 2}, {1, 3}}, ms);
    cases.push_back({"stamped 10:42:42" + std::string(ms ? " with milliseconds" : ""),
                     Block(aa - 1, {{0, 1}}) + block + Block(aa + 1, {{0, 4}}), aa, aa + 1, 2,
                     block});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CopyBytes(c.log, c.start, c.end, c.lines), c.copied);
  }
}

// Around every chunk boundary a block is copied once and whole, whatever its offset.
TEST(LogCopyTest, BlocksAcrossChunkBoundariesAreCopiedOnceAndWhole) {
  constexpr int kLines = 8;
  std::vector<LogEntry> entries;
  for (uint16_t i = 0; i < kLines; ++i) entries.push_back({i, 0xAAAAAAAAu});
  const std::string longest = Block(kT0, entries, MillisecondWord(999));
  const std::string next = Block(At(1), {{0, 1}});
  for (size_t chunk : {size_t{16384}, kCopyChunk, size_t{97}}) {
    const size_t margin = chunk - 8 - 6 * kLines;
    for (size_t offset = margin - 16; offset <= chunk + 4; ++offset) {
      SCOPED_TRACE(::testing::Message() << chunk << " " << offset);
      const std::string log = std::string(offset, '\xFF') + longest + next;
      EXPECT_EQ(CopyBytes(log, 0, kAll, kLines, chunk), longest + next);
    }
  }
}

TEST(LogCopyTest, FailedReadEndsTheCopyWithWhatWasRead) {
  const std::string block = Block(kT0, {{0, 1}});
  LogCopyOutcome outcome{};
  EXPECT_EQ(CopyBytes(block, 0, kAll, 1, kCopyChunk, &outcome, true), block);
  EXPECT_EQ(outcome, LogCopyOutcome::kReadFailed);
}

// A whole copy job between two folders.
MeasurementCopyJob Job(const std::string& from, const std::string& to, uint32_t start = 0,
                       uint32_t end = kAll, int lines = 2, uint32_t run_limit = kRunLimit) {
  return {.source_dir = from,
          .destination_dir = to,
          .start = start,
          .end = end,
          .run_limit = run_limit,
          .line_count = lines};
}

// A card folder and a destination, and the copy between them.
class CopyMeasurementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card_.lines.resize(2);
    card_.Block(kT0, {{0, testing::FloatBits(1.5f)}, {1, testing::FloatBits(2)}});
    card_.Block(At(60), {{0, testing::FloatBits(3)}});
    card_.Block(At(120), {{1, testing::FloatBits(4)}});
    card_.WriteAll(source_.path());
  }

  CopyOutcome Copy(const std::string& destination, uint32_t start = 0, uint32_t end = kAll) {
    MeasurementCopyJob job = Job(source_.path(), destination, start, end);
    job.write_graph_settings = [this](const std::string& path) {
      graph_paths_.push_back(path);
      WriteBytes(path, "[Chart Left]\r\n");
    };
    return CopyMeasurement(job, dialogs_);
  }

  std::vector<std::string> Listing(const std::string& dir) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  CardBuilder card_;
  TempDir source_;
  TempDir destination_;
  FakeDialogs dialogs_;
  std::vector<std::string> graph_paths_;
};

TEST_F(CopyMeasurementTest, CopiesTheFourFilesAndNothingElse) {
  EXPECT_EQ(Copy(destination_.path() + "/", kT0, At(120)), CopyOutcome::kDone);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(Listing(destination_.path()),
            (std::vector<std::string>{"CONFIG.BIN", "CONFIG.INI", "GRAPH.INI", "LOG.BIN"}));
  EXPECT_EQ(graph_paths_, std::vector<std::string>{destination_.File(".korvan-new-GRAPH.INI")});
  EXPECT_EQ(ReadBytes(destination_.File("CONFIG.BIN")), ReadBytes(source_.File("CONFIG.BIN")));
  EXPECT_EQ(ReadBytes(destination_.File("CONFIG.INI")), ReadBytes(source_.File("CONFIG.INI")));
  const std::string log = ReadBytes(destination_.File("LOG.BIN"));
  EXPECT_EQ(log, card_.log.substr(0, log.size()));
  EXPECT_LT(log.size(), card_.log.size());
}

// An older set is replaced only when the user says so, and replaced whole: a CONFIG.INI the
// source lacks would have the loader read the new data with the lines of the older job.
TEST_F(CopyMeasurementTest, AnOlderSetIsAskedAboutAndReplacedWhole) {
  WriteBytes(destination_.File("LOG.BIN"), "old");
  EXPECT_EQ(Copy(destination_.path()), CopyOutcome::kDeclined);
  EXPECT_EQ(dialogs_.Texts("ask"), std::vector<std::string>{kCopyDestinationHasData});
  EXPECT_EQ(Listing(destination_.path()), std::vector<std::string>{"LOG.BIN"});
  EXPECT_EQ(ReadBytes(destination_.File("LOG.BIN")), "old");

  dialogs_.answers = {true};
  EXPECT_EQ(Copy(destination_.path()), CopyOutcome::kDone);
  EXPECT_EQ(ReadBytes(destination_.File("LOG.BIN")), card_.log);

  std::filesystem::remove(source_.File("CONFIG.INI"));
  dialogs_.answers = {true};
  ASSERT_EQ(Copy(destination_.path()), CopyOutcome::kDone);
  EXPECT_EQ(Listing(destination_.path()),
            (std::vector<std::string>{"CONFIG.BIN", "GRAPH.INI", "LOG.BIN"}));
}

// The source itself, or a destination file that is, or leads to, a file of the source, would
// be written over what is being read: refused before anything is asked or written.
TEST_F(CopyMeasurementTest, DestinationsLeadingToTheSourceAreRefused) {
  namespace fs = std::filesystem;
  const std::string before = ReadBytes(source_.File("LOG.BIN"));
  const auto expect_refused = [&](const std::string& target) {
    dialogs_.Clear();
    dialogs_.answers = {true};
    EXPECT_EQ(Copy(target), CopyOutcome::kRefused);
    EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kCopyOntoSource});
    EXPECT_TRUE(dialogs_.Texts("ask").empty());
  };
  fs::create_directory_symlink(source_.path(), destination_.File("link"));
  for (const std::string& target :
       {source_.path(), source_.path() + "/", destination_.File("link") + "/",
        destination_.File("link"), source_.path() + "/."}) {
    SCOPED_TRACE(target);
    expect_refused(target);
  }
  const std::pair<const char*, bool> links[] = {
      {"LOG.BIN", true}, {"LOG.BIN", false}, {"CONFIG.BIN", false}, {"CONFIG.INI", true}};
  for (const auto& [name, symbolic] : links) {
    SCOPED_TRACE(std::string(name) + (symbolic ? " symbolic" : " hard"));
    TempDir destination;
    if (symbolic) {
      fs::create_symlink(source_.File(name), destination.File(name));
    } else {
      fs::create_hard_link(source_.File(name), destination.File(name));
    }
    expect_refused(destination.path());
    EXPECT_EQ(Listing(destination.path()), std::vector<std::string>{name});
  }
  EXPECT_EQ(ReadBytes(source_.File("LOG.BIN")), before);
  EXPECT_TRUE(graph_paths_.empty());
}

// A whole copy answered yes; with a stored view of that left maximum, when one is given.
CopyOutcome CopyFolder(const std::string& from, const std::string& to,
                       std::optional<double> left_max = std::nullopt) {
  FakeDialogs dialogs;
  dialogs.answers = {true};
  MeasurementCopyJob job = Job(from, to);
  if (left_max) {
    job.write_graph_settings = [left_max](const std::string& path) {
      GraphViewState view;
      view.left_max = *left_max;
      WriteGraphSettingsFile(path, view, ',');
    };
  }
  return CopyMeasurement(job, dialogs);
}

// Two copies into one folder at once, in two processes: the second is refused while the first
// writes, and the folder always holds one source's whole set.
TEST_F(CopyMeasurementTest, TwoCopiesAtOnceNeverMixTheirSets) {
  TempDir other, reference_a, reference_b;
  CardBuilder second = card_;
  second.job_name = "Druhá";
  second.Block(At(180), {{0, testing::FloatBits(5)}});
  second.WriteAll(other.path());
  ASSERT_EQ(CopyFolder(source_.path(), reference_a.path()), CopyOutcome::kDone);
  ASSERT_EQ(CopyFolder(other.path(), reference_b.path()), CopyOutcome::kDone);
  const std::string sources[] = {source_.path(), other.path()};
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TempDir destination;
    CopyFolder(sources[round % 2], destination.path());  // an older copy to replace
    pid_t children[2];
    for (int k = 0; k < 2; ++k) {
      children[k] = fork();
      ASSERT_GE(children[k], 0);
      if (children[k] == 0) {
        _exit(CopyFolder(sources[k], destination.path()) == CopyOutcome::kDone ? 0 : 1);
      }
    }
    int done = 0;
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      done += WEXITSTATUS(status) == 0;
    }
    EXPECT_GE(done, 1);
    const bool is_a =
        ReadBytes(destination.File("CONFIG.INI")) == ReadBytes(reference_a.File("CONFIG.INI"));
    const TempDir& reference = is_a ? reference_a : reference_b;
    EXPECT_EQ(ReadBytes(destination.File("CONFIG.INI")), ReadBytes(reference.File("CONFIG.INI")));
    EXPECT_EQ(ReadBytes(destination.File("LOG.BIN")), ReadBytes(reference.File("LOG.BIN")));
  }
}

// GRAPH.INI belongs to the set: a copy that fails leaves no view over data it did not write.
TEST_F(CopyMeasurementTest, FailuresAreShownAndLeaveNothing) {
  struct Case {
    const char* missing;
    std::vector<std::string> errors;
    std::vector<std::string> listing;
  };
  const Case cases[] = {
      {"CONFIG.BIN", {kCopyConfigOpenFailed}, {}},
      {"CONFIG.INI", {}, {"CONFIG.BIN", "GRAPH.INI", "LOG.BIN"}},
      {"LOG.BIN", {kCopyLogOpenFailed}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    TempDir source, destination;
    card_.WriteAll(source.path());
    std::filesystem::remove(source.File(c.missing));
    MeasurementCopyJob job = Job(source.path(), destination.path(), 0, kAll, 2, kAll);
    job.write_graph_settings = [](const std::string& path) { WriteBytes(path, "x"); };
    dialogs_.Clear();
    CopyMeasurement(job, dialogs_);
    EXPECT_EQ(dialogs_.Texts("error"), c.errors);
    EXPECT_EQ(Listing(destination.path()), c.listing);
  }
}

// A destination that takes no more than a few kilobytes: the data file cannot be written.
TEST_F(CopyMeasurementTest, FailedWriteIsReportedAndKeepsTheOldSet) {
  for (int i = 0; i < 20000; ++i) card_.Block(At(200 + i), {{0, 1}, {1, 2}});
  card_.WriteLog(source_.path());
  WriteBytes(destination_.File("LOG.BIN"), "old");
  WriteBytes(destination_.File("GRAPH.INI"), "old view");
  dialogs_.answers.push_back(true);
  CopyOutcome outcome{};
  {
    const testing::FileSizeLimit limit(64 << 10);
    outcome = Copy(destination_.path());
  }
  EXPECT_EQ(outcome, CopyOutcome::kFailed);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{CopyLogWriteFailedText(
                                         destination_.File("LOG.BIN"), "soubor je příliš velký")});
  EXPECT_EQ(Listing(destination_.path()), (std::vector<std::string>{"GRAPH.INI", "LOG.BIN"}));
  EXPECT_EQ(ReadBytes(destination_.File("LOG.BIN")), "old");
  EXPECT_EQ(ReadBytes(destination_.File("GRAPH.INI")), "old view");
}

// A source that fails to read (a card pulled out) is reported and gives no copy: the
// destination keeps its older set, not a cut LOG.BIN that passes for the whole.
TEST_F(CopyMeasurementTest, ASourceThatCannotBeReadLeavesTheOldSet) {
  ASSERT_EQ(Copy(destination_.path()), CopyOutcome::kDone);
  const std::string old_log = ReadBytes(destination_.File("LOG.BIN"));
  // A regular file whose first read fails with an I/O error.
  std::filesystem::remove(source_.File("LOG.BIN"));
  std::filesystem::create_symlink("/proc/self/mem", source_.File("LOG.BIN"));
  WriteBytes(source_.File("CONFIG.INI"), "newer");
  dialogs_.answers = {true};
  EXPECT_EQ(Copy(destination_.path()), CopyOutcome::kFailed);
  EXPECT_EQ(dialogs_.Texts("error"), std::vector<std::string>{kCopyLogReadFailed});
  EXPECT_EQ(ReadBytes(destination_.File("LOG.BIN")), old_log);
  EXPECT_NE(ReadBytes(destination_.File("CONFIG.INI")), "newer");
}

// On a card without damage, loading a copy gives the samples of the source within the range.
TEST_F(CopyMeasurementTest, LoadingTheCopyGivesTheSourceSamplesOfTheRange) {
  CardBuilder card;
  card.lines.resize(3);
  uint32_t state = 12345;
  auto next = [&] { return state = state * 1103515245u + 12345u; };
  for (int i = 0; i < 3000; ++i) {
    std::vector<LogEntry> entries;
    for (uint16_t line = 0; line < 3; ++line) {
      if (next() % 3 != 0) entries.push_back({line, next() % 1000});
    }
    AppendLogBlock(card.log, At(i / 2),
                   i % 2 ? std::optional<uint16_t>(MillisecondWord(500)) : std::nullopt, entries);
    if (i % 97 == 0) card.log += std::string(next() % 50, '\xFF');
  }
  TempDir source, destination;
  card.WriteAll(source.path());
  const uint32_t start = At(100), end = At(900);
  ASSERT_EQ(CopyMeasurement(Job(source.path(), destination.path(), start, end, 3), dialogs_),
            CopyOutcome::kDone);

  Measurement original, copied;
  ASSERT_TRUE(
      LoadMeasurement(FolderDataLocation(source.path()), dialogs_, Today(), {}, original, nullptr));
  ASSERT_TRUE(LoadMeasurement(FolderDataLocation(destination.path()), dialogs_, Today(), {}, copied,
                              nullptr));
  for (int line = 0; line < 3; ++line) {
    std::vector<LogSample> expected = SamplesOf(original.buffers[line]);
    std::erase_if(expected, [&](const LogSample& s) { return s.stamp < start || s.stamp >= end; });
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(SamplesOf(copied.buffers[line]), expected) << line;
  }
}

// What a reader of a card folder gets, in one text: the job name, each line's caption and
// sample count, and the stored view's left maximum; or why the load failed.
std::string ReadAsLoaded(const std::string& dir) {
  FakeDialogs dialogs;
  Measurement m;
  if (!LoadMeasurement(FolderDataLocation(dir), dialogs, Today(), {}, m, nullptr)) {
    return "failed: " + (dialogs.messages.empty() ? std::string() : dialogs.messages[0].text);
  }
  std::string out = m.chart_title;
  for (uint32_t i = 0; i < m.line_count; ++i) {
    out += "|" + m.lines[i].caption + " " + std::to_string(m.buffers[i].count());
  }
  GraphViewState view;
  ViewOfFolder(dir, m.line_count, 0, view);
  return out + "|" + std::to_string(view.left_max);
}

// The same in a process that may not write the folder, as on a read-only card.
std::string ReadWithoutWriting(const std::string& dir) {
  chmod(dir.c_str(), 0555);
  const std::string read = testing::TextOfChild([&] {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(1);  // root writes anywhere
    return ReadAsLoaded(dir);
  });
  chmod(dir.c_str(), 0700);
  return read;
}

int g_kill_at = -1;
void KillAtStep(int step) {
  if (step == g_kill_at) raise(SIGKILL);
}

// A copy or a join killed after each step of its commit, then the readers: one that may not
// write the folder (a read-only card) and one that may and so finishes the set. Both read the
// whole old set or the whole new one, the same one, and the new one from the commit mark on;
// never a mix (the old CONFIG.INI over the new LOG.BIN was one).
TEST_F(CopyMeasurementTest, ReadersAfterAKillInTheCommitSeeTheOldSetOrTheNew) {
  // The new sets lack the old one's CONFIG.INI, have more records and another view.
  TempDir newer, reference;
  CardBuilder second = card_;
  second.Block(At(180), {{0, testing::FloatBits(5)}});
  second.WriteConfigBin(newer.path());
  second.WriteLog(newer.path());
  const std::function<void(const std::string&)> writers[] = {
      [&](const std::string& to) { CopyFolder(newer.path(), to, 22); },
      [&](const std::string& to) {
        FakeDialogs dialogs;
        dialogs.answers = {true};
        MergeMeasurements({{newer.path()}, to, kRunLimit}, dialogs);
      },
  };
  ASSERT_EQ(CopyFolder(source_.path(), reference.path(), 11), CopyOutcome::kDone);
  const std::string old_set = ReadAsLoaded(reference.path());
  for (const auto& write : writers) {
    write(reference.path());
    const std::string new_set = ReadAsLoaded(reference.path());
    ASSERT_NE(old_set, new_set);
    int killed = 0;
    for (int step = 0;; ++step) {
      SCOPED_TRACE(step);
      TempDir destination;
      ASSERT_EQ(CopyFolder(source_.path(), destination.path(), 11), CopyOutcome::kDone);
      const int status = testing::StatusOfChild([&] {
        g_kill_at = step;
        SetFileSetStepHook(KillAtStep);
        write(destination.path());
      });
      const bool marked = HasCommitMark(destination.path());
      EXPECT_EQ(marked, WIFSIGNALED(status) && step >= 1 && step <= 5);
      const std::string read_only = ReadWithoutWriting(destination.path());
      EXPECT_EQ(HasCommitMark(destination.path()), marked);  // it could not finish the set
      const std::string read = ReadAsLoaded(destination.path());
      EXPECT_EQ(read_only, read);
      EXPECT_EQ(read, step == 0 ? old_set : new_set);
      EXPECT_FALSE(HasCommitMark(destination.path()));
      if (!WIFSIGNALED(status)) break;
      ++killed;
    }
    EXPECT_EQ(killed, 7);  // before the mark, the mark, a removal, 3 renames, the mark's removal
  }
}

// A rename that fails after the commit point (a folder where LOG.BIN goes): the copy says the
// new set stands instead of a failure, a reader reads that set, and no writer writes over it
// until it can be finished.
TEST_F(CopyMeasurementTest, AFailureAfterTheCommitPointIsToldAsTheNewSetStanding) {
  MeasurementCopyJob job = Job(source_.path(), destination_.path());
  job.progress_advance = [&](size_t) {
    std::filesystem::create_directories(destination_.File("LOG.BIN/in the way"));
  };
  EXPECT_EQ(CopyMeasurement(job, dialogs_), CopyOutcome::kStands);
  EXPECT_TRUE(dialogs_.Texts("error").empty());
  ASSERT_EQ(dialogs_.Texts("warn").size(), 1u);
  EXPECT_NE(dialogs_.Texts("warn")[0].find("Platí nová data"), std::string::npos);
  EXPECT_EQ(ReadAsLoaded(destination_.path()), ReadAsLoaded(source_.path()));

  dialogs_.Clear();
  dialogs_.answers = {true};
  EXPECT_EQ(Copy(destination_.path()), CopyOutcome::kRefused);
  ASSERT_EQ(dialogs_.Texts("error").size(), 1u);
  EXPECT_NE(dialogs_.Texts("error")[0].find("přerušený zápis"), std::string::npos);
  EXPECT_TRUE(HasCommitMark(destination_.path()));

  std::filesystem::remove_all(destination_.File("LOG.BIN"));
  EXPECT_TRUE(FolderLock(destination_.path()).held());
  EXPECT_EQ(ReadBytes(destination_.File("LOG.BIN")), card_.log);
  EXPECT_FALSE(HasCommitMark(destination_.path()));
}

}  // namespace
}  // namespace korvan
