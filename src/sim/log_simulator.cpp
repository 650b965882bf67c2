#include "sim/log_simulator.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

#include "app/constants.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/error.h"
#include "app/ini_file.h"
#include "app/numbers.h"
#include "app/packed_stamp.h"
#include "config/config_image.h"
#include "config/preparation_mark.h"
#include "config/recording_config.h"
#include "config/settings_format.h"
#include "data/log_writer.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"

namespace korvan {

namespace {

constexpr int64_t kCentisecondsPerDay = 100 * kSecondsPerDay;
constexpr size_t kFlushBytes = 1 << 20;

// splitmix64: small, fast, and the same numbers everywhere for a seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)

 private:
  uint64_t state_;
};

// One logged quantity as the logger samples it: a daily swing plus a slow random walk, kept
// inside the line's range with a margin, so that rounding to the raw form stays inside too.
struct SimulatedLine {
  uint16_t index = 0;
  char type = 'U';
  int digit = 4;
  double multiplier = 1;
  double offset = 0;
  double low = 0;
  double high = 100;
  double phase = 0;
  double walk = 0;
  Random random{0};

  double NextValue(double day_fraction) {
    // A walk that drifts back towards 0: small steps, no runaway.
    walk = std::clamp(0.998 * walk + (random.Uniform() - 0.5) * 0.02, -1.0, 1.0);
    const double swing = std::sin(2 * M_PI * (day_fraction + phase));
    const double unit = 0.75 * swing + 0.2 * walk;  // within [-0.95, 0.95]
    return (low + high) / 2 + (high - low) / 2 * unit;
  }

  // The raw 32 bits whose conversion (times the multiplier, plus the offset) is value.
  uint32_t Raw(double value) const {
    const double x = multiplier != 0 ? (value - offset) / multiplier : 0;
    switch (type) {
      case 'F':
        return std::bit_cast<uint32_t>(static_cast<float>(x));
      case 'A':
        return EncodeDecimalFloat(x);
      case 'S': {
        const double limit = digit == 2 ? 32767 : digit == 1 ? 127 : 2147483647.0;
        const auto n = static_cast<int64_t>(std::clamp(Whole(x), -limit - 1, limit));
        const uint32_t bits = static_cast<uint32_t>(n);
        return digit == 2 ? bits & 0xFFFF : digit == 1 ? bits & 0xFF : bits;
      }
      default:
        return static_cast<uint32_t>(std::clamp(Whole(x), 0.0, 4294967295.0));
    }
  }

