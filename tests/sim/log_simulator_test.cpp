#include "sim/log_simulator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "app/error.h"
#include "config/card_preparation.h"
#include "data/measurement.h"
#include "platform/folder_lock.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FakeDialogs;
using testing::ReadBytes;
using testing::TempDir;

class NoProgress : public CardProgress {
 public:
  void SetMaximum(int64_t) override {}
  void SetPosition(int64_t) override {}
};

// Five lines of four number types on a 10 s interval and one of half a second.
RecordingConfig FiveLines() {
  RecordingConfig config;
  config.intervals = {"10", "0,5", "60", "60"};
  config.lines = {
      {"Teploměr", "Voda", "1", "01h", "H", "0", "F4", "1", "-10", "40", ""},
      {"Teploměr", "Vzduch", "1", "01h", "H", "2", "S2", "0,1", "-50", "100", ""},
      {"Elektroměr", "Příkon", "1", "02h", "H", "10", "U4", "0,01", "0", "0", ""},
      {"Elektroměr", "Napětí", "2", "02h", "H", "12", "A4", "1", "200", "250", "5"},
      {"Čidlo", "Stav", "1", "03h", "H", "1", "S1", "1", "-3", "3", ""},
  };
  return config;
}

void Prepare(const std::string& dir, RecordingConfig config, const char* megabytes = "1") {
  config.file_size = megabytes;
  FakeDialogs dialogs;
  dialogs.answers = {true};
  NoProgress progress;
  DataLocation location{.alternative = true, .alt_dir = dir};
  ASSERT_TRUE(PrepareCard(CardJob{config, {}, location, ',', dialogs}, progress, CardSystem{}));
}

Measurement Load(const std::string& dir, double today) {
  Measurement m;
  FakeDialogs dialogs;
  DataLocation location{.alternative = true, .alt_dir = dir};
  EXPECT_TRUE(LoadMeasurement(location, dialogs, today, {}, m, nullptr));
  return m;
}

const double kStart = EncodeDate(2024, 5, 1) + EncodeTime(10, 0, 0, 0);

TEST(LogSimulator, RecordsEachIntervalsLinesInRangeAndLoadsWhole) {
  TempDir dir;
  Prepare(dir.path(), FiveLines());
  SimulationOptions options{.days = 0.25, .seed = 3, .start = kStart};
  const SimulationResult result = SimulateRecording(dir.path(), options);
  EXPECT_EQ(result.line_count, 5);
  EXPECT_FALSE(result.wrapped);
  EXPECT_EQ(result.blocks, 2160u + 43200u);
  EXPECT_DOUBLE_EQ(result.first, kStart);
  EXPECT_NEAR(result.last, kStart + 0.25 - 0.5 / kSecondsPerDay, 1e-9);
  EXPECT_EQ(std::filesystem::file_size(dir.File("LOG.BIN")), 1048576u);

  const Measurement m = Load(dir.path(), EncodeDate(2024, 5, 1));
  ASSERT_EQ(m.line_count, 5u);
  for (uint32_t line : {0u, 1u, 2u, 4u}) EXPECT_EQ(m.buffers[line].count(), 2160u) << line;
  EXPECT_EQ(m.buffers[3].count(), 43200u);
  EXPECT_TRUE(m.subseconds_present);
  EXPECT_EQ(uint16_t{m.buffers[3][1].milliseconds}, 500);  // a copy: the field is packed
  EXPECT_EQ(m.earliest, PackStamp(kStart, kStart));
  for (uint32_t line = 0; line < m.line_count; ++line) {
    const TBuf& samples = m.buffers[line];
    double low = 1e300, high = -1e300;
    for (uint32_t i = 0; i < samples.count(); ++i) {
      const double value = ConvertRawValue(m.lines[line], samples[i].raw);
      ASSERT_TRUE(InValueRange(m.lines[line], value)) << line << " " << value;
      low = std::min(low, value);
      high = std::max(high, value);
    }
    EXPECT_GT(high - low, 0.0) << "line " << line << " never moves";
  }
  // The offset of CONFIG.INI is part of the range: 200-250 V with 5 added.
  EXPECT_DOUBLE_EQ(m.lines[3].offset, 5);
}

TEST(LogSimulator, TheSameSeedGivesTheSameBytes) {
  TempDir a, b, c;
  for (const TempDir* dir : {&a, &b, &c}) Prepare(dir->path(), FiveLines());
  SimulateRecording(a.path(), {.days = 0.1, .seed = 9, .start = kStart});
  SimulateRecording(b.path(), {.days = 0.1, .seed = 9, .start = kStart});
  SimulateRecording(c.path(), {.days = 0.1, .seed = 10, .start = kStart});
  EXPECT_EQ(ReadBytes(a.File("LOG.BIN")), ReadBytes(b.File("LOG.BIN")));
  EXPECT_NE(ReadBytes(a.File("LOG.BIN")), ReadBytes(c.File("LOG.BIN")));
}

