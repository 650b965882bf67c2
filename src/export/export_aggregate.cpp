#include "export/export_aggregate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "app/cp1250.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "app/user_dialogs.h"
#include "export/cell_text.h"
#include "export/csv_output.h"
#include "export/export_format.h"
#include "export/row_output.h"

namespace korvan {

namespace {

// The stamp of a period's start, seconds since 1.1.1970 in the stamps' local time.
uint32_t StampOfSeconds(int64_t seconds) {
  const int64_t days = seconds / kSecondsPerDay;
  const auto second = static_cast<int>(seconds % kSecondsPerDay);
  const DateParts date = DecodeDate(static_cast<double>(days) + 25569.0);
  return PackStampFields(date.year, date.month, date.day, second / 3600, second / 60 % 60,
                         second % 60);
}

// Calls figure(value or NaN) for each column of a period, in the order of PeriodColumns.
template <typename Figure>
void ForEachFigure(std::span<const PeriodFigures> figures, const AggregateOptions& options,
                   Figure figure) {
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  for (const PeriodFigures& f : figures) {
    const bool any = f.count > 0;
    if (options.mean) figure(any ? f.sum / static_cast<double>(f.count) : kNone);
    if (options.minimum) figure(any ? f.minimum : kNone);
    if (options.maximum) figure(any ? f.maximum : kNone);
    if (options.count) figure(static_cast<double>(f.count));
  }
}

// The figure columns: "caption – průměr", " – min", " – max", " – počet" per line, in this
// order, each shown with its line's decimals (the count as a whole number).
std::vector<OutputColumn> PeriodColumns(const Measurement& measurement, std::span<const int> lines,
                                        const AggregateOptions& options) {
  std::vector<OutputColumn> columns;
  for (int i : lines) {
    const MeasuredLine& line = measurement.lines[static_cast<size_t>(i)];
    const CellRule rule = CellRuleOf(line);
    if (options.mean) columns.push_back({line.caption + " – průměr", rule});
    if (options.minimum) columns.push_back({line.caption + " – min", rule});
    if (options.maximum) columns.push_back({line.caption + " – max", rule});
    if (options.count) columns.push_back({line.caption + " – počet", rule, true});
  }
  return columns;
}

}  // namespace

bool ParseStatList(std::string_view text, AggregateOptions& options) {
  AggregateOptions chosen = options;
  chosen.mean = chosen.minimum = chosen.maximum = false;
  while (true) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    if (item == "mean")
      chosen.mean = true;
    else if (item == "min")
      chosen.minimum = true;
    else if (item == "max")
      chosen.maximum = true;
    else
      return false;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  options = chosen;
  return true;
}

namespace {

// Whether every line's stamps only go forward.
bool StampsInOrder(const Measurement& measurement, std::span<const int> lines) {
  return std::all_of(lines.begin(), lines.end(), [&](int i) {
    const TBuf& buffer = measurement.buffers[static_cast<size_t>(i)];
    SampleCursor cursor;
    LogSample sample;
    uint32_t previous = 0;
    while (buffer.Next(cursor, sample)) {
      if (sample.stamp < previous) return false;
      previous = sample.stamp;
    }
    return true;
  });
}

// The rows of the walk gathered into periods and handed on: as they come when the rows are in
// time order, otherwise all gathered first.
class PeriodGatherer {
 public:
  PeriodGatherer(const Measurement& measurement, std::span<const int> lines,
                 uint32_t period_seconds, bool skip_empty, const PeriodSink& sink)
      : measurement_(measurement),
        lines_(lines),
        period_(std::max<uint32_t>(period_seconds, 1)),
        skip_empty_(skip_empty),
        sink_(sink),
        empty_(lines.size()),
        figures_(lines.size()) {}

  // A row in time order; false once the sink has stopped the walk.
  bool TakeInOrder(const MergedRow& row) {
    const int64_t start = PeriodStart(row.stamp);
    if (!open_ || start != current_) {
      if (open_ && !Emit(current_, figures_)) return false;
      std::fill(figures_.begin(), figures_.end(), PeriodFigures{});
      open_ = true;
      current_ = start;
    }
    Add(figures_, row);
    return true;
  }
  void EndInOrder() {
    if (ok_ && open_) Emit(current_, figures_);
  }

  // A row in any order, into its period's figures.
  void Gather(const MergedRow& row) {
    Add(gathered_.try_emplace(PeriodStart(row.stamp), lines_.size()).first->second, row);
  }
  void EmitGathered() {
    for (const auto& [start, figures] : gathered_) {
      if (!Emit(start, figures)) return;
    }
  }

