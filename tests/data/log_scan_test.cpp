#include "data/log_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "data/log_writer.h"
#include "support/card_builder.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::MakeStamp;

const uint32_t kLimit = MakeStamp(2030, 1, 1, 0, 0, 0);
const uint32_t kT0 = MakeStamp(2006, 3, 5, 8, 7, 6);

struct Scan {
  std::array<TBuf, kMaxLines> buffers;
  LogScanResult result;

  std::vector<LogSample> Line(int i) const { return SamplesOf(buffers[i]); }
  size_t Total() const {
    size_t n = 0;
    for (const auto& b : buffers) n += b.count();
    return n;
  }
};

void ScanString(const std::string& bytes, int lines, Scan& scan, uint32_t limit = kLimit) {
  ScanLogBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), lines, limit,
               scan.buffers.data(), scan.result);
}

std::string Block(uint32_t stamp, std::vector<LogEntry> entries,
                  std::optional<uint16_t> ms_word = std::nullopt) {
  std::string out;
  AppendLogBlock(out, stamp, ms_word, entries);
  return out;
}

std::string Word(uint16_t w) { return {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)}; }

TEST(LogScanTest, FillOnlyFilesYieldNothingAndLeaveStampsUnset) {
  for (int fill : {0xFF, 0xAA, 0x00}) {
    SCOPED_TRACE(fill);
    Scan scan;
    ScanString(std::string(100000, static_cast<char>(fill)), 8, scan);
    EXPECT_EQ(scan.Total(), 0u);
    EXPECT_EQ(scan.result.earliest, kUnsetEarliest);
    EXPECT_EQ(scan.result.latest, kUnsetLatest);
    EXPECT_FALSE(scan.result.subseconds_present);
  }
}

TEST(LogScanTest, EntryListEndsAtFirstInvalidNextIndex) {
  struct Case {
    std::vector<uint16_t> indices;
    int lines;
    std::vector<int> taken;
  };
  const Case cases[] = {
      {{0, 2, 5}, 6, {0, 2, 5}},
      {{0, 2, 2}, 6, {0, 2}},
      {{3, 1}, 6, {3}},
      {{0, 4}, 4, {0}},  // index equal to the line count
      {{1, 0xFFFF}, 4, {1}},
      {{0, 1, 2, 3}, 4, {0, 1, 2, 3}},
      {{0}, 0, {}},  // a configuration without lines takes nothing
  };
  for (const Case& c : cases) {
    std::vector<LogEntry> entries;
    for (uint16_t i : c.indices) entries.push_back({i, 1000u + i});
    Scan scan;
    ScanString(Block(kT0, entries) + std::string(16, '\xFF'), c.lines, scan);
    std::vector<int> taken;
    for (int line = 0; line < kMaxLines; ++line) {
      for (const LogSample& s : scan.Line(line)) {
        EXPECT_EQ(+s.raw, 1000u + line);
        taken.push_back(line);
      }
    }
    EXPECT_EQ(taken, c.taken) << "lines " << c.lines;
    EXPECT_EQ(scan.result.earliest, kT0);  // accepted even when no entry is taken
  }
}

TEST(LogScanTest, MillisecondWord) {
  struct Case {
    uint16_t word;
    bool is_ms;
    uint16_t ms;
  };
  const Case cases[] = {
      {0xEC7B, true, 123}, {0xFC7B, true, 123},
      {0xEC00, true, 0},   {0xEFE7, true, 999},  // 1000 cannot be a time of day
      {0xEFFF, true, 999},                       // 1023
      {0xE87B, false, 0},  // bit 0x04 of the high byte missing: not a millisecond word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Scan scan;
    std::string bytes = Block(kT0, {}) + Word(c.word) + Word(0) + std::string(4, '\x11');
    ScanString(bytes + std::string(8, '\xFF'), 4, scan);
    EXPECT_EQ(scan.result.subseconds_present, c.is_ms);
    ASSERT_EQ(scan.Line(0).size(), c.is_ms ? 1u : 0u);
    if (c.is_ms) {
      EXPECT_EQ(+scan.Line(0)[0].milliseconds, c.ms);
    }
  }
}