TEST(LogSimulator, AFullFileWrapsToItsStartAndTheScanPutsItInOrder) {
  TempDir dir;
  RecordingConfig config;
  config.lines = {{"T", "A", "1", "1", "H", "0", "U4", "1", "0", "1000", ""}};
  Prepare(dir.path(), config);
  // 14 bytes a block, so 1 MiB holds 74898; 10 days at 10 s are 86400: the last 74898 stay.
  const SimulationResult result = SimulateRecording(dir.path(), {.days = 10, .start = kStart});
  EXPECT_TRUE(result.wrapped);
  EXPECT_EQ(result.blocks, 86400u);
  EXPECT_EQ(std::filesystem::file_size(dir.File("LOG.BIN")), 1048576u);

  const Measurement m = Load(dir.path(), EncodeDate(2024, 5, 11));
  const TBuf& samples = m.buffers[0];
  ASSERT_EQ(samples.count(), 74898u);
  for (uint32_t i = 1; i < samples.count(); ++i) {
    ASSERT_LT(uint32_t{samples[i - 1].stamp}, uint32_t{samples[i].stamp});
  }
  const double oldest_kept = kStart + (86400 - 74898) * 10.0 / kSecondsPerDay;
  EXPECT_EQ(m.earliest, PackStamp(oldest_kept, oldest_kept + 1e-7));
  EXPECT_EQ(uint32_t{samples[samples.count() - 1].stamp},
            PackStamp(result.last, result.last + 1e-7));
}

TEST(LogSimulator, WithoutAStartTheRecordingEndsNow) {
  TempDir dir;
  Prepare(dir.path(), FiveLines());
  const double now = EncodeDate(2025, 1, 2) + EncodeTime(12, 30, 15, 750);
  const SimulationResult result = SimulateRecording(dir.path(), {.days = 0.01, .now = now});
  EXPECT_LE(result.last, now);
  // At most the present second's fraction and one half-second interval before.
  EXPECT_GT(result.last, now - 1.5 / kSecondsPerDay);
}

TEST(LogSimulator, NeedsAPreparedFolder) {
  TempDir dir;
  EXPECT_THROW(SimulateRecording(dir.path(), {}), Error);
  Prepare(dir.path(), FiveLines());
  std::filesystem::remove(dir.File("LOG.BIN"));
  EXPECT_THROW(SimulateRecording(dir.path(), {}), Error);
  EXPECT_FALSE(std::filesystem::exists(dir.File("LOG.BIN")));
}

// What the simulator must not write into: nothing in LOG.BIN may change.
TEST(LogSimulator, RefusalsLeaveTheFileAsItWas) {
  TempDir dir;
  Prepare(dir.path(), FiveLines());
  const std::string before = testing::ReadBytes(dir.File("LOG.BIN"));
  SimulationOptions past_2063;
  past_2063.start = EncodeDate(2063, 12, 31) + 0.5;  // one day runs into 2064
  std::optional<FolderLock> other;
  struct Case {
    const char* what;
    SimulationOptions options;
    std::function<void()> setup;
    const char* message;
  };
  const Case cases[] = {
      {"past 2063", past_2063, [] {}, "po roce 2063"},
      {"read-only", {}, [&] { chmod(dir.File("LOG.BIN").c_str(), 0444); }, "jen pro čtení"},
      {"another writer", {}, [&] { other.emplace(dir.path()); }, "právě zapisuje jiný proces"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.setup();
    try {
      SimulateRecording(dir.path(), c.options);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    chmod(dir.File("LOG.BIN").c_str(), 0644);
    EXPECT_EQ(testing::ReadBytes(dir.File("LOG.BIN")), before);
  }
}

// A recording started while a preparation runs waits for it before it reads anything: read
// first, it would record the old configuration (or none) into the new card.
TEST(LogSimulator, ReadsTheConfigurationOnlyUnderTheFolderLock) {
  TempDir dir;
  Prepare(dir.path(), FiveLines());
  RecordingConfig config = FiveLines();
  config.file_size = "1";
  FakeDialogs dialogs;
  dialogs.answers = {true};
  NoProgress progress;
  CardSystem system;
  int steps = 0;
  system.after_step = [&](std::string_view step) {
    SCOPED_TRACE(std::string(step));
    ++steps;
    try {
      SimulateRecording(dir.path(), {});
      ADD_FAILURE() << "recorded during the preparation";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("právě zapisuje jiný proces"), std::string::npos)
          << e.what();
    }
  };
  DataLocation location{.alternative = true, .alt_dir = dir.path()};
  ASSERT_TRUE(PrepareCard(CardJob{config, {}, location, ',', dialogs}, progress, system));
  EXPECT_EQ(steps, 10);
}

TEST(EncodeDecimalFloat, DecodesBackToTheValue) {
  for (double value : {0.0, 230.4, -0.25, 2500.0, 1e9, -8388.607}) {
    EXPECT_NEAR(DecodeDecimalFloat(EncodeDecimalFloat(value)), value, std::abs(value) * 1e-6)
        << value;
  }
  EXPECT_EQ(EncodeDecimalFloat(-0.25), 0x838000FAu);  // -250 × 10^-3
}

}  // namespace
}  // namespace korvan
