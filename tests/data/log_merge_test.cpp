#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "data/graph_settings_file.h"
#include "data/log_writer.h"
#include "data/measurement.h"
#include "data/measurement_merge.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "sim/log_simulator.h"
#include "support/card_builder.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CardLine;
using testing::FakeDialogs;
using testing::MakeStamp;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const uint32_t kRunLimit = MakeStamp(2026, 12, 10, 0, 0, 0);
uint32_t At(int s) { return MakeStamp(2006, 3, 5, 8 + s / 3600, s / 60 % 60, s % 60); }

// The blocks of seconds from .. to - 1, two lines each; value shifts the raw values (another
// logger). With fill, bytes that are no block lie between them, as on a card.
std::string Blocks(int from, int to, bool fill = false, uint32_t value = 0) {
  std::string out;
  for (int s = from; s < to; ++s) {
    const LogEntry entries[] = {{0, value + s}, {1, value + 2u * s}};
    AppendLogBlock(out, At(s), MillisecondWord(static_cast<uint16_t>(s * 10 % 1000)), entries);
    if (fill) out += std::string(s % 5, '\xFF');
  }
  return out;
}

struct Merged {
  std::string bytes;
  MergeLogResult result;
};

Merged MergeBytes(const std::vector<std::string>& sources, size_t chunk = kMergeChunk) {
  std::vector<MergeInput> inputs;
  for (const std::string& source : sources) {
    MergeInput input;
    input.size = source.size();
    input.open = [&source](uint64_t offset) -> CopyRead {
      return [&source, at = offset](uint8_t* buffer, size_t n) mutable {
        const size_t k = at >= source.size() ? 0 : std::min<size_t>(n, source.size() - at);
        std::memcpy(buffer, source.data() + at, k);
        at += k;
        return static_cast<ptrdiff_t>(k);
      };
    };
    inputs.push_back(input);
  }
  Merged merged;
  merged.result = MergeLogBlocks(
      inputs,
      [&](const uint8_t* bytes, size_t size) {
        merged.bytes.append(reinterpret_cast<const char*>(bytes), size);
        return true;
      },
      kRunLimit, 2, {}, chunk);
  return merged;
}

TEST(LogMergeTest, WritesEveryBlockOnceInTimeOrder) {
  const std::string fill(300, '\xFF');
  struct Case {
    const char* name;
    std::vector<std::string> sources;
    std::string expected;
    uint64_t duplicates;
  };
  const std::vector<Case> cases = {
      {"two with a gap",
       {Blocks(0, 5, true), Blocks(20, 25, true)},
       Blocks(0, 5) + Blocks(20, 25),
       0},
      {"newer given first",
       {Blocks(20, 25, true), Blocks(0, 5, true)},
       Blocks(0, 5) + Blocks(20, 25),
       0},
      {"three overlapping",
       {Blocks(0, 10, true), Blocks(5, 15, true), Blocks(12, 20, true)},
       Blocks(0, 20),
       8},
      {"one inside another", {Blocks(0, 30, true), Blocks(10, 12, true)}, Blocks(0, 30), 2},
      // A card that came round to the start of LOG.BIN: its newer blocks come first.
      {"wrapped card and a copy",
       {Blocks(30, 40, true) + fill + Blocks(10, 30, true) + fill, Blocks(25, 35)},
       Blocks(10, 40),
       10},
  };
  for (const Case& c : cases) {
    for (size_t chunk : {size_t{7}, size_t{100}, kMergeChunk}) {
      SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
      const Merged merged = MergeBytes(c.sources, chunk);
      EXPECT_EQ(merged.result.outcome, MergeLogOutcome::kDone);
      EXPECT_EQ(merged.bytes, c.expected);
      EXPECT_EQ(merged.result.duplicates, c.duplicates);
      EXPECT_EQ(merged.result.conflicts, 0u);
    }
  }
}

