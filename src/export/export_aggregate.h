#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/measurement.h"
#include "export/export.h"
#include "export/periods.h"
#include "export/row_output.h"

namespace korvan {

class UserDialogs;
enum class ExportFormat;

// What an aggregated export writes: one row per period of local time, per chosen line the
// chosen figures.
struct AggregateOptions {
  uint32_t period_seconds = 0;  // the seconds of one of kPeriods
  bool mean = true;
  bool minimum = true;
  bool maximum = true;
  bool count = false;
  bool skip_empty = false;  // periods without a sample: left out rather than an empty row
};

// A comma list of "mean", "min", "max" (at least one); false for anything else.
bool ParseStatList(std::string_view text, AggregateOptions& options);

// The figures of one line over one period: the values that count as the statistics count
// them (not out of range, not a no-value word, finite).
struct PeriodFigures {
  uint64_t count = 0;
  double sum = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
};
// Gets the stamp of the period's first second and the figures in the order of lines; false
// stops the walk.
using PeriodSink =
    std::function<bool(uint32_t period_stamp, std::span<const PeriodFigures> figures)>;

// One MergeRows pass over the lines in the range. Periods start on whole multiples of
// period_seconds since midnight (local time, as the stamps hold it); every period from the
// first sample's to the last sample's is handed on, those without any sample only when
// skip_empty is not set. Moves the lines' cursors.
void AggregatePeriods(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                      uint32_t period_seconds, bool skip_empty, const PeriodSink& sink);

// The periods' rows on output: the time of the period's start, then per chosen line (each once,
// in line order) the chosen figures, captioned "caption – průměr", " – min", " – max",
// " – počet"; a figure a period has no value for is empty. Begin to End on output, or Fail.
bool WritePeriodRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                     const AggregateOptions& options, RowOutput& output);

// The aggregated export as text, laid out as WriteExport lays out its rows (time of the
// period's start, a cell per figure, empty where a period has no value of the line).
bool WriteAggregatedExport(Measurement& measurement, std::span<const int> lines,
                           const StampRange& range, const AggregateOptions& options,
                           char decimal_separator, ExportSink& sink);

// To a file in the format; errors as ExportToFile reports them.
bool ExportAggregatedToFile(const std::string& path, ExportFormat format, Measurement& measurement,
                            std::span<const int> lines, const StampRange& range,
                            const AggregateOptions& options, char decimal_separator,
                            UserDialogs& dialogs);

}  // namespace korvan