  // The nearest whole raw value whose conversion still lies inside the range.
  double Whole(double x) const {
    double n = std::round(x);
    if (multiplier == 0) return n;
    double a = (low - offset) / multiplier;
    double b = (high - offset) / multiplier;
    if (a > b) std::swap(a, b);
    const double first = std::ceil(a);
    const double last = std::floor(b);
    if (first <= last) n = std::clamp(n, first, last);
    return n;
  }
};

struct Group {
  int64_t period = 0;  // centiseconds
  int64_t next = 0;    // the next tick, centiseconds since the date-time epoch
  std::vector<SimulatedLine*> lines;
};

uint32_t StampOf(int64_t centiseconds) {
  const int64_t day = centiseconds / kCentisecondsPerDay;
  const int64_t second = centiseconds % kCentisecondsPerDay / 100;
  const DateParts date = DecodeDate(static_cast<double>(day));
  return PackStampFields(date.year, date.month, date.day, static_cast<int>(second / 3600),
                         static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
}

// The offsets live only in CONFIG.INI; without one of ours they are 0.
std::vector<double> Offsets(const std::string& dir, size_t count) {
  std::vector<double> offsets(count, 0.0);
  const std::string path = dir + "/CONFIG.INI";
  if (!FileExists(path)) return offsets;
  const IniFile ini(path);
  if (ini.ReadString(kSectionApplication, kKeyName, "") != kAppName) return offsets;
  for (size_t i = 0; i < count; ++i) {
    const std::vector<std::string> fields = SplitFields(
        ini.ReadString(kSectionMeasure, LineKey(static_cast<int>(i + 1)), ""), kLineColumns);
    double offset = 0;
    if (fields.size() > kColOffset && TryFileStrToFloat(fields[kColOffset], offset)) {
      offsets[i] = offset;
    }
  }
  return offsets;
}

ConfigImage ReadCardImage(const std::string& dir) {
  const std::string bin_path = dir + "/CONFIG.BIN";
  std::string bytes;
  if (!ReadConfigImageFile(bin_path, bytes) || bytes.size() != kConfigImageSize) {
    throw Error("Soubor " + bin_path + " chybí nebo není úplný.");
  }
  return ParseConfigImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

void RequireWritableLog(const std::string& log_path) {
  if (!FileExists(log_path)) {
    throw Error("Soubor " + log_path + " chybí: kartu je třeba nejdřív připravit.");
  }
  // A file that nobody may write stays as it is, even for root (as the atomic writer keeps it).
  if (!IsWritable(log_path)) throw Error("Soubor " + log_path + " je jen pro čtení.");
}

// The first count lines of the image, each with its range, offset and own random stream.
std::vector<SimulatedLine> SimulatedLines(const std::string& dir, const ConfigImage& image,
                                          int count, uint64_t seed) {
  const std::vector<double> offsets = Offsets(dir, count);
  std::vector<SimulatedLine> lines(count);
  for (int i = 0; i < count; ++i) {
    const ConfigImageLine& in = image.lines[i];
    SimulatedLine& line = lines[i];
    line.index = static_cast<uint16_t>(i);
    line.type = static_cast<char>(std::toupper(static_cast<unsigned char>(in.TypeLetter())));
    line.digit = in.TypeDigitByte() - '0';
    line.multiplier = in.multiplier;
    line.offset = offsets[i];
    const double minimum = LimitIsSet(in.minimum) ? in.minimum : 0;
    const double maximum = LimitIsSet(in.maximum) ? in.maximum : 0;
    if (minimum < maximum) {
      const double margin = (maximum - minimum) * 0.02;
      line.low = minimum + margin;
      line.high = maximum - margin;
    }
    line.random = Random(seed * 0x2545F4914F6CDD1Dull + static_cast<uint64_t>(i) + 1);
    line.phase = line.random.Uniform();
    line.walk = line.random.Uniform() * 0.4 - 0.2;
  }
  return lines;
}

// A logger with any interval in hundredths keeps its time in hundredths: every block then
// carries the millisecond word.
bool KeepsHundredths(const ConfigImage& image) {
  bool hundredths = false;
  for (uint32_t word : image.header.interval_words) hundredths |= (word >> 24) != 0;
  return hundredths;
}

struct Span {
  int64_t start = 0;  // centiseconds since the date-time epoch
  int64_t end = 0;
};

Span RecordingSpan(const SimulationOptions& options) {
  const int64_t length = std::llround(std::max(0.0, options.days) * kCentisecondsPerDay);
  // Whole seconds, so that a tick's hundredths come from the interval alone, and never after the
  // present moment.
  const int64_t start =
      options.start
          ? std::llround(*options.start * kSecondsPerDay) * 100
          : static_cast<int64_t>(std::floor(options.now * kSecondsPerDay + 1e-6)) * 100 - length;
  const int64_t end = start + length;
  if (start < 0) throw Error("Začátek záznamu je mimo rozsah.");
  // A stamp holds the years 2000-2063 only; a later block would be stamped as another year.
  if (length > 0 &&
      DecodeDate(static_cast<double>(end - 1) / kCentisecondsPerDay).year > kStampLastYear) {
    throw Error("Záznam by pokračoval po roce " + std::to_string(kStampLastYear) +
                ", který časové značky záznamníku už nevyjádří.");
  }
  return {start, end};
}

std::array<Group, kIntervalCount> IntervalGroups(const ConfigImage& image,
                                                 std::vector<SimulatedLine>& lines, int64_t start) {
  std::array<Group, kIntervalCount> groups;
  for (int k = 0; k < kIntervalCount; ++k) {
    groups[k].period = std::llround(UnpackInterval(image.header.interval_words[k]) * 100);
    groups[k].next = start;
  }
  for (SimulatedLine& line : lines) {
    const int32_t number = image.lines[line.index].interval_number;
    if (number >= 1 && number <= kIntervalCount) groups[number - 1].lines.push_back(&line);
  }
  return groups;
}

// The group with the earliest next tick; none when no group has lines to record.
Group* NextGroup(std::array<Group, kIntervalCount>& groups) {
  Group* group = nullptr;
  for (Group& g : groups) {
    if (g.period > 0 && !g.lines.empty() && (!group || g.next < group->next)) group = &g;
  }
  return group;
}

// Writes one block per tick until end, wrapping to the start of the file when the next block
// would not fit, and counts what it wrote into result.
void RecordBlocks(InPlaceFile& log, const std::string& log_path,
                  std::array<Group, kIntervalCount>& groups, int64_t end, bool hundredths,
                  SimulationResult& result) {
  std::string pending;  // blocks not yet written, from file position pending_at
  uint64_t pending_at = 0;
  uint64_t position = 0;
  auto flush = [&] {
    if (!pending.empty() && !log.WriteAt(pending_at, pending.data(), pending.size())) {
      throw Error("Soubor " + log_path + " nelze zapsat: " + log.reason());
    }
    pending.clear();
    pending_at = position;
  };

  std::string block;
  std::vector<LogEntry> entries;
  bool first = true;
  for (;;) {
    Group* group = NextGroup(groups);
    if (!group || group->next >= end) break;
    const int64_t tick = group->next;
    group->next += group->period;

    const double day_fraction =
        static_cast<double>(tick % kCentisecondsPerDay) / kCentisecondsPerDay;
    entries.clear();
    for (SimulatedLine* line : group->lines) {
      entries.push_back({line->index, line->Raw(line->NextValue(day_fraction))});
    }
    block.clear();
    std::optional<uint16_t> ms;
    if (hundredths) ms = MillisecondWord(static_cast<uint16_t>(tick % 100 * 10));
    AppendLogBlock(block, StampOf(tick), ms, entries);

    if (block.size() > log.size()) throw Error("Soubor " + log_path + " je příliš malý.");
    if (position + block.size() > log.size()) {
      flush();
      position = 0;
      pending_at = 0;
      result.wrapped = true;
    }
    pending += block;
    position += block.size();
    if (pending.size() >= kFlushBytes) flush();

    const double when = static_cast<double>(tick) / kCentisecondsPerDay;
    if (first) result.first = when;
    first = false;
    result.last = when;
    ++result.blocks;
    result.bytes += block.size();
  }
  flush();
  if (!log.Close()) throw Error("Soubor " + log_path + " nelze zapsat: " + log.reason());
}

}  // namespace

uint32_t EncodeDecimalFloat(double value) {
  if (!std::isfinite(value)) return 0;
  const bool negative = value < 0;
  const double magnitude = std::fabs(value);
  constexpr double kMaxMantissa = 8388607;
  int exponent = -3;  // thousandths where they fit
  while (exponent < 127 && std::round(magnitude * std::pow(10.0, -exponent)) > kMaxMantissa) {
    ++exponent;
  }
  const auto mantissa = static_cast<uint32_t>(
      std::min(kMaxMantissa, std::round(magnitude * std::pow(10.0, -exponent))));
  uint32_t word = mantissa;
  if (negative && mantissa != 0) word |= 1u << 23;
  if (exponent < 0) word |= 1u << 31;
  word |= static_cast<uint32_t>(std::abs(exponent)) << 24;
  return word;
}

SimulationResult SimulateRecording(const std::string& dir, const SimulationOptions& options) {
  // The configuration is read under the lock: a preparation under way could otherwise have
  // its new card recorded with the old configuration.
  const FolderLock lock(dir);
  if (!lock.held()) throw Error(lock.refusal());
  if (PreparationInterrupted(dir)) throw Error(kPreparationInterrupted);
  const ConfigImage image = ReadCardImage(dir);

  const std::string log_path = dir + "/LOG.BIN";
  RequireWritableLog(log_path);
  InPlaceFile log(log_path);
  if (!log.ok()) throw Error("Soubor " + log_path + " nelze otevřít: " + log.reason());

  SimulationResult result;
  result.line_count = static_cast<int>(std::min<size_t>(image.lines.size(), kMaxLoggedLines));
  std::vector<SimulatedLine> lines = SimulatedLines(dir, image, result.line_count, options.seed);
  const Span span = RecordingSpan(options);
  std::array<Group, kIntervalCount> groups = IntervalGroups(image, lines, span.start);
  RecordBlocks(log, log_path, groups, span.end, KeepsHundredths(image), result);
  return result;
}

}  // namespace korvan