TEST(LogMergeTest, DifferingOverlapKeepsTheNewerSourceAndIsCounted) {
  const std::string older = Blocks(0, 10, true);
  const std::string newer = Blocks(5, 15, true, 1000);  // another logger, the same seconds
  for (bool newer_first : {false, true}) {
    SCOPED_TRACE(newer_first);
    const Merged merged =
        MergeBytes(newer_first ? std::vector{newer, older} : std::vector{older, newer});
    EXPECT_EQ(merged.bytes, Blocks(0, 5) + Blocks(5, 15, false, 1000));
    EXPECT_EQ(merged.result.conflicts, 5u);
    EXPECT_EQ(merged.result.first_conflict, At(5));
    EXPECT_EQ(merged.result.newest, newer_first ? 0u : 1u);
  }
  // Of sources ending at the same moment, the one given later counts as the newer.
  const Merged tie = MergeBytes({Blocks(0, 5, false, 1000), Blocks(0, 5)});
  EXPECT_EQ(tie.bytes, Blocks(0, 5));
  EXPECT_EQ(tie.result.newest, 1u);
}

TEST(LogMergeTest, TooManyRunsOutOfOrderIsRefusedBeforeWriting) {
  std::string backwards;
  for (int s = static_cast<int>(kMaxMergeRuns); s >= 0; --s) backwards += Blocks(s, s + 1);
  const Merged merged = MergeBytes({Blocks(0, 3), backwards});
  EXPECT_EQ(merged.result.outcome, MergeLogOutcome::kTooManyRuns);
  EXPECT_EQ(merged.result.failed_source, 1u);
  EXPECT_TRUE(merged.bytes.empty());
}

class MergeFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card.lines = {{"A", "a", 1, "F4", 1, 0, 0, ""}, {"B", "b", 1, "U4", 0.1, 0, 10, ""}};
  }
  void Write(const TempDir& dir, const std::string& log, const std::string& job = "Zkouška") {
    CardBuilder c = card;
    c.log = log;
    c.job_name = job;
    c.WriteAll(dir.path());
  }
  MergeReport Merge(const std::vector<std::string>& sources, const std::string& destination) {
    MeasurementMergeJob job;
    job.source_dirs = sources;
    job.destination_dir = destination;
    job.run_limit = kRunLimit;
    job.now = EncodeDate(2026, 12, 9);
    return MergeMeasurements(job, dialogs);
  }
  CardBuilder card;
  TempDir a, b, out;
  FakeDialogs dialogs;
};

TEST_F(MergeFoldersTest, JoinedFolderTakesTheNewerConfigurationAndSpansTheWhole) {
  Write(a, Blocks(100, 200, true), "Návštěva 2");
  Write(b, Blocks(0, 120, true), "Návštěva 1");
  const MergeReport report = Merge({a.path(), b.path()}, out.path());
  ASSERT_EQ(report.outcome, MergeOutcome::kDone);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ReadBytes(out.File("LOG.BIN")), Blocks(0, 200));
  EXPECT_EQ(ReadBytes(out.File("CONFIG.INI")), ReadBytes(a.File("CONFIG.INI")));
  GraphViewState view;
  ASSERT_TRUE(ReadGraphSettingsFile(out.File("GRAPH.INI"), view, 0));
  EXPECT_NEAR(view.range_from, UnpackStamp(At(0), 0), 1e-9);
  EXPECT_NEAR(view.range_to, UnpackStamp(At(199), 0), 1e-9);
  EXPECT_EQ(view.time_min, view.range_from);
  EXPECT_EQ(view.time_max, view.range_to);
}

TEST_F(MergeFoldersTest, ConflictsAreToldAfterWriting) {
  Write(a, Blocks(0, 10));
  Write(b, Blocks(8, 20, false, 7));
  ASSERT_EQ(Merge({a.path(), b.path()}, out.path()).outcome, MergeOutcome::kDone);
  ASSERT_EQ(dialogs.Texts("warn").size(), 1u);
  EXPECT_NE(dialogs.Texts("warn")[0].find("Záznamy 2 okamžiků"), std::string::npos);
  EXPECT_NE(dialogs.Texts("warn")[0].find(b.path()), std::string::npos);
}

