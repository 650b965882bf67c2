#include "data/measurement.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "config/card_readback.h"
#include "config/settings_file.h"
#include "data/log_writer.h"
#include "data/measurement_config.h"
#include "platform/system_error.h"
#include "support/card_builder.h"
#include "support/fake_dialogs.h"
#include "support/measured_line.h"
#include "support/samples.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CardBuilder;
using testing::CardLine;
using testing::FakeDialogs;
using testing::Line;
using testing::MakeStamp;
using testing::TempDir;
using namespace std::string_literals;

TEST(ConvertRawValueTest, EveryNumberType) {
  struct Case {
    MeasuredLine line;
    uint32_t raw;
    double value;
  };
  const Case cases[] = {
      {Line('S', 2, 2.0, 0, 0, 0.5), 0x0000FFFF, -2.0 + 0.5},
      {Line('s', 2), 0x12347FFF, 32767},  // high bits ignored
      {Line('S', 1, 1.0, 0, 0, 0.0), 0x000000FF, -1},
      {Line('S', 1), 0x0000017F, 127},
      {Line('S', 4), 0xFFFFFFFE, -2},
      {Line('S', 0), 0x80000000, -2147483648.0},
      {Line('U', 4, 2.0, 0, 0, 1.0), 0xFFFFFFFF, 4294967295.0 * 2.0 + 1.0},
      {Line(0, 0), 0x80000000, 2147483648.0},  // no type at all: unsigned
      {Line('F', 4, 10.0, 0, 0, 1.0), testing::FloatBits(1.5f), 16.0},
      {Line('f', 4), testing::FloatBits(-0.25f), -0.25},
      {Line('F', 4, 3.0, 0, 0, 2.0), 0x7FFFFFFF, kNoValue + 2.0},
      {Line('F', 4), 0xFFFFFFFF, kNoValue},
      {Line('A', 4, 2.0, 0, 0, 1.0), 0x02000019, 2500.0 * 2.0 + 1.0},
      {Line('a', 4), 0x82800019, -0.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.line.type_letter << c.line.size_digit << " " << c.raw);
    EXPECT_DOUBLE_EQ(ConvertRawValue(c.line, c.raw), c.value);
  }
}

TEST(InValueRangeTest, RangeRules) {
  struct Case {
    double minimum, maximum, value;
    bool in;
  };
  const Case cases[] = {
      {0, 0, -1e30, true}, {0, 0, 1e30, true}, {5, 1, 0, true}, {5, 1, 100, true},
      {1, 5, 0.5, false},  {1, 5, 1, true},    {1, 5, 5, true}, {1, 5, 5.0001, false},
      {5, 5, 7, true},     {1, 5, NAN, false},
  };
  for (const Case& c : cases) {
    MeasuredLine line;
    line.minimum = c.minimum;
    line.maximum = c.maximum;
    EXPECT_EQ(InValueRange(line, c.value), c.in) << c.minimum << " " << c.maximum << " " << c.value;
  }
}

// Samples at the given milliseconds of 2010-01-01, raw = position in the input.
TBuf Samples(const std::vector<int64_t>& ms) {
  TBuf buffer;
  for (uint32_t i = 0; i < ms.size(); ++i) {
    const int64_t s = ms[i] / 1000;
    buffer.Append({MakeStamp(2010, 1, 1, int(s / 3600), int(s / 60 % 60), int(s % 60)),
                   static_cast<uint16_t>(ms[i] % 1000), i});
  }
  return buffer;
}

std::vector<uint32_t> Order(const TBuf& buffer) {
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < buffer.count(); ++i) order.push_back(uint32_t{buffer[i].raw});
  return order;
}

// The plain rule: segments start at a step back or a gap over gap_ms, at most cap of them (the
// last takes the rest), stably sorted by their first time.
std::vector<uint32_t> PlainOrder(const std::vector<int64_t>& t, int64_t gap_ms,
                                 size_t cap = SIZE_MAX) {
  const uint32_t n = static_cast<uint32_t>(t.size());
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < n && starts.size() < cap; ++i) {
    if (i == 0 || t[i] < t[i - 1] || t[i] - t[i - 1] > gap_ms) starts.push_back(i);
  }
  std::vector<size_t> order(starts.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return t[starts[a]] < t[starts[b]]; });
  std::vector<uint32_t> expected;
  for (size_t k : order) {
    const uint32_t end = k + 1 < starts.size() ? starts[k + 1] : n;
    for (uint32_t i = starts[k]; i < end; ++i) expected.push_back(i);
  }
  return expected;
}

