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
#include "config/preparation_mark.h"
#include "config/settings_file.h"
#include "data/measurement_config.h"
#include "data/measurement_folder.h"
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

namespace {

// The segments that start in samples[begin, end): the first sample starts one, and so does each
// sample earlier than the one before it or later by more than gap_ms. Stops at kMaxSegments.
// Lengths are filled in later.
void FindSegments(const TBuf& samples, uint32_t begin, uint32_t end, int64_t gap_ms,
                  std::vector<Segment>& segments) {
  if (begin >= end) return;
  StampClock clock;
  SampleCursor cursor;
  LogSample sample;
  uint32_t i = begin;
  samples.Seek(cursor, begin == 0 ? 0 : begin - 1);
  samples.Next(cursor, sample);
  if (begin == 0) {
    segments.push_back({clock.Milliseconds(sample.stamp, sample.milliseconds), 0, 0});
    i = 1;
  }
  uint32_t previous = sample.stamp;
  int64_t previous_ms = sample.milliseconds;
  for (; i < end && segments.size() < kMaxSegments; ++i) {
    samples.Next(cursor, sample);
    const uint32_t stamp = sample.stamp;
    const int64_t ms = sample.milliseconds;
    int64_t step;
    if ((stamp ^ previous) < 64) {
      // Year to minute alike: the step is in the seconds field alone, with no date to work out.
      step =
          (int64_t{StampSecond(stamp)} - int64_t{StampSecond(previous)}) * 1000 + ms - previous_ms;
    } else if (StampDayKey(stamp) == StampDayKey(previous)) {
      step = (int64_t{StampSecondOfDay(stamp)} - int64_t{StampSecondOfDay(previous)}) * 1000 + ms -
             previous_ms;
    } else {
      step = clock.Milliseconds(stamp, static_cast<uint16_t>(ms)) -
             clock.Milliseconds(previous, static_cast<uint16_t>(previous_ms));
    }
    if (step < 0 || step > gap_ms) {
      segments.push_back({clock.Milliseconds(stamp, static_cast<uint16_t>(ms)), i, 0});
    }
    previous = stamp;
    previous_ms = ms;
    // Within a stored run that steps by no more than the gap no segment starts: on to the
    // last sample before the run's end, which is then checked against the one before it.
    int32_t run_step = 0;
    if (samples.CursorStep(cursor, run_step) && run_step >= 0 && run_step <= gap_ms) {
      const uint32_t stop = std::min(end, cursor.run_end);
      if (stop > i + 2) {
        samples.Skip(cursor, stop - 3 - i);
        samples.Next(cursor, sample);
        previous = sample.stamp;
        previous_ms = sample.milliseconds;
        i = stop - 2;
      }
    }
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
  const TBuf& samples = buffer;
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
  scratch.Reset();
  scratch.Reserve(n);
  for (const Segment& s : segments) scratch.AppendFrom(buffer, s.first, s.length);
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

namespace {

// Steps before the scan: the configuration into measurement (cleared first) and LOG.BIN's
// path and size. Failures are shown; false then.
bool OpenMeasurement(const DataLocation& location, UserDialogs& dialogs, Measurement& measurement,
                     LoadResult& out, std::string& log_path, uint64_t& log_size) {
  measurement.Clear();
  out = LoadResult{};

  // One folder for every file of the load; the missing reader is reported here, once, and is
  // all the user is told.
  const std::optional<std::string> folder = CardFolder(location, true, dialogs);
  if (!folder) return false;
  if (!RefuseInterruptedPreparation(*folder, dialogs)) return false;
  std::string busy;
  if (!WholeSetReadable(*folder, &busy)) {
    dialogs.ShowError(busy);
    return false;
  }
  out.folder = *folder;
  // Only a missing CONFIG.INI (or one of another application) falls back to CONFIG.BIN: one
  // that cannot be read would give the lines of the image instead of the job's own.
  bool ini_unreadable = false;
  const std::optional<IniDocument> ini =
      ReadCardConfigIni(CardSetPath(*folder, kConfigIniFile), dialogs, &ini_unreadable);
  if (ini_unreadable) return false;
  if (ini && IsOwnConfigIni(*ini)) {
    ReadConfigIni(*ini, measurement);
    out.source = kConfigIniFile;
  } else {
    std::string image;
    if (!ReadConfigImageFile(CardSetPath(*folder, kConfigImageFile), image)) {
      dialogs.ShowError(kConfigOpenFailed);
      return false;
    }
    ReadConfigBin(reinterpret_cast<const uint8_t*>(image.data()), image.size(), measurement);
    out.source = kConfigImageFile;
  }
  out.chart_title = measurement.chart_title;

  const std::string path = CardSetPath(*folder, kLogFile);
  const FileStatus log_status = QueryFile(path);
  if (log_status.kind == FileKind::kNone || log_status.kind == FileKind::kDirectory) {
    dialogs.ShowError(kDataOpenFailed);
    return false;
  }
  log_path = path;
  log_size = log_status.size;
  return true;
}

void PresetRange(const Measurement& measurement, LoadResult& out) {
  if (measurement.HasTimeRange()) {
    out.has_range = true;
    out.range_from = UnpackStamp(measurement.earliest, 0);
    out.range_to = UnpackStamp(measurement.latest, 0);
  }
}

// A load around its scan: the configuration and LOG.BIN (OpenMeasurement), then
// scan(path, limit, advance, result) (false: a read failed), then after() once the scan's
// stamps are in the measurement, then the preset range.
template <typename Scan, typename After>
bool LoadAround(const DataLocation& location, UserDialogs& dialogs, double today,
                const LoadProgress& progress, Measurement& measurement, LoadResult* result,
                Scan&& scan, After&& after) {
  LoadResult local;
  LoadResult& out = result ? *result : local;
  std::string log_path;
  uint64_t log_size = 0;
  if (!OpenMeasurement(location, dialogs, measurement, out, log_path, log_size)) return false;
  if (progress.start) progress.start(log_size);
  ScanProgress advance;
  if (progress.advance) advance = [&](size_t bytes) { progress.advance(bytes); };
  LogScanResult scanned;
  const bool read_ok = scan(log_path, ScanTimeLimit(today), advance, scanned);
  measurement.earliest = scanned.earliest;
  measurement.latest = scanned.latest;
  measurement.subseconds_present = scanned.subseconds_present;
  if (!read_ok) {
    // A read that fails part-way would otherwise pass a truncated measurement off as whole.
    if (progress.finish) progress.finish();
    dialogs.ShowError(kDataOpenFailed);
    return false;
  }
  after(scanned);
  PresetRange(measurement, out);
  if (progress.finish) progress.finish();
  return true;
}

}  // namespace

bool LoadMeasurement(const DataLocation& location, UserDialogs& dialogs, double today,
                     const LoadProgress& progress, Measurement& measurement, LoadResult* result) {
  auto shrink = [&] {
    for (uint32_t i = 0; i < measurement.line_count; ++i) measurement.buffers[i].ShrinkToFit();
  };
  return LoadAround(
      location, dialogs, today, progress, measurement, result,
      [&](const std::string& path, uint32_t limit, const ScanProgress& advance,
          LogScanResult& scanned) {
        const bool read_ok = ScanLogFile(path, static_cast<int>(measurement.line_count), limit,
                                         measurement.buffers.data(), scanned, advance);
        // The scan reserved room for all the file could hold; pages it did not fill go back
        // now, before the time ordering needs its scratch.
        shrink();
        return read_ok;
      },
      [&](const LogScanResult& scanned) {
        OrderLines(measurement, scanned);
        // A line that took over the scratch of a longer one holds more room than it needs.
        shrink();
      });
}

bool StreamMeasurement(const DataLocation& location, UserDialogs& dialogs, double today,
                       const VisitorsOf& visitors_of, const LoadProgress& progress,
                       Measurement& measurement, LoadResult* result) {
  return LoadAround(
      location, dialogs, today, progress, measurement, result,
      [&](const std::string& path, uint32_t limit, const ScanProgress& advance,
          LogScanResult& scanned) {
        std::vector<BlockVisitor*> visitors;
        if (visitors_of) visitors = visitors_of(measurement);
        const int lines = static_cast<int>(measurement.line_count);
        if (visitors.size() == 1 || visitors.empty()) {
          return VisitLogFile(path, lines, limit, visitors.empty() ? nullptr : visitors[0], scanned,
                              advance);
        }
        // Each visitor on a core of its own, each pass reading the file for itself (from the
        // page cache, after the first); the passes share nothing but the file.
        LogScanResult other;
        bool other_ok = false;
        bool own_ok = false;
        RunAlongside(
            [&] {
              other_ok = VisitLogFile(path, lines, limit, visitors[1], other, {}, kDefaultScanChunk,
                                      false);
            },
            [&] {
              own_ok = VisitLogFile(path, lines, limit, visitors[0], scanned, advance,
                                    kDefaultScanChunk, false);
            });
        return own_ok && other_ok;
      },
      [](const LogScanResult&) {});
}

}  // namespace korvan