TEST_F(MergeFoldersTest, DifferentLinesAreRefusedNamingTheFirstAndNothingIsWritten) {
  struct Case {
    const char* name;
    void (*change)(CardBuilder&);
    const char* expected;  // nullptr: accepted
    bool without_ini = false;
    bool without_bin = false;
  };
  const auto same = [](CardBuilder&) {};
  const std::vector<Case> cases = {
      {"label", [](CardBuilder& c) { c.lines[1].label = "c"; },
       "liší se popis veličiny 2 („B - b“)"},
      {"multiplier", [](CardBuilder& c) { c.lines[0].multiplier = 2; }, "násobitel veličiny 1"},
      {"range", [](CardBuilder& c) { c.lines[1].maximum = 20; }, "maximum veličiny 2"},
      {"type", [](CardBuilder& c) { c.lines[0].type = "S2"; }, "typ čísla veličiny 1"},
      {"count", [](CardBuilder& c) { c.lines.pop_back(); }, "počet veličin 2 a 1"},
      {"CONFIG.INI of another program",
       [](CardBuilder& c) {
         c.app_name = "Jiný";
         c.lines[1].name = "X";
       },
       "přístroj veličiny 2"},
      {"recording intervals", [](CardBuilder& c) { c.intervals[0] = 30; }, nullptr},
      // One copy without CONFIG.INI: its multiplier 0.1 comes from the single of CONFIG.BIN.
      {"no CONFIG.INI", same, nullptr, true},
      {"no CONFIG.INI, other range", [](CardBuilder& c) { c.lines[1].minimum = 1; },
       "minimum veličiny 2", true},
      {"no CONFIG.BIN", same, nullptr, false, true},
      {"no CONFIG.BIN, other offset", [](CardBuilder& c) { c.lines[0].offset = "0,5"; },
       "posun veličiny 1", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir first, other, destination;
    Write(first, Blocks(0, 5));
    CardBuilder changed = card;
    c.change(changed);
    changed.log = Blocks(10, 15);
    changed.WriteAll(other.path());
    if (c.without_ini) std::filesystem::remove(other.File("CONFIG.INI"));
    if (c.without_bin) std::filesystem::remove(other.File("CONFIG.BIN"));
    dialogs.Clear();
    const MergeReport report = Merge({first.path(), other.path()}, destination.path());
    if (!c.expected) {
      EXPECT_EQ(report.outcome, MergeOutcome::kDone);
      continue;
    }
    EXPECT_EQ(report.outcome, MergeOutcome::kRefused);
    ASSERT_EQ(dialogs.Texts("error").size(), 1u);
    EXPECT_NE(dialogs.Texts("error")[0].find(c.expected), std::string::npos)
        << dialogs.Texts("error")[0];
    EXPECT_TRUE(std::filesystem::is_empty(destination.path()));
  }
}

TEST_F(MergeFoldersTest, DestinationThatIsASourceOrHoldsDataIsLeftAlone) {
  Write(a, Blocks(0, 10));
  Write(b, Blocks(5, 15));
  const std::string before = ReadBytes(b.File("LOG.BIN"));
  EXPECT_EQ(Merge({a.path(), b.path()}, b.path() + "/.").outcome, MergeOutcome::kRefused);
  std::filesystem::create_symlink(b.File("LOG.BIN"), out.File("LOG.BIN"));
  EXPECT_EQ(Merge({a.path(), b.path()}, out.path()).outcome, MergeOutcome::kRefused);
  EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>(2, kCopyOntoSource));
  std::filesystem::remove(out.File("LOG.BIN"));

  WriteBytes(out.File("LOG.BIN"), "old");
  EXPECT_EQ(Merge({a.path(), b.path()}, out.path()).outcome, MergeOutcome::kDeclined);
  EXPECT_EQ(ReadBytes(out.File("LOG.BIN")), "old");
  EXPECT_EQ(ReadBytes(b.File("LOG.BIN")), before);
}

// Every file of a folder, temporaries included, with its bytes.
std::map<std::string, std::string> Contents(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    files[e.path().filename().string()] = ReadBytes(e.path().string());
  }
  return files;
}

