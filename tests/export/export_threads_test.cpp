// The export's rows on one thread and on two give the same bytes and the same progress.
// (Also run under ThreadSanitizer.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "data/measurement.h"
#include "export/export.h"
#include "sim/log_simulator.h"
#include "support/card_builder.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::MakeStamp;

struct Exported {
  std::string bytes;
  std::vector<uint32_t> positions;
  size_t writes = 0;
};

Exported Export(Measurement& m, const std::vector<int>& lines, const StampRange& range,
                char separator, const ExportThreads& threads, size_t refuse_at = 0) {
  struct Sink : ExportSink {
    Exported& out;
    size_t refuse_at;
    Sink(Exported& o, size_t r) : out(o), refuse_at(r) {}
    bool Write(const char* data, size_t size) override {
      if (++out.writes == refuse_at) return false;
      out.bytes.append(data, size);
      return true;
    }
  };
  Exported out;
  Sink sink(out, refuse_at);
  ExportProgress progress;
  progress.position = [&](uint32_t position) { out.positions.push_back(position); };
  const bool ok = WriteExport(m, lines, range, separator, sink, progress, threads);
  EXPECT_EQ(ok, refuse_at == 0);
  return out;
}

// A recording as the simulated logger makes it, of every number type, with and without
// hundredths, loaded as the program loads it.
void LoadSimulatedCard(bool hundredths, double days, Measurement& m) {
  testing::TempDir dir;
  testing::CardBuilder card;
  card.lines = {
      {"T", "teplota", 1, "F4", 1, 0, 0, ""},       {"P", "tlak", 1, "A4", 1, 0, 0, ""},
      {"U", "napětí", 2, "S2", 0.5, -100, 100, ""}, {"I", "proud", 1, "U4", 0.01, 0, 0, ""},
      {"N", "otáčky", 2, "U2", 0.1, 0, 0, "2,5"},   {"S", "stav", 1, "S1", 1, 0, 0, ""}};
  card.intervals = {hundredths ? 2.5 : 10.0, 60, 60, 60};
  card.log = std::string(size_t{1} << 20, '\xFF');
  card.WriteAll(dir.path());
  SimulationOptions options;
  options.days = days;
  options.start = EncodeDate(2026, 11, 30);
  SimulateRecording(dir.path(), options);
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir.path();
  testing::FakeDialogs dialogs;
  ASSERT_TRUE(LoadMeasurement(location, dialogs, EncodeDate(2026, 12, 9), {}, m, nullptr));
  ASSERT_EQ(m.subseconds_present, hundredths);
}

// Every way of sharing out the work against one thread in one chunk of rows.
void ExpectSameBytesWhateverTheThreads(Measurement& m, const std::vector<int>& lines,
                                       const StampRange& range) {
  for (char separator : {',', '.'}) {
    const Exported one = Export(m, lines, range, separator, {1, 1u << 30});
    ASSERT_GT(one.bytes.size(), 100u);
    for (ExportThreads threads : {ExportThreads{2, 3}, ExportThreads{2, 7}, ExportThreads{2, 0},
                                  ExportThreads{1, 7}, ExportThreads{0, 0}}) {
      SCOPED_TRACE(::testing::Message() << separator << " threads " << threads.threads << " chunk "
                                        << threads.chunk_rows);
      const Exported other = Export(m, lines, range, separator, threads);
      EXPECT_TRUE(other.bytes == one.bytes);
      EXPECT_EQ(other.positions, one.positions);
    }
  }
}

TEST(ExportThreadsTest, SimulatedCardsGiveTheSameBytes) {
  for (bool hundredths : {false, true}) {
    SCOPED_TRACE(hundredths);
    Measurement m;
    LoadSimulatedCard(hundredths, hundredths ? 0.7 : 3, m);
    ASSERT_GT(m.buffers[0].count(), 20000u);  // more than one chunk of the default size
    const std::vector<int> all{0, 1, 2, 3, 4, 5};
    ExpectSameBytesWhateverTheThreads(m, all, {0, 0xFFFFFFFF});
    // A cut inside the recording, of some lines only.
    const uint32_t from = m.buffers[0][m.buffers[0].count() / 3].stamp;
    const uint32_t to = m.buffers[0][m.buffers[0].count() / 2].stamp;
    ExpectSameBytesWhateverTheThreads(m, {4, 0, 2}, {from, to});
  }
}

TEST(ExportThreadsTest, SmallCardAndUnorderedLinesGiveTheSameBytes) {
  Measurement small;
  LoadSimulatedCard(false, 0.05, small);
  ExpectSameBytesWhateverTheThreads(small, {0, 1, 2, 3, 4, 5}, {0, 0xFFFFFFFF});

  // Lines whose time goes backwards and repeats, as a card with overlapping runs leaves them.
  Measurement m;
  m.line_count = 3;
  m.subseconds_present = true;
  for (uint32_t i = 0; i < 3; ++i) {
    m.lines[i].caption = "L" + std::to_string(i);
    m.lines[i].type_letter = "UFS"[i];
    m.lines[i].multiplier = i == 0 ? 0.01 : 1;
  }
  const uint32_t t = MakeStamp(2024, 2, 28, 23, 59, 0);
  for (uint32_t k = 0; k < 5000; ++k) {
    const uint32_t back = k % 97 == 0 ? 40 : 0;
    m.buffers[0].Append({t + k % 1000 - back, static_cast<uint16_t>(k % 3 * 500), k * 7919u});
    m.buffers[1].Append({t + k / 2, 0, testing::FloatBits(static_cast<float>(k) * 0.37f)});
    if (k % 5) m.buffers[2].Append({t + k / 3, 500, 0xFFFF0000u + k});
  }
  ExpectSameBytesWhateverTheThreads(m, {0, 1, 2}, {0, 0xFFFFFFFF});
  ExpectSameBytesWhateverTheThreads(m, {2, 1}, {t + 100, t + 900});
}

TEST(ExportThreadsTest, RefusedWriteStopsBothThreads) {
  Measurement m;
  m.line_count = 1;
  m.lines[0].type_letter = 'U';
  for (uint32_t k = 0; k < 20000; ++k)
    m.buffers[0].Append({MakeStamp(2024, 1, 1, 0, 0, 0) + k, 0, k});
  const Exported whole = Export(m, {0}, {0, 0xFFFFFFFF}, ',', {2, 100});
  ASSERT_EQ(whole.writes, 201u);  // the header and 200 chunks
  const Exported cut = Export(m, {0}, {0, 0xFFFFFFFF}, ',', {2, 100}, 5);
  EXPECT_EQ(cut.writes, 5u);  // nothing is written after the refusal
  EXPECT_EQ(cut.bytes, whole.bytes.substr(0, cut.bytes.size()));
}

}  // namespace
}  // namespace korvan