TEST(LogScanTest, SkipsAaRunsInvalidAndFutureStampsAndFindsTheNextBlock) {
  const uint32_t good = MakeStamp(2010, 6, 1, 12, 0, 0);
  std::string bytes;
  bytes += Block(MakeStamp(2010, 13, 1, 0, 0, 0), {{0, 1}});  // month 13
  bytes += Block(MakeStamp(2011, 2, 29, 0, 0, 0), {{0, 2}});  // not a leap year
  bytes += Block(MakeStamp(2010, 1, 1, 0, 0, 60), {{0, 3}});  // second 60
  bytes += Block(kLimit + 1, {{0, 4}});                       // after the limit
  bytes += std::string(6, '\xAA');  // even run: its last four bytes are the marker
  bytes += Block(good, {{0, 5}}).substr(4);
  bytes += "\x01\x02\x03";
  Scan scan;
  ScanString(bytes, 2, scan);
  ASSERT_EQ(scan.Line(0).size(), 1u);
  EXPECT_EQ(+scan.Line(0)[0].raw, 5u);
  EXPECT_EQ(scan.result.earliest, good);
  EXPECT_EQ(scan.result.latest, good);
}

TEST(LogScanTest, StampEndingInAaaaIsNotTakenForAnAaRun) {
  // 10:42:42 packs its low sixteen bits as AA AA; the original rule lost this block daily.
  const uint32_t stamp = MakeStamp(2024, 3, 5, 10, 42, 42);
  ASSERT_EQ(stamp & 0xFFFF, 0xAAAAu);
  for (bool with_ms : {false, true}) {
    SCOPED_TRACE(with_ms);
    Scan scan;
    std::optional<uint16_t> ms;
    if (with_ms) ms = MillisecondWord(250);
    ScanString(Block(stamp - 1, {{0, 1}}) + Block(stamp, {{0, 2}, {1, 3}}, ms) +
                   Block(stamp + 1, {{0, 4}}),
               2, scan);
    ASSERT_EQ(scan.Line(0).size(), 3u);
    EXPECT_EQ(+scan.Line(0)[1].stamp, stamp);
    EXPECT_EQ(+scan.Line(0)[1].raw, 2u);
    EXPECT_EQ(+scan.Line(0)[1].milliseconds, with_ms ? 250 : 0);
    ASSERT_EQ(scan.Line(1).size(), 1u);
    EXPECT_EQ(+scan.Line(1)[0].raw, 3u);
  }
  // A real run of six AA bytes before a block still reads the block after the run.
  Scan run;
  ScanString(std::string(2, '\xAA') + Block(kT0, {{0, 7}}), 1, run);
  ASSERT_EQ(run.Line(0).size(), 1u);
  EXPECT_EQ(+run.Line(0)[0].stamp, kT0);
}

TEST(LogScanTest, TimeLimitIsInclusive) {
  const uint32_t limit = MakeStamp(2024, 5, 2, 0, 0, 0);
  Scan scan;
  ScanString(Block(limit, {{0, 1}}) + Block(limit + 1, {{0, 2}}) +
                 Block(MakeStamp(2024, 5, 1, 23, 59, 59), {{0, 3}}),
             1, scan, limit);
  ASSERT_EQ(scan.Line(0).size(), 2u);
  EXPECT_EQ(+scan.Line(0)[0].raw, 1u);
  EXPECT_EQ(+scan.Line(0)[1].raw, 3u);
  EXPECT_EQ(scan.result.latest, limit);
}