// A join that may not write the destination, or fails while writing it, leaves its old set
// as it was, byte for byte and with nothing beside it.
TEST_F(MergeFoldersTest, BusyOrFailedJoinLeavesTheOldSet) {
  enum class Fault { kBusy, kFileSizeLimit, kSourceUnreadable, kConfigUnreadable };
  struct Case {
    const char* name;
    Fault fault;
    MergeOutcome outcome;
  };
  const Case cases[] = {
      {"another writer holds the folder", Fault::kBusy, MergeOutcome::kRefused},
      {"the merged LOG.BIN cannot be written", Fault::kFileSizeLimit, MergeOutcome::kFailed},
      {"a source fails to read", Fault::kSourceUnreadable, MergeOutcome::kFailed},
      // Found only after LOG.BIN and CONFIG.BIN are staged: nothing of them may land.
      {"the newer folder's CONFIG.INI cannot be read", Fault::kConfigUnreadable,
       MergeOutcome::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir first, second, destination;
    Write(first, Blocks(0, 3000, true), "Nová 1");
    Write(second, Blocks(2000, 6000, true), "Nová 2");
    Write(destination, Blocks(7000, 7010), "Stará");
    WriteBytes(destination.File("GRAPH.INI"), "[Chart Left]\r\n");
    const auto before = Contents(destination.path());
    std::string expected_error =
        CopyLogWriteFailedText(destination.File("LOG.BIN"), "soubor je příliš velký");
    std::optional<FolderLock> other;
    if (c.fault == Fault::kBusy) {
      other.emplace(destination.path());
      expected_error = FolderBusyText(destination.path());
    } else if (c.fault == Fault::kSourceUnreadable) {
      // A regular file whose first read fails with an I/O error.
      std::filesystem::remove(second.File("LOG.BIN"));
      std::filesystem::create_symlink("/proc/self/mem", second.File("LOG.BIN"));
      expected_error = FormatMergeMessage(kMergeReadFailed, {second.path()});
    } else if (c.fault == Fault::kConfigUnreadable) {
      // There but no file. Both folders' lines are then read from CONFIG.BIN.
      std::filesystem::remove(first.File("CONFIG.INI"));
      std::filesystem::remove(second.File("CONFIG.INI"));
      std::filesystem::create_directory(second.File("CONFIG.INI"));
      expected_error = kCopyConfigOpenFailed;
    }
    dialogs.Clear();
    dialogs.answers = {true};
    std::optional<testing::FileSizeLimit> limit;
    if (c.fault == Fault::kFileSizeLimit) limit.emplace(32 << 10);
    const MergeOutcome outcome = Merge({first.path(), second.path()}, destination.path()).outcome;
    limit.reset();
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{expected_error});
    EXPECT_EQ(dialogs.Texts("ask").size(), c.fault == Fault::kBusy ? 0u : 1u);
    EXPECT_TRUE(Contents(destination.path()) == before);
  }
}

// A join killed while it writes (on a card's file system, where temporaries have names)
// leaves the old set under the final names; the next writer of the folder clears the rest.
TEST_F(MergeFoldersTest, KilledJoinLeavesTheOldSet) {
  Write(a, Blocks(0, 3000, true), "Nová 1");
  Write(b, Blocks(2000, 6000, true), "Nová 2");
  Write(out, Blocks(7000, 7010), "Stará");
  const auto before = Contents(out.path());
  const int status = testing::StatusOfChild([&] {
    UseNamedTemporaryFiles(true);
    MeasurementMergeJob job;
    job.source_dirs = {a.path(), b.path()};
    job.destination_dir = out.path();
    job.run_limit = kRunLimit;
    uint64_t total = 0, done = 0;
    job.progress_start = [&](uint64_t bytes) { total = bytes; };
    // Half way: the sources have been read once and the merged LOG.BIN is being written.
    job.progress_advance = [&](size_t bytes) {
      if ((done += bytes) > total / 2) raise(SIGKILL);
    };
    FakeDialogs answers;
    answers.answers = {true};
    MergeMeasurements(job, answers);
  });
  ASSERT_TRUE(testing::KilledBy(status, SIGKILL));
  auto after = Contents(out.path());
  size_t left = 0;
  for (auto it = after.begin(); it != after.end();) {
    const bool ours = it->first.rfind(".korvan-", 0) == 0;
    left += ours;
    it = ours ? after.erase(it) : std::next(it);
  }
  EXPECT_GT(left, 0u);  // the kill came while the join was writing
  EXPECT_TRUE(after == before);
  { const FolderLock lock(out.path()); }
  EXPECT_TRUE(Contents(out.path()) == before);
}

