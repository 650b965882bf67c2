#include "data/measurement.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/ini_file.h"
#include "app/packed_stamp.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/settings_file.h"
#include "data/measurement_config.h"
#include "platform/file_query.h"
#include "platform/task_thread.h"

namespace korvan {

namespace {

constexpr uint32_t kMaxSegments = 65536;

// Milliseconds of valid stamps on one scale: exact integers, so that a gap of exactly
// 5 x interval + 1 s is never split by rounding, and equal start times compare equal. The
// day part is computed only when the date changes from the previous call.
class StampClock {
 public:
  int64_t Milliseconds(uint32_t stamp, uint16_t milliseconds) {
    if (StampDayKey(stamp) != date_) {
      date_ = StampDayKey(stamp);
      day_start_ = StampDayNumber(stamp) * kMsPerDay;
    }
    return day_start_ + int64_t{StampSecondOfDay(stamp)} * 1000 + milliseconds;
  }

 private:
  uint32_t date_ = 0xFFFFFFFF;
  int64_t day_start_ = 0;
};

struct Segment {
  int64_t start;
  uint32_t first;
  uint32_t length;
};

}  // namespace

double Measurement::IntervalSeconds(uint32_t line) const {
  const int32_t number = line < kMaxLines ? lines[line].interval_number : 1;
  return intervals[static_cast<size_t>(std::clamp(number, 1, 4) - 1)];
}

void Measurement::Clear() {
  line_count = 0;
  for (auto& line : lines) line = MeasuredLine{};
  intervals = {10.0, 10.0, 10.0, 10.0};
  for (auto& buffer : buffers) buffer.Clear();
  earliest = kUnsetEarliest;
  latest = kUnsetLatest;
  subseconds_present = false;
  chart_title.clear();
}

bool IsNoValue(const MeasuredLine& line, uint32_t raw) {
  return AsciiUpper(line.type_letter) == 'F' && (raw == 0x7FFFFFFF || raw == 0xFFFFFFFF);
}

double ConvertRawValue(const MeasuredLine& line, uint32_t raw) {
  double value;
  switch (AsciiUpper(line.type_letter)) {
    case 'A':
      value = DecodeDecimalFloat(raw) * line.multiplier;
      break;
    case 'F':
      value = IsNoValue(line, raw)
                  ? kNoValue
                  : static_cast<double>(std::bit_cast<float>(raw)) * line.multiplier;
      break;
    case 'S':
      if (line.size_digit == 2) {
        value = static_cast<int16_t>(raw & 0xFFFF) * line.multiplier;
      } else if (line.size_digit == 1) {
        value = static_cast<int8_t>(raw & 0xFF) * line.multiplier;
      } else {
        value = static_cast<int32_t>(raw) * line.multiplier;
      }
      break;
    default:
      value = static_cast<double>(raw) * line.multiplier;
  }
  return value + line.offset;
}

bool InValueRange(const MeasuredLine& line, double value) {
  if (!(line.minimum < line.maximum)) return true;
  return line.minimum <= value && value <= line.maximum;
}

namespace {

// The segments that start in samples[begin, end): the first sample starts one, and so does each
// sample earlier than the one before it or later by more than gap_ms. Stops at kMaxSegments.
// Lengths are filled in later.
void FindSegments(const LogSample* samples, uint32_t begin, uint32_t end, int64_t gap_ms,
                  std::vector<Segment>& segments) {
  if (begin >= end) return;
  StampClock clock;
  uint32_t i = begin;
  if (begin == 0) {
    segments.push_back({clock.Milliseconds(samples[0].stamp, samples[0].milliseconds), 0, 0});
    i = 1;
  }
  const LogSample& before = samples[i - 1];
  int64_t previous = clock.Milliseconds(before.stamp, before.milliseconds);
  for (; i < end && segments.size() < kMaxSegments; ++i) {
    const int64_t t = clock.Milliseconds(samples[i].stamp, samples[i].milliseconds);
    if (t < previous || t - previous > gap_ms) segments.push_back({t, i, 0});
    previous = t;
  }
}

// 5 x interval + 1 s in whole milliseconds: a difference of whole milliseconds exceeds the
// exact gap exactly when it exceeds its floor.
int64_t GapMilliseconds(double interval_seconds) {
  const double gap = (5.0 * interval_seconds + 1.0) * 1000.0;
  if (std::isnan(gap) || gap >= 9.0e18) return std::numeric_limits<int64_t>::max();
  if (gap < 0) return -1;  // every step forward is a gap
  return static_cast<int64_t>(std::floor(gap));
}

// Below this many samples a second thread costs more than it saves.
constexpr uint32_t kSplitSegmentSearchFrom = uint32_t{1} << 20;

}  // namespace

void ReorderLineSamples(TBuf& buffer, double interval_seconds, TBuf& scratch) {
  const uint32_t n = buffer.count();
  if (n == 0) return;
  const LogSample* samples = buffer.data();
  const int64_t gap_ms = GapMilliseconds(interval_seconds);

  // The search reads every sample: over a long line, each half of it on its own core. Joined,
  // the halves give the segments of one search, cut at the same 65 536th start.
  std::vector<Segment> segments;
  if (n >= kSplitSegmentSearchFrom) {
    const uint32_t half = n / 2;
    std::vector<Segment> second;
    RunAlongside([&] { FindSegments(samples, half, n, gap_ms, second); },
                 [&] { FindSegments(samples, 0, half, gap_ms, segments); });
    if (segments.size() < kMaxSegments) {
      const size_t take = std::min(second.size(), kMaxSegments - segments.size());
      segments.insert(segments.end(), second.begin(), second.begin() + take);
    }
  } else {
    FindSegments(samples, 0, n, gap_ms, segments);
  }
  // From the 65 536th segment on, everything left belongs to the last one.
  for (size_t k = 0; k + 1 < segments.size(); ++k) {
    segments[k].length = segments[k + 1].first - segments[k].first;
  }
  segments.back().length = n - segments.back().first;
  if (segments.size() == 1) return;

  // Ties keep their stored order; O(S log S) where an exchange sort was quadratic.
  std::stable_sort(segments.begin(), segments.end(),
                   [](const Segment& a, const Segment& b) { return a.start < b.start; });
  bool in_order = true;
  for (size_t k = 1; k < segments.size() && in_order; ++k) {
    in_order = segments[k].first == segments[k - 1].first + segments[k - 1].length;
  }
  if (in_order) return;

  // Gathered into the scratch storage, which then becomes the line's: each sample is moved
  // once, and the line's old pages, already faulted in, serve the next line as its scratch.
  scratch.Reserve(n);
  LogSample* out = scratch.data();
  for (const Segment& s : segments) {
    std::memcpy(out, samples + s.first, size_t{s.length} * sizeof(LogSample));
    out += s.length;
  }
  scratch.Resize(n);
  std::swap(buffer, scratch);
}

void ReorderLineSamples(TBuf& buffer, double interval_seconds) {
  TBuf scratch;
  ReorderLineSamples(buffer, interval_seconds, scratch);
}

void OrderLines(Measurement& measurement, const LogScanResult& scan) {
  // Without a step back in time every segment starts later than the one before, so the
  // stable sort would leave the samples as they are.
  TBuf scratch;
  for (uint32_t i = 0; i < measurement.line_count; ++i) {
    if (scan.went_back[i]) {
      ReorderLineSamples(measurement.buffers[i], measurement.IntervalSeconds(i), scratch);
    }
  }
}

namespace {

constexpr const char* kConfigOpenFailed = "Soubor konfigurace nelze otevřít.";
constexpr const char* kDataOpenFailed = "Datový soubor nelze otevřít.";

}  // namespace

bool LoadMeasurement(const DataLocation& location, UserDialogs& dialogs, double today,
                     const LoadProgress& progress, Measurement& measurement, LoadResult* result) {
  measurement.Clear();
  LoadResult local;
  LoadResult& out = result ? *result : local;
  out = LoadResult{};

  // The missing reader is reported once; the later paths fail the same way silently.
  const auto ini_path = CardFilePath(location, kConfigIniFile, true, dialogs);
  // Only a missing CONFIG.INI (or one of another application) falls back to CONFIG.BIN: one
  // that cannot be read would give the lines of the image instead of the job's own.
  if (ini_path) {
    if (const int error = UnreadableReason(*ini_path); error != 0) {
      dialogs.ShowError(ConfigIniUnreadableText(*ini_path, error));
      return false;
    }
  }
  std::optional<IniFile> ini;
  if (ini_path && IsRegularFile(*ini_path)) ini.emplace(*ini_path);
  if (ini && IsOwnConfigIni(ini->document())) {
    ReadConfigIni(ini->document(), measurement);
    out.source = kConfigIniFile;
  } else {
    const auto bin_path = CardFilePath(location, kConfigImageFile, false, dialogs);
    std::string image;
    if (!bin_path || !ReadConfigImageFile(*bin_path, image)) {
      dialogs.ShowError(kConfigOpenFailed);
      return false;
    }
    ReadConfigBin(reinterpret_cast<const uint8_t*>(image.data()), image.size(), measurement);
    out.source = kConfigImageFile;
  }
  out.chart_title = measurement.chart_title;

  const auto log_path = CardFilePath(location, kLogFile, false, dialogs);
  const FileStatus log_status = log_path ? QueryFile(*log_path) : FileStatus{};
  if (log_status.kind == FileKind::kNone || log_status.kind == FileKind::kDirectory) {
    dialogs.ShowError(kDataOpenFailed);
    return false;
  }
  if (progress.start) progress.start(log_status.size);
  const uint32_t limit = ScanTimeLimit(today);
  LogScanResult scan;
  ScanProgress advance;
  if (progress.advance) advance = [&](size_t bytes) { progress.advance(bytes); };
  const bool read_ok = ScanLogFile(*log_path, static_cast<int>(measurement.line_count), limit,
                                   measurement.buffers.data(), scan, advance);
  measurement.earliest = scan.earliest;
  measurement.latest = scan.latest;
  measurement.subseconds_present = scan.subseconds_present;
  // The scan reserved room for all the file could hold; pages it did not fill go back now,
  // before the time ordering needs its scratch.
  for (uint32_t i = 0; i < measurement.line_count; ++i) measurement.buffers[i].ShrinkToFit();
  if (!read_ok) {
    // A read that fails part-way would otherwise pass a truncated measurement off as whole.
    if (progress.finish) progress.finish();
    dialogs.ShowError(kDataOpenFailed);
    return false;
  }

  OrderLines(measurement, scan);
  // A line that took over the scratch of a longer one holds more room than it needs.
  for (uint32_t i = 0; i < measurement.line_count; ++i) measurement.buffers[i].ShrinkToFit();
  if (measurement.HasTimeRange()) {
    out.has_range = true;
    out.range_from = UnpackStamp(measurement.earliest, 0);
    out.range_to = UnpackStamp(measurement.latest, 0);
  }
  if (progress.finish) progress.finish();
  return true;
}

}  // namespace korvan
