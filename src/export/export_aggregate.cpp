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

void AggregatePeriods(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                      uint32_t period_seconds, bool skip_empty, const PeriodSink& sink) {
  const int64_t period = std::max<uint32_t>(period_seconds, 1);
  const std::vector<PeriodFigures> empty(lines.size());
  // Hands on a period, after the empty ones since the one handed on before.
  bool ok = true;
  bool any = false;
  int64_t last = 0;
  const auto emit = [&](int64_t start, std::span<const PeriodFigures> figures) {
    if (any && !skip_empty) {
      for (int64_t gap = last + period; ok && gap < start; gap += period) {
        ok = sink(StampOfSeconds(gap), empty);
      }
    }
    if (ok) ok = sink(StampOfSeconds(start), figures);
    any = true;
    last = start;
    return ok;
  };
  const auto add = [&](std::span<PeriodFigures> figures, const MergedRow& row) {
    for (size_t j = 0; j < lines.size(); ++j) {
      if (!row.present[j]) continue;
      const MeasuredLine& line = measurement.lines[static_cast<size_t>(lines[j])];
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
  };
  // A clock set back leaves a line's samples out of time order, and the walk comes back to
  // periods it has passed: then every period is gathered whole before any is handed on.
  const bool ordered = std::all_of(lines.begin(), lines.end(), [&](int i) {
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
  std::map<int64_t, std::vector<PeriodFigures>> gathered;
  std::vector<PeriodFigures> figures(lines.size());
  bool open = false;
  int64_t current = 0;
  // The day's number is the costly part of a stamp's seconds: worked out once a day.
  uint32_t day_key = 0xFFFFFFFF;
  int64_t day_seconds = 0;
  MergeRows(measurement, lines, range, [&](const MergedRow& row) {
    if (StampDayKey(row.stamp) != day_key) {
      day_key = StampDayKey(row.stamp);
      day_seconds = StampDayNumber(row.stamp) * kSecondsPerDay;
    }
    const int64_t start = (day_seconds + StampSecondOfDay(row.stamp)) / period * period;
    if (!ordered) {
      add(gathered.try_emplace(start, lines.size()).first->second, row);
      return true;
    }
    if (!open || start != current) {
      if (open && !emit(current, figures)) return false;
      std::fill(figures.begin(), figures.end(), PeriodFigures{});
      open = true;
      current = start;
    }
    add(figures, row);
    return true;
  });
  if (!ordered) {
    for (const auto& [start, period_figures] : gathered) {
      if (!emit(start, period_figures)) return;
    }
  } else if (ok && open) {
    emit(current, figures);
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