TEST(LogScanTest, BlockCutOffByTheEndYieldsOnlyCompleteEntries) {
  const std::string whole = Block(kT0, {{0, 10}, {1, 11}, {2, 12}}, 0xEC05);
  struct Case {
    size_t length;
    size_t samples;
    bool accepted;
  };
  // marker 4, stamp 4, ms word 2, entries of 6: 10 + 6k bytes hold k entries.
  const Case cases[] = {{7, 0, false}, {8, 0, true},  {9, 0, true},  {10, 0, true},
                        {15, 0, true}, {16, 1, true}, {27, 2, true}, {28, 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    // Copy into an exactly sized heap block so that AddressSanitizer sees any overread.
    std::vector<uint8_t> bytes(whole.begin(), whole.begin() + c.length);
    Scan scan;
    ScanLogBytes(bytes.data(), bytes.size(), 3, kLimit, scan.buffers.data(), scan.result);
    EXPECT_EQ(scan.Total(), c.samples);
    EXPECT_EQ(scan.result.earliest != kUnsetEarliest, c.accepted);
    // A lone first byte of the millisecond word is no millisecond word.
    EXPECT_EQ(scan.result.subseconds_present, c.length >= 10);
  }
}

// Deterministic mixture of blocks, AA runs and noise, for the chunking comparisons.
std::string MixedLog(int lines, size_t blocks) {
  std::string out;
  uint32_t state = 12345;
  auto next = [&] { return state = state * 1103515245u + 12345u; };
  uint32_t stamp = MakeStamp(2020, 1, 1, 0, 0, 0);
  for (size_t b = 0; b < blocks; ++b) {
    const uint32_t r = next() >> 8;
    stamp += 1;
    if ((stamp & 0x3F) > 59) stamp = (stamp & ~0x3Fu) + 64;  // next minute
    std::vector<LogEntry> entries;
    for (int i = 0; i < lines; ++i) {
      if ((next() >> 12) % 3 != 0) entries.push_back({static_cast<uint16_t>(i), next()});
    }
    std::optional<uint16_t> ms;
    if (r % 2) ms = MillisecondWord(static_cast<uint16_t>((r >> 4) % 1000));
    AppendLogBlock(out, stamp, ms, entries);
    switch (r % 7) {
      case 0:
        out.append((r >> 3) % 9, '\xAA');
        break;
      case 1:
        for (uint32_t k = (r >> 3) % 20; k > 0; --k) out.push_back(static_cast<char>(next()));
        break;
      default:
        break;
    }
  }
  return out;
}

TEST(LogScanTest, FileScanGivesTheSameSamplesForEveryChunkSize) {
  testing::TempDir dir;
  const int lines = 8;
  const std::string bytes = MixedLog(lines, 3000);
  testing::WriteBytes(dir.File("LOG.BIN"), bytes);
  Scan reference;
  ScanString(bytes, lines, reference);
  ASSERT_GT(reference.Total(), 5000u);
  // Read ahead on a second thread or not, the samples are those of one pass over the bytes.
  for (bool background : {true, false})
    for (size_t chunk : {size_t{1}, size_t{7}, size_t{61}, size_t{4095}, size_t{16384},
                         size_t{16385}, size_t{1} << 20}) {
      // A thread hand-over per byte would only make the test slow.
      if (background && chunk < 61) continue;
      SCOPED_TRACE(::testing::Message() << "chunk " << chunk << (background ? ", read ahead" : ""));
      Scan scan;
      uint64_t progressed = 0;
      size_t calls = 0;
      ASSERT_TRUE(ScanLogFile(
          dir.File("LOG.BIN"), lines, kLimit, scan.buffers.data(), scan.result,
          [&](size_t n) {
            progressed += n;
            ++calls;
          },
          chunk, background));
      EXPECT_EQ(progressed, bytes.size());
      EXPECT_EQ(calls, (bytes.size() + chunk - 1) / chunk);
      for (int i = 0; i < lines; ++i) EXPECT_EQ(scan.Line(i), reference.Line(i)) << "line " << i;
      EXPECT_EQ(scan.result.earliest, reference.result.earliest);
      EXPECT_EQ(scan.result.latest, reference.result.latest);
      EXPECT_EQ(scan.result.subseconds_present, reference.result.subseconds_present);
    }
}

TEST(LogScanTest, BlockAtEveryOffsetAroundA16384ByteBoundaryIsRead) {
  testing::TempDir dir;
  const int lines = 50;
  std::vector<LogEntry> entries;
  for (uint16_t i = 0; i < lines; ++i) entries.push_back({i, 7000u + i});
  const std::string block = Block(kT0, entries, MillisecondWord(250));
  // From well inside the first chunk to past the boundary, covering the last 6 x lines + 7
  // bytes where the marker or the entries are cut by the chunk's end.
  for (size_t at = 16384 - block.size() - 20; at <= 16384 + 4; ++at) {
    std::string bytes(at, '\xFF');
    bytes += block;
    bytes += std::string(100, '\xFF');
    testing::WriteBytes(dir.File("LOG.BIN"), bytes);
    Scan scan;
    ASSERT_TRUE(ScanLogFile(dir.File("LOG.BIN"), lines, kLimit, scan.buffers.data(), scan.result,
                            {}, 16384));
    ASSERT_EQ(scan.Total(), static_cast<size_t>(lines)) << "block at " << at;
    EXPECT_EQ(+scan.Line(49)[0].raw, 7049u);
    EXPECT_EQ(+scan.Line(49)[0].milliseconds, 250);
  }
}

TEST(LogScanTest, MissingFileFails) {
  Scan scan;
  EXPECT_FALSE(ScanLogFile("/nonexistent/LOG.BIN", 1, kLimit, scan.buffers.data(), scan.result));
}

// A logger's times keep their step across every calendar boundary, so they are stored as one
// run whatever the dates; anything else reads back exactly too, at no more than plain cost.
TEST(TBufTest, TimesAreStoredAsStepsWhereTheyHoldAndReadBackExactly) {
  struct Case {
    const char* what;
    uint32_t start;
    uint16_t ms;
    int64_t step;
    uint32_t runs;  // expected; 0: not checked
  } cases[] = {
      {"seconds over midnight and a month end", MakeStamp(2019, 12, 31, 23, 58, 0), 0, 1000, 1},
      {"milliseconds into a leap day", MakeStamp(2024, 2, 28, 23, 59, 59), 995, 7, 1},
      {"half seconds backwards over a year", MakeStamp(2021, 1, 1, 0, 0, 1), 0, -500, 1},
      {"ten minutes over years", MakeStamp(2030, 12, 31, 0, 0, 0), 0, 600000, 1},
      {"a repeated stamp with no date", 0, 0, 0, 1},
      {"steps that run past 2063", MakeStamp(2063, 12, 31, 23, 59, 0), 0, 1000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TBuf buffer;
    std::vector<LogSample> plain;
    uint32_t stamp = c.start;
    uint16_t ms = c.ms;
    for (uint32_t i = 0; i < 5000; ++i) {
      plain.push_back({stamp, ms, i});
      buffer.Append(plain.back());
      if (!TBuf::AddMilliseconds(stamp, ms, c.step)) stamp = ms = 0;
    }
    EXPECT_EQ(SamplesOf(buffer), plain);
    EXPECT_EQ(buffer.At(4321), plain[4321]);
    if (c.runs > 0) {
      EXPECT_EQ(buffer.RunCount(), c.runs);
    }
  }
  // A clock that keeps no step: single times, never more than a plain sample's 10 bytes.
  TBuf wandering;
  std::vector<LogSample> plain;
  for (uint32_t i = 0; i < 5000; ++i) {
    plain.push_back({MakeStamp(2020, 1, 1, 0, i / 60 % 60, i % 60), uint16_t(i * 7919 % 1000), i});
    wandering.Append(plain.back());
  }
  EXPECT_EQ(SamplesOf(wandering), plain);
  EXPECT_LE(wandering.MemoryBytes(), 5000u * sizeof(LogSample));
}

TEST(TBufTest, GrowsInWholeKilosamplesAndReadsThroughTheCursor) {
  TBuf buffer;
  EXPECT_EQ(buffer.capacity(), 0u);
  for (uint32_t i = 0; i < 5000; ++i) buffer.Append({i, 0, i * 2});
  EXPECT_EQ(buffer.count(), 5000u);
  EXPECT_EQ(buffer.capacity() % 1024, 0u);
  EXPECT_GE(buffer.capacity(), 5000u);
  buffer.set_cursor(4998);
  LogSample s;
  ASSERT_TRUE(buffer.ReadNext(s));
  EXPECT_EQ(+s.raw, 9996u);
  ASSERT_TRUE(buffer.ReadNext(s));
  EXPECT_FALSE(buffer.ReadNext(s));
  buffer.ShrinkToFit();
  EXPECT_EQ(buffer.capacity(), 5120u);
  EXPECT_EQ(+buffer[4999].raw, 9998u);
  buffer.Clear();
  EXPECT_EQ(buffer.count(), 0u);
  EXPECT_EQ(buffer.capacity(), 0u);
  EXPECT_EQ(buffer.cursor(), 0u);
}

}  // namespace
}  // namespace korvan