// Loaded samples of each line as (stamp, milliseconds, raw).
using Samples = std::vector<std::vector<std::tuple<uint32_t, uint16_t, uint32_t>>>;
Samples Load(const std::string& dir) {
  Measurement m;
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir;
  FakeDialogs dialogs;
  EXPECT_TRUE(LoadMeasurement(location, dialogs, EncodeDate(2026, 12, 9), {}, m, nullptr));
  Samples samples(m.line_count);
  for (uint32_t i = 0; i < m.line_count; ++i) {
    for (uint32_t k = 0; k < m.buffers[i].count(); ++k) {
      const LogSample s = m.buffers[i][k];
      // Copies of the packed fields: a reference to one would be misaligned.
      samples[i].emplace_back(uint32_t{s.stamp}, uint16_t{s.milliseconds}, uint32_t{s.raw});
    }
  }
  return samples;
}

// Saved copies of random ranges of a simulated card that wrapped, joined with the card itself
// or not: the joined folder loads as the union of what the sources load.
TEST(LogMergePropertyTest, JoinedFolderLoadsAsTheUnionOfItsSources) {
  TempDir card_dir;
  CardBuilder card;
  card.lines = {{"T", "t", 1, "F4", 1, 0, 0, ""},
                {"U", "u", 2, "S2", 0.5, 0, 0, ""},
                {"P", "p", 1, "A4", 1, 0, 0, ""}};
  card.intervals = {10, 60, 60, 60};
  card.log = std::string(96 << 10, '\xFF');
  card.WriteAll(card_dir.path());
  SimulationOptions options;
  options.days = 1.5;
  options.start = EncodeDate(2026, 11, 30);
  ASSERT_TRUE(SimulateRecording(card_dir.path(), options).wrapped);
  const Samples whole = Load(card_dir.path());

  std::mt19937 random(7);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    std::vector<TempDir> copies(3);
    std::vector<std::string> sources;
    for (TempDir& copy : copies) {
      const uint32_t from = std::get<0>(whole[0][random() % whole[0].size()]);
      const uint32_t to = std::get<0>(whole[0][random() % whole[0].size()]);
      MeasurementCopyJob job;
      job.source_dir = card_dir.path();
      job.destination_dir = copy.path();
      job.start = std::min(from, to);
      job.end = std::max(from, to);
      job.run_limit = kRunLimit;
      job.line_count = 3;
      FakeDialogs dialogs;
      ASSERT_EQ(CopyMeasurement(job, dialogs), CopyOutcome::kDone);
      sources.push_back(copy.path());
    }
    if (round % 2 == 1) sources.push_back(card_dir.path());
    TempDir joined;
    MeasurementMergeJob job;
    job.source_dirs = sources;
    job.destination_dir = joined.path();
    job.run_limit = kRunLimit;
    FakeDialogs dialogs;
    ASSERT_EQ(MergeMeasurements(job, dialogs).outcome, MergeOutcome::kDone);
    EXPECT_TRUE(dialogs.messages.empty());

    Samples expected(3);
    for (const std::string& source : sources) {
      const Samples loaded = Load(source);
      for (size_t i = 0; i < 3; ++i) {
        expected[i].insert(expected[i].end(), loaded[i].begin(), loaded[i].end());
      }
    }
    for (auto& line : expected) {
      std::sort(line.begin(), line.end());
      line.erase(std::unique(line.begin(), line.end()), line.end());
    }
    EXPECT_EQ(Load(joined.path()), expected);
  }
}

}  // namespace
}  // namespace korvan