 private:
  // The seconds of the row's period's start. The day's number is the costly part of a stamp's
  // seconds: worked out once a day.
  int64_t PeriodStart(uint32_t stamp) {
    if (StampDayKey(stamp) != day_key_) {
      day_key_ = StampDayKey(stamp);
      day_seconds_ = StampDayNumber(stamp) * kSecondsPerDay;
    }
    return (day_seconds_ + StampSecondOfDay(stamp)) / period_ * period_;
  }

  // The row's values that the statistics count into the figures of their lines.
  void Add(std::span<PeriodFigures> figures, const MergedRow& row) const {
    for (size_t j = 0; j < lines_.size(); ++j) {
      if (!row.present[j]) continue;
      const MeasuredLine& line = measurement_.lines[static_cast<size_t>(lines_[j])];
      if (IsNoValue(line, row.raw[j])) continue;
      const double value = ConvertRawValue(line, row.raw[j]);
      if (!InValueRange(line, value) || !std::isfinite(value)) continue;
      PeriodFigures& f = figures[j];
      if (f.count == 0) {
        f.minimum = f.maximum = value;
      } else {
        f.minimum = std::min(f.minimum, value);
        f.maximum = std::max(f.maximum, value);
      }
      f.sum += value;
      ++f.count;
    }
  }

  // Hands on a period, after the empty ones since the one handed on before.
  bool Emit(int64_t start, std::span<const PeriodFigures> figures) {
    if (any_ && !skip_empty_) {
      for (int64_t gap = last_ + period_; ok_ && gap < start; gap += period_) {
        ok_ = sink_(StampOfSeconds(gap), empty_);
      }
    }
    if (ok_) ok_ = sink_(StampOfSeconds(start), figures);
    any_ = true;
    last_ = start;
    return ok_;
  }

  const Measurement& measurement_;
  std::span<const int> lines_;
  const int64_t period_;
  const bool skip_empty_;
  const PeriodSink& sink_;
  const std::vector<PeriodFigures> empty_;
  bool ok_ = true;
  bool any_ = false;   // a period was handed on
  int64_t last_ = 0;   // the start of the one handed on last
  bool open_ = false;  // figures_ gather the period current_
  int64_t current_ = 0;
  std::vector<PeriodFigures> figures_;
  std::map<int64_t, std::vector<PeriodFigures>> gathered_;
  uint32_t day_key_ = 0xFFFFFFFF;
  int64_t day_seconds_ = 0;
};

}  // namespace

void AggregatePeriods(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                      uint32_t period_seconds, bool skip_empty, const PeriodSink& sink) {
  PeriodGatherer periods(measurement, lines, period_seconds, skip_empty, sink);
  // A clock set back leaves a line's samples out of time order, and the walk comes back to
  // periods it has passed: then every period is gathered whole before any is handed on.
  if (StampsInOrder(measurement, lines)) {
    MergeRows(measurement, lines, range,
              [&](const MergedRow& row) { return periods.TakeInOrder(row); });
    periods.EndInOrder();
  } else {
    MergeRows(measurement, lines, range, [&](const MergedRow& row) {
      periods.Gather(row);
      return true;
    });
    periods.EmitGathered();
  }
}

bool WritePeriodRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                     const AggregateOptions& options, RowOutput& output) {
  const std::vector<int> chosen = ChosenLines(measurement, lines);
  bool ok = output.Begin(false, PeriodColumns(measurement, chosen, options));
  if (ok) {
    std::vector<double> values;
    AggregatePeriods(measurement, chosen, range, options.period_seconds, options.skip_empty,
                     [&](uint32_t stamp, std::span<const PeriodFigures> figures) {
                       values.clear();
                       ForEachFigure(figures, options, [&](double v) { values.push_back(v); });
                       return ok = output.Row(stamp, 0, values);
                     });
  }
  if (ok) ok = output.End();
  if (!ok) output.Fail();
  return ok;
}

bool WriteAggregatedExport(Measurement& measurement, std::span<const int> lines,
                           const StampRange& range, const AggregateOptions& options,
                           char decimal_separator, ExportSink& sink) {
  CsvOutput output(sink, decimal_separator);
  return WritePeriodRows(measurement, lines, range, options, output);
}

bool ExportAggregatedToFile(const std::string& path, ExportFormat format, Measurement& measurement,
                            std::span<const int> lines, const StampRange& range,
                            const AggregateOptions& options, char decimal_separator,
                            UserDialogs& dialogs) {
  ExportRequest request{lines, range, options, {}};
  return ExportRowsToFile(path, format, {decimal_separator}, measurement, request, dialogs);
}

}  // namespace korvan