TEST(ReorderLineSamplesTest, SegmentsComeOutInTimeOrder) {
  struct Case {
    std::vector<double> seconds;
    double interval;
    std::vector<uint32_t> order;
  };
  const Case cases[] = {
      {{100, 110, 120, 10, 20, 30}, 10, {3, 4, 5, 0, 1, 2}},
      // Gap of 51 s (5 x 10 + 1) stays in its segment; the later 120 goes after 161.
      {{100, 110, 161, 120}, 10, {0, 1, 2, 3}},
      // Gap of 52 s starts a segment at 162, so 120 sorts in before it.
      {{100, 110, 162, 120}, 10, {0, 1, 3, 2}},
      // The gap limit follows the interval: 5 x 0.5 + 1 = 3.5 s.
      {{10, 13, 20, 5}, 0.5, {3, 0, 1, 2}},
      // Equal start times keep their stored order.
      {{50, 60, 50, 40}, 10, {3, 0, 1, 2}},
      {{5.5, 5.1}, 10, {1, 0}},  // milliseconds split equal seconds
      {{}, 10, {}},
      {{5}, 10, {0}},
  };
  for (const Case& c : cases) {
    std::vector<int64_t> ms;
    for (double s : c.seconds) ms.push_back(std::llround(s * 1000));
    TBuf buffer = Samples(ms);
    ReorderLineSamples(buffer, c.interval);
    EXPECT_EQ(Order(buffer), c.order) << ::testing::PrintToString(c.seconds);
  }
}

TEST(ReorderLineSamplesTest, AtMost65536SegmentsTheLastTakingTheRest) {
  // Every sample earlier than the one before: each starts a segment until the cap.
  const uint32_t n = 65536 + 3;
  std::vector<int64_t> ms;
  for (uint32_t i = 0; i < n; ++i) ms.push_back(int64_t{n - i} * 1000);
  TBuf buffer = Samples(ms);
  ReorderLineSamples(buffer, 10);
  // The last segment starts at sample 65535 and keeps samples 65535..65538 in stored order.
  std::vector<uint32_t> order = Order(buffer);
  ASSERT_EQ(order.size(), n);
  EXPECT_EQ(std::vector<uint32_t>(order.begin(), order.begin() + 4),
            (std::vector<uint32_t>{65535, 65536, 65537, 65538}));
  EXPECT_EQ(order[4], 65534u);
  EXPECT_EQ(order.back(), 0u);
}

// A line of 50 ms steps within one day; back[i] steps sample i 30 ms back instead, and the
// step to gap_at is 2 s. Its expected order is the plain rule's at interval 0,01 s.
struct Timeline {
  TBuf buffer;
  std::vector<uint32_t> expected;
};

Timeline MakeTimeline(uint32_t n, const std::function<bool(uint32_t)>& back, uint32_t gap_at) {
  std::vector<int64_t> t(n);
  int64_t ms = 10'000'000;
  for (uint32_t i = 0; i < n; ++i) {
    if (i > 0) ms += back(i) ? -30 : (i == gap_at ? 2000 : 50);
    t[i] = ms;
  }
  return {Samples(t), PlainOrder(t, 1050, 65536)};
}

TEST(ReorderLineSamplesTest, LongLinesSearchedOnTwoCoresMatchThePlainRule) {
  const uint32_t n = (1u << 20) + 5;
  const uint32_t half = n / 2;
  struct Case {
    const char* name;
    std::function<bool(uint32_t)> back;
    uint32_t gap_at;
  };
  const Case cases[] = {
      {"steps back around the middle",
       [&](uint32_t i) { return i % 1000 == 0 || (i + 1 >= half && i <= half + 1); }, 0},
      {"a gap at the middle", [](uint32_t i) { return i % 5000 == 0; }, half},
      {"65 536 segments reached in the first half", [](uint32_t i) { return i % 4 == 0; }, 0},
      {"65 536 segments reached in the second half",
       [&](uint32_t i) { return i > half && i % 4 == 0; }, 0},
  };
  TBuf scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Timeline line = MakeTimeline(n, c.back, c.gap_at);
    ReorderLineSamples(line.buffer, 0.01, scratch);
    ASSERT_EQ(Order(line.buffer), line.expected);
  }
}

