#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/encodings.h"
#include "app/text.h"
#include "data/log_sample.h"
#include "data/log_scan.h"

namespace korvan {

class UserDialogs;
struct DataLocation;

// A range of PackedStamps; a sample belongs to it when start <= stamp <= end, whatever its
// milliseconds.
struct StampRange {
  uint32_t start = 0;
  uint32_t end = 0;
};

// One logged quantity of the loaded configuration, with what its raw values need.
struct MeasuredLine {
  std::string caption;          // "name - label", as the channel selectors list it (UTF-8)
  int32_t interval_number = 1;  // as stored; IntervalSeconds() clamps it into 1-4
  std::string type_text;        // the number type as configured ("F4"), for display (UTF-8)
  char type_letter = 0;         // 'A', 'F', 'S' (either case) or anything else: unsigned
  int size_digit = 0;           // second character of the type minus '0'
  double multiplier = 1.0;
  double minimum = 0.0;  // minimum not below maximum: the line has no range
  double maximum = 0.0;
  double offset = 0.0;
};

// The loaded measurement. Sample buffers are in time order after LoadMeasurement; readers
// that walk with the cursor (MergeRows) set it themselves, others hold a SampleCursor.
struct Measurement {
  uint32_t line_count = 0;  // 0-50
  std::array<MeasuredLine, kMaxLines> lines;
  std::array<double, 4> intervals{10.0, 10.0, 10.0, 10.0};  // seconds
  std::array<TBuf, kMaxLines> buffers;
  uint32_t earliest = kUnsetEarliest;
  uint32_t latest = kUnsetLatest;
  bool subseconds_present = false;
  std::string chart_title;  // the job name from CONFIG.INI; empty otherwise

  // True when any block was accepted (earliest and latest are set).
  bool HasTimeRange() const { return earliest != kUnsetEarliest && latest != kUnsetLatest; }
  // The interval of line i in seconds; interval numbers outside 1-4 are clamped into 1-4.
  double IntervalSeconds(uint32_t line) const;
  // Back to the state before a load: no lines, no samples, stamps unset.
  void Clear();
};

// The conversions are inline: the statistics, the export and the plot call them per sample.
inline constexpr double kNoValue = 1e38;
// True for an F line's "no value" raw words.
inline bool IsNoValue(const MeasuredLine& line, uint32_t raw) {
  return AsciiUpper(line.type_letter) == 'F' && (raw == 0x7FFFFFFF || raw == 0xFFFFFFFF);
}

// Physical value of a raw value: A decimal float, F IEEE single, S signed of the line's size,
// anything else unsigned; times the multiplier, plus the offset. An F value of 7FFFFFFF or
// FFFFFFFF means "no value": it gives kNoValue (the graph's stand-in) instead of the product.
inline double ConvertRawValue(const MeasuredLine& line, uint32_t raw) {
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

// Minimum not below maximum: everything is in range; otherwise minimum <= value <= maximum.
inline bool InValueRange(const MeasuredLine& line, double value) {
  if (!(line.minimum < line.maximum)) return true;
  return line.minimum <= value && value <= line.maximum;
}

// Puts the line's samples into time order: runs of samples (segments) start where time goes
// backwards or jumps by more than 5 x interval + 1 s; at most 65 536 segments, the last one
// taking all remaining samples; segments are stably sorted by their start time and written
// back in that order. The cursor is not meaningful afterwards.
void ReorderLineSamples(TBuf& buffer, double interval_seconds);
// The same with storage to reuse from line to line: when samples move, the line takes over
// the scratch's storage and the scratch gets the line's old one.
void ReorderLineSamples(TBuf& buffer, double interval_seconds, TBuf& scratch);
// Step 7 of a load: ReorderLineSamples for every line, skipping the lines that the scan saw
// in time order throughout (for them it could not change anything).
void OrderLines(Measurement& measurement, const LogScanResult& scan);

// Progress of a load in bytes of LOG.BIN (the main panel's bar). Any member may be empty.
struct LoadProgress {
  std::function<void(uint64_t total_bytes)> start;
  std::function<void(uint64_t bytes)> advance;  // bytes read since the last call
  std::function<void()> finish;
};

struct LoadResult {
  std::string folder;       // where every file of the load was read, once it was resolved
  std::string source;       // "CONFIG.INI" or "CONFIG.BIN"
  std::string chart_title;  // empty: no title
  bool has_range = false;   // any block accepted; then from/to are the preset range
  double range_from = 0.0;  // UnpackStamp(earliest, 0)
  double range_to = 0.0;    // UnpackStamp(latest, 0)
};

// Loads the measurement at the data location: configuration from CONFIG.INI when its
// Application/Name is "Korvan-A", else from CONFIG.BIN; scan of LOG.BIN with the time limit
// "today + 1 day, 00:00:00" (today: a date-time value, the caller's current date); time
// ordering; the preset range. The location is resolved into a folder once, and every file
// comes from that folder; a folder whose card preparation was interrupted is refused.
// Failures are told to the user through dialogs ("Soubor
// konfigurace nelze otevřít.", "Datový soubor nelze otevřít.") and give false; the
// measurement then holds what was loaded until then. Decimal numbers of CONFIG.INI are read
// with either separator.
bool LoadMeasurement(const DataLocation& location, UserDialogs& dialogs, double today,
                     const LoadProgress& progress, Measurement& measurement, LoadResult* result);

// The same load without keeping the samples: once the lines are read, visitors_of (may be
// empty) gives the visitors to which every accepted block goes in file order instead of into
// the buffers, which stay empty; no time ordering runs. Everything else (lines, stamps,
// SubsecondsPresent, result, failures) is as after LoadMeasurement. There may be one or two
// visitors; two get a pass each, side by side on two threads. A card of any size in a few
// MiB.
using VisitorsOf = std::function<std::vector<BlockVisitor*>(const Measurement&)>;
bool StreamMeasurement(const DataLocation& location, UserDialogs& dialogs, double today,
                       const VisitorsOf& visitors_of, const LoadProgress& progress,
                       Measurement& measurement, LoadResult* result);

}  // namespace korvan