// "yyyy-mm-dd hh:mm:ss[.mmm]" read digit by digit; a sample without its date takes the date
// of the one before.
std::vector<LogSample> SamplesAt(const std::vector<std::string>& texts) {
  std::vector<LogSample> samples;
  std::string date;
  for (std::string text : texts) {
    if (text.size() < 19) text = date + text;
    date = text.substr(0, 11);
    const auto n = [&](size_t at, size_t digits) {
      int v = 0;
      for (size_t k = at; k < at + digits && k < text.size(); ++k) v = v * 10 + (text[k] - '0');
      return v;
    };
    samples.push_back({MakeStamp(n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2)),
                       static_cast<uint16_t>(n(20, 3)), static_cast<uint32_t>(samples.size())});
  }
  return samples;
}

TEST(ReorderLineSamplesTest, StepsAcrossCalendarBoundariesSplitAsByDateArithmetic) {
  struct Case {
    const char* name;
    double interval;  // the gap limit is 5 x interval + 1 s
    std::vector<std::string> samples;
  };
  // Most cases end with a sample that steps back between the first two, so that whether the
  // second one started a segment shows in the order.
  const Case cases[] = {
      {"midnight",
       1,
       {"2019-06-30 23:59:58.500", "2019-07-01 00:00:04.499", "2019-06-30 23:59:59"}},
      {"midnight, 1 ms over",
       1,
       {"2019-06-30 23:59:58.500", "2019-07-01 00:00:04.501", "2019-06-30 23:59:59"}},
      {"month end", 10, {"2021-01-31 23:59:30", "2021-02-01 00:00:21", "2021-01-31 23:59:31"}},
      {"year end, over",
       10,
       {"2019-12-31 23:59:30", "2020-01-01 00:00:21.001", "2019-12-31 23:59:31"}},
      {"leap day",
       1,
       {"2020-02-28 23:59:59", "2020-02-29 00:00:00", "2020-03-01 00:00:00",
        "2020-02-29 00:00:01"}},
      {"no leap day", 1, {"2021-02-28 23:59:59", "2021-03-01 00:00:05", "2021-02-28 23:59:59.001"}},
      {"the limit within a minute", 10, {"2010-05-05 07:00:00", "07:00:51", "07:00:00.001"}},
      {"1 ms over within a minute", 10, {"2010-05-05 07:00:00", "07:00:51.001", "07:00:00.001"}},
      {"the limit across an hour", 10, {"2010-05-05 07:59:30", "08:00:21", "07:59:30.001"}},
      {"over across an hour", 10, {"2010-05-05 07:59:30", "08:00:21.001", "07:59:30.001"}},
      {"half-second interval",
       0.5,
       {"2010-05-05 07:00:01", "07:00:04.500", "07:00:08.001", "07:00:01.001"}},
      {"equal stamps, then ms back",
       10,
       {"2010-05-05 07:00:01.300", "07:00:01.300", "07:00:01.200", "07:00:01.200"}},
      {"back across days, months and years",
       60,
       {"2012-03-01 00:00:00", "2012-02-29 23:59:00", "2011-12-31 23:59:59.999",
        "2012-03-01 00:01:00", "2012-02-29 23:59:30"}},
      {"a negative limit splits every step", -1, {"2010-05-05 07:00:01", "07:00:01", "07:00:00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBuf buffer;
    // The reference works out each sample's date, which the search reads off the stamps' fields.
    std::vector<int64_t> t;
    for (const LogSample& s : SamplesAt(c.samples)) {
      buffer.Append(s);
      t.push_back(StampDayNumber(s.stamp) * kMsPerDay + int64_t{StampSecondOfDay(s.stamp)} * 1000 +
                  s.milliseconds);
    }
    const std::vector<uint32_t> expected =
        PlainOrder(t, int64_t(std::floor((5.0 * c.interval + 1.0) * 1000.0)));
    ReorderLineSamples(buffer, c.interval);
    EXPECT_EQ(Order(buffer), expected);
  }
}

TEST(ReorderLineSamplesTest, OrderLinesReusesOneScratchAcrossLinesOfEverySize) {
  Measurement m;
  m.line_count = 4;
  m.intervals = {0.01, 0.01, 0.01, 0.01};
  LogScanResult scan;
  const uint32_t sizes[] = {3000, 10, 70000, 1};
  std::vector<std::vector<uint32_t>> expected;
  for (uint32_t l = 0; l < 4; ++l) {
    Timeline line = MakeTimeline(
        sizes[l], [](uint32_t i) { return i % 7 == 3; }, 0);
    m.buffers[l] = std::move(line.buffer);
    expected.push_back(line.expected);
    scan.went_back[l] = true;
  }
  OrderLines(m, scan);
  for (uint32_t l = 0; l < 4; ++l) EXPECT_EQ(Order(m.buffers[l]), expected[l]) << "line " << l;
}

TEST(MeasurementTest, IntervalNumbersOutsideOneToFourAreClamped) {
  Measurement m;
  m.intervals = {1, 2, 3, 4};
  const std::pair<int, double> cases[] = {{-5, 1}, {0, 1}, {1, 1}, {3, 3}, {4, 4}, {99, 4}};
  for (auto [number, seconds] : cases) {
    m.lines[0].interval_number = number;
    EXPECT_EQ(m.IntervalSeconds(0), seconds) << number;
  }
}

TEST(MeasureLineTest, FieldsAndTheirDefaults) {
  struct Case {
    std::string text;
    std::string caption;
    int interval;
    char letter;
    int digit;
    double multiplier, minimum, maximum, offset;
  };
  const Case cases[] = {
      {"Elektroměr;Teplota;2;01h;R;0010h;F4;0,1;-5;100;1,5", "Elektroměr - Teplota", 2, 'F', 4, 0.1,
       -5, 100, 1.5},
      {"E;T;1;1;R;10;S2;1;0;0;", "E - T", 1, 'S', 2, 1, 0, 0, 0},  // empty offset
      {"E;T;3;1;R;10;U4;x;?;;", "E - T", 3, 'U', 4, 1, 0, 0, 0},   // unreadable numbers
      // Either separator, whatever the machine's: the file may come from any installation.
      {"E;T;4;1;R;10;F4;1.5;0;9.5;0.25", "E - T", 4, 'F', 4, 1.5, 0, 9.5, 0.25},
      {"E;T;4;1;R;10;F4;1.000,5;0;0", "E - T", 4, 'F', 4, 1, 0, 0, 0},  // thousands: no number
      {"E;T", "E - T", 1, 0, 0, 1, 0, 0, 0},                            // fields missing
      {"", " - ", 1, 0, 0, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MeasuredLine line = ParseMeasureLine(c.text);
    EXPECT_EQ(line.caption, c.caption);
    EXPECT_EQ(line.interval_number, c.interval);
    EXPECT_EQ(line.type_letter, c.letter);
    EXPECT_EQ(line.size_digit, c.digit);
    EXPECT_DOUBLE_EQ(line.multiplier, c.multiplier);
    EXPECT_DOUBLE_EQ(line.minimum, c.minimum);
    EXPECT_DOUBLE_EQ(line.maximum, c.maximum);
    EXPECT_DOUBLE_EQ(line.offset, c.offset);
  }
}

TEST(ConfigBinTest, LinesNamesAndUnsetLimits) {
  CardBuilder card;
  card.intervals = {0.5, 10, 60, 3600};
  card.lines = {{"Elektroměr", "Teplota", 2, "S2", 0.5, 1, 5, ""},
                {"PM", "Tlak", 1, "F4", 1, 0, 0, ""}};
  std::string image = card.ConfigBinBytes();
  for (int i = 56; i < 64; ++i) image[64 * 2 + i] = '\xFF';  // line 2: limits not set
  Measurement m;
  ReadConfigBin(reinterpret_cast<const uint8_t*>(image.data()), image.size(), m);
  ASSERT_EQ(m.line_count, 2u);
  EXPECT_EQ(m.intervals[0], 0.5);
  EXPECT_EQ(m.intervals[3], 3600);
  const MeasuredLine& l = m.lines[0];  // 8 bytes of the name
  EXPECT_EQ(std::tie(l.caption, l.interval_number, l.type_letter, l.size_digit, l.type_text,
                     l.multiplier, l.minimum, l.maximum),
            std::make_tuple("Elektrom - Teplota"s, 2, 'S', 2, "S2"s, 0.5, 1.0, 5.0));
  EXPECT_EQ(std::tie(m.lines[1].caption, m.lines[1].minimum, m.lines[1].maximum),
            std::make_tuple("PM - Tlak"s, 0.0, 0.0));
  EXPECT_TRUE(InValueRange(m.lines[1], -1e9));
}

TEST(ConfigBinTest, CountByteIsClampedToTheModelAndTheBlocksPresent) {
  CardBuilder card;
  card.lines.resize(60);
  const std::string full = card.ConfigBinBytes();
  struct Case {
    int8_t count;
    size_t size;
    uint32_t lines;
  };
  const Case cases[] = {{60, 8192, 50},      {-1, 8192, 0}, {-128, 8192, 0}, {3, 8192, 3},
                        {3, 64 * 3 + 63, 2}, {3, 40, 0},    {3, 10, 0}};
  for (const Case& c : cases) {
    std::string image = full.substr(0, c.size);
    if (image.size() > 16) image[16] = static_cast<char>(c.count);
    Measurement m;
    ReadConfigBin(reinterpret_cast<const uint8_t*>(image.data()), image.size(), m);
    EXPECT_EQ(m.line_count, c.lines) << int{c.count} << " " << c.size;
  }
}

class LoadTest : public ::testing::Test {
 protected:
  DataLocation Location() const { return FolderDataLocation(dir.path()); }
  bool Load(double today = EncodeDate(2024, 5, 1)) {
    return LoadMeasurement(Location(), dialogs, today, progress, m, &result);
  }
  TempDir dir;
  FakeDialogs dialogs;
  LoadProgress progress;
  Measurement m;
  LoadResult result;
  CardBuilder card;
};

TEST_F(LoadTest, ConfigIniOfThisProgramWinsEvenWithoutConfigBin) {
  card.lines = {{"Elektroměr", "Teplota", 2, "F4", 0.1, 0, 0, "2,5"}};
  card.intervals = {1, 2.5, 3, 4};
  card.Block(MakeStamp(2024, 4, 30, 10, 0, 0), {{0, testing::FloatBits(1)}});
  card.WriteConfigIni(dir.path());
  card.WriteLog(dir.path());
  ASSERT_TRUE(Load());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(result.source, "CONFIG.INI");
  EXPECT_EQ(result.chart_title, "Zkouška");
  EXPECT_EQ(m.line_count, 1u);
  EXPECT_EQ(m.lines[0].caption, "Elektroměr - Teplota");
  EXPECT_EQ(m.lines[0].offset, 2.5);
  EXPECT_EQ(m.IntervalSeconds(0), 2.5);
  EXPECT_EQ(m.buffers[0].count(), 1u);
}

TEST_F(LoadTest, ForeignConfigIniFallsBackToConfigBinWithoutTitle) {
  card.app_name = "Jiný";
  card.lines = {{"A", "B", 1, "U4", 1, 0, 0, "7"}};
  card.Block(MakeStamp(2024, 4, 30, 10, 0, 0), {{0, 5}});
  card.WriteAll(dir.path());
  ASSERT_TRUE(Load());
  EXPECT_EQ(result.source, "CONFIG.BIN");
  EXPECT_EQ(result.chart_title, "");
  EXPECT_EQ(m.lines[0].offset, 0);  // the image holds none
}

TEST_F(LoadTest, MoreThanFiftyLinesUseTheFirstFifty) {
  card.lines.resize(55);
  card.lines[49].label = "Padesátá";
  card.WriteConfigIni(dir.path());
  card.WriteLog(dir.path());
  ASSERT_TRUE(Load());
  EXPECT_EQ(m.line_count, 50u);
  EXPECT_EQ(m.lines[49].caption, "Přístroj - Padesátá");
}

// Each failure is told once, by the loader and by the streaming load alike.
TEST_F(LoadTest, FailuresAreReportedNotPassedOver) {
  DataLocation no_reader;
  no_reader.card_letter = 'c';
  no_reader.card_root = "/";
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::function<void(const TempDir&)> make;
    std::string error;
    bool reader = true;
  };
  const Case cases[] = {
      {"no files", [](const TempDir&) {}, "Soubor konfigurace nelze otevřít."},
      {"no reader", [](const TempDir&) {}, kReaderMissingMessage, false},
      {"no data file", [&](const TempDir& d) { card.WriteConfigBin(d.path()); },
       "Datový soubor nelze otevřít."},
      {"no data file beside CONFIG.INI",
       [&](const TempDir& d) {
         card.WriteConfigIni(d.path());
         card.WriteConfigBin(d.path());
       },
       "Datový soubor nelze otevřít."},
      // An unreadable data file is a failure, not an empty measurement.
      {"a folder for the data file",
       [&](const TempDir& d) {
         card.WriteConfigBin(d.path());
         fs::create_directory(d.File("LOG.BIN"));
       },
       "Datový soubor nelze otevřít."},
      // A folder stands for any CONFIG.INI that is there but gives no bytes (as root,
      // permissions cannot make one); CONFIG.BIN must not be used in its place.
      {"a folder for CONFIG.INI",
       [&](const TempDir& d) {
         card.WriteConfigBin(d.path());
         card.WriteLog(d.path());
         fs::create_directory(d.File("CONFIG.INI"));
       },
       ""},
  };
  card.lines = {{"Teploměr", "Teplota"}};
  card.Block(MakeStamp(2024, 4, 30, 10, 0, 0), {{0, testing::FloatBits(1)}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir folder;
    c.make(folder);
    const DataLocation location = c.reader ? FolderDataLocation(folder.path()) : no_reader;
    const std::string error =
        c.error.empty() ? ConfigIniUnreadableText(folder.File("CONFIG.INI"), kNotRegularFile)
                        : c.error;
    dialogs.Clear();
    EXPECT_FALSE(LoadMeasurement(location, dialogs, EncodeDate(2024, 5, 1), progress, m, &result));
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{error});
    dialogs.Clear();
    EXPECT_FALSE(
        StreamMeasurement(location, dialogs, EncodeDate(2024, 5, 1), {}, progress, m, nullptr));
    EXPECT_EQ(dialogs.Texts("error"), std::vector<std::string>{error});
  }
}

TEST_F(LoadTest, TimeLimitIsTomorrowMidnight) {
  card.lines = {{}};
  const uint32_t early = MakeStamp(2024, 4, 1, 8, 0, 0);
  card.Block(early, {{0, 1}});
  card.Block(MakeStamp(2024, 5, 2, 0, 0, 0), {{0, 2}});   // tomorrow 00:00:00
  card.Block(MakeStamp(2024, 5, 2, 0, 0, 1), {{0, 3}});   // one second later
  card.Block(MakeStamp(2024, 5, 3, 12, 0, 0), {{0, 4}});  // the day after tomorrow
  card.WriteAll(dir.path());
  uint64_t total = 0, advanced = 0;
  bool finished = false;
  progress.start = [&](uint64_t t) { total = t; };
  progress.advance = [&](uint64_t n) { advanced += n; };
  progress.finish = [&] { finished = true; };
  ASSERT_TRUE(Load(EncodeDate(2024, 5, 1) + 0.75));  // today, in the evening
  EXPECT_EQ(Order(m.buffers[0]), (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(m.latest, MakeStamp(2024, 5, 2, 0, 0, 0));
  ASSERT_TRUE(result.has_range);
  EXPECT_EQ(result.range_from, UnpackStamp(early, 0));
  EXPECT_EQ(result.range_to, EncodeDate(2024, 5, 2));
  EXPECT_EQ(total, card.log.size());
  EXPECT_EQ(advanced, card.log.size());
  EXPECT_TRUE(finished);
}

TEST_F(LoadTest, EachLoadStartsAfresh) {
  card.lines = {{}};
  card.Block(MakeStamp(2024, 4, 1, 8, 0, 0), {{0, 1}}, 500);
  card.WriteAll(dir.path());
  ASSERT_TRUE(Load());
  EXPECT_TRUE(m.subseconds_present);
  TempDir other;
  CardBuilder empty;
  empty.lines = {{}, {}};
  empty.log = std::string(4096, '\xFF');
  empty.WriteAll(other.path());
  ASSERT_TRUE(LoadMeasurement(FolderDataLocation(other.path()), dialogs, EncodeDate(2024, 5, 1), {},
                              m, &result));
  EXPECT_EQ(m.line_count, 2u);
  EXPECT_EQ(m.buffers[0].count(), 0u);
  EXPECT_FALSE(m.subseconds_present);
  EXPECT_FALSE(m.HasTimeRange());
  EXPECT_FALSE(result.has_range);
}

TEST_F(LoadTest, WrappedRecordingIsPutInOrder) {
  card.lines = {{}, {}};
  card.intervals = {10, 10, 10, 10};
  // The logger wrapped around: the newest blocks sit before the oldest in the file.
  for (int s = 0; s < 30; s += 10) card.Block(MakeStamp(2024, 4, 2, 0, 0, s), {{0, 100u + s}});
  for (int s = 0; s < 30; s += 10)
    card.Block(MakeStamp(2024, 4, 1, 0, 0, s), {{0, 0u + s}, {1, 7}});
  card.WriteAll(dir.path());
  ASSERT_TRUE(Load());
  EXPECT_EQ(Order(m.buffers[0]), (std::vector<uint32_t>{0, 10, 20, 100, 110, 120}));
  EXPECT_EQ(m.buffers[1].count(), 3u);
  EXPECT_EQ(m.earliest, MakeStamp(2024, 4, 1, 0, 0, 0));
}

// Keeps what a scan that stores nothing hands on, line by line.
class CollectingVisitor : public BlockVisitor {
 public:
  void Block(uint32_t stamp, uint16_t milliseconds, const uint8_t* entries, size_t count) override {
    for (size_t k = 0; k < count; ++k, entries += 6) {
      const uint16_t index = static_cast<uint16_t>(entries[0] | entries[1] << 8);
      uint32_t raw;
      std::memcpy(&raw, entries + 2, 4);
      lines[index].Append({stamp, milliseconds, raw});
    }
  }
  std::array<TBuf, kMaxLines> lines;
};

TEST_F(LoadTest, StreamingHandsOnTheLoadsSamplesAndRangeKeepingNone) {
  card.lines = {{"A", "a", 1, "F4"}, {"B", "b", 2, "S2"}, {"C", "c", 1, "A4"}};
  card.intervals = {10, 10, 10, 10};
  // Out of order, a block after the time limit, runs of AA bytes and fill between blocks,
  // partial entry lists, and a block cut off by the end of the file.
  for (int s = 0; s < 40; s += 10) {
    card.Block(MakeStamp(2024, 4, 30, 12, 0, s), {{0, 1u + s}, {1, 2u + s}, {2, 0x01000003u}},
               uint16_t(s * 7));
  }
  card.log += std::string(9, '\xAA');
  card.Block(MakeStamp(2024, 4, 30, 11, 0, 0), {{0, 5}, {2, 6}});
  card.Block(MakeStamp(2024, 5, 3, 0, 0, 0), {{0, 7}, {1, 8}});  // after the limit
  card.log += std::string(20, '\xFF');
  card.Block(MakeStamp(2024, 4, 29, 23, 59, 59), {{1, 9}, {0, 10}});  // 0 ends the list
  card.Block(MakeStamp(2024, 4, 30, 12, 0, 35), {{0, 11}, {1, 12}, {2, 13}});
  card.log.resize(card.log.size() - 3);
  card.WriteAll(dir.path());
  ASSERT_TRUE(Load());

  Measurement streamed;
  // One visitor, and two that get a pass each on two threads: each sees every block.
  for (size_t count = 1; count <= 2; ++count) {
    SCOPED_TRACE(count);
    LoadResult streamed_result;
    CollectingVisitor visitors[2];
    uint32_t lines_seen = 0;
    ASSERT_TRUE(StreamMeasurement(
        Location(), dialogs, EncodeDate(2024, 5, 1),
        [&](const Measurement& lines) {
          lines_seen = lines.line_count;
          std::vector<BlockVisitor*> given{&visitors[0], &visitors[1]};
          given.resize(count);
          return given;
        },
        progress, streamed, &streamed_result));
    EXPECT_EQ(lines_seen, 3u);
    EXPECT_EQ(std::tie(streamed.earliest, streamed.latest, streamed.subseconds_present),
              std::tie(m.earliest, m.latest, m.subseconds_present));
    const LoadResult& r = streamed_result;
    EXPECT_EQ(std::tie(r.source, r.has_range, r.range_from, r.range_to),
              std::tie(result.source, result.has_range, result.range_from, result.range_to));
    for (size_t v = 0; v < count; ++v) {
      for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(streamed.lines[i].caption, m.lines[i].caption);
        EXPECT_EQ(streamed.buffers[i].count(), 0u);
        // In file order; time ordering gives the loaded line.
        TBuf& line = visitors[v].lines[i];
        ReorderLineSamples(line, m.IntervalSeconds(i));
        ASSERT_EQ(line.count(), m.buffers[i].count());
        EXPECT_EQ(SamplesOf(m.buffers[i]), SamplesOf(line));
      }
    }
  }
  EXPECT_EQ(m.buffers[0].count(), 5u);  // the odd AA run hides the block after it
}

// CONFIG.INI is opened once by each of its readers: what the open finds (a file, none, an
// error) is what the reader goes by, not a probe's look at an earlier moment.
TEST_F(LoadTest, EachReaderOpensConfigIniOnce) {
  card.lines = {{"Teploměr", "Teplota"}};
  card.Block(MakeStamp(2024, 4, 30, 10, 0, 0), {{0, testing::FloatBits(1)}});
  card.WriteAll(dir.path());
  const std::vector<std::pair<const char*, std::function<bool()>>> readers = {
      {"load", [&] { return Load(); }},
      {"read back",
       [&] {
         RecordingConfig config;
         InstrumentList instruments;
         return ReadConfigurationFromCard(Location(), config, instruments, ',', dialogs) ==
                ReadBackSource::kConfigIni;
       }},
  };
  for (const auto& [name, run] : readers) {
    SCOPED_TRACE(name);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // Closes come between the opens, so that two opens are not merged into one event.
    ASSERT_GE(inotify_add_watch(watch, dir.File("CONFIG.INI").c_str(), IN_OPEN | IN_CLOSE_NOWRITE),
              0);
    EXPECT_TRUE(run());
    alignas(inotify_event) char events[4096];
    const ssize_t n = ::read(watch, events, sizeof events);
    close(watch);
    int opens = 0;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      opens += (event->mask & IN_OPEN) != 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    EXPECT_EQ(opens, 1);
  }
}

// Every line's room is reserved up front for all the file could hold, far beyond what the
// samples take; when the address space runs out part-way, the lines reserved so far must not
// keep it from the others.
TEST_F(LoadTest, FiftyLinesLoadUnderAnAddressSpaceLimitNearWhatTheSamplesNeed) {
  card.lines.assign(50, CardLine{});
  std::vector<LogEntry> entries;
  for (uint16_t i = 0; i < 50; ++i) entries.push_back({i, testing::FloatBits(i)});
  const double start = EncodeDate(2024, 4, 1);
  std::string& log = card.log;
  constexpr int kBlocks = 100000;  // 31 MB; 50 lines take 50 MB of samples
  for (int n = 0; n < kBlocks; ++n) {
    const double t = start + n / static_cast<double>(kSecondsPerDay);
    AppendLogBlock(log, PackStamp(t, t), std::nullopt, entries);
  }
  card.WriteAll(dir.path());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Reservations of all 50 lines would take 36 times the file (1.1 GB); the limit leaves
    // room for the samples twice over, the scan's threads and their heaps.
    uint64_t in_use = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) == 0) in_use = std::stoull(line.substr(7)) << 10;
    }
    const rlimit limit{in_use + (320ull << 20), in_use + (320ull << 20)};
    setrlimit(RLIMIT_AS, &limit);
    try {
      const bool loaded = Load();
      _exit(loaded && m.buffers[49].count() == kBlocks && m.buffers[0].count() == kBlocks ? 0 : 1);
    } catch (...) {
      _exit(2);  // out of memory: the test's verdict, not another run of the suite
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace korvan
