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
#include "export/xlsx_export.h"

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

std::vector<int> ValidLines(const Measurement& measurement, std::span<const int> lines) {
  std::vector<int> chosen(lines.begin(), lines.end());
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::erase_if(chosen,
                [&](int i) { return i < 0 || static_cast<uint32_t>(i) >= measurement.line_count; });
  return chosen;
}

// Calls figure(value or NaN, is_count) for each column of a period, in caption order.
template <typename Figure>
void ForEachFigure(std::span<const PeriodFigures> figures, const AggregateOptions& options,
                   Figure figure) {
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  for (const PeriodFigures& f : figures) {
    const bool any = f.count > 0;
    if (options.mean) figure(any ? f.sum / static_cast<double>(f.count) : kNone, false);
    if (options.minimum) figure(any ? f.minimum : kNone, false);
    if (options.maximum) figure(any ? f.maximum : kNone, false);
    if (options.count) figure(static_cast<double>(f.count), true);
  }
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

std::vector<std::string> AggregateCaptions(const Measurement& measurement,
                                           std::span<const int> lines,
                                           const AggregateOptions& options) {
  std::vector<std::string> captions;
  for (int i : lines) {
    const std::string& caption = measurement.lines[static_cast<size_t>(i)].caption;
    if (options.mean) captions.push_back(caption + " – průměr");
    if (options.minimum) captions.push_back(caption + " – min");
    if (options.maximum) captions.push_back(caption + " – max");
    if (options.count) captions.push_back(caption + " – počet");
  }
  return captions;
}

bool WriteAggregatedExport(Measurement& measurement, std::span<const int> lines,
                           const StampRange& range, const AggregateOptions& options,
                           char decimal_separator, ExportSink& sink) {
  const std::vector<int> chosen = ValidLines(measurement, lines);
  std::string header = "Datum;Čas;";
  const std::vector<std::string> captions = AggregateCaptions(measurement, chosen, options);
  for (size_t j = 0; j < captions.size(); ++j) {
    if (j > 0) header += ';';
    header += captions[j];
  }
  header += "\r\n";
  std::string out = Utf8ToCp1250(header);
  std::vector<CellRule> rules;
  for (int i : chosen) rules.push_back(CellRuleOf(measurement.lines[static_cast<size_t>(i)]));
  constexpr size_t kFlushAt = 1 << 20;
  bool ok = true;
  AggregatePeriods(measurement, chosen, range, options.period_seconds, options.skip_empty,
                   [&](uint32_t stamp, std::span<const PeriodFigures> figures) {
                     AppendExportRowTime(stamp, 0, false, out);
                     size_t column = 0;
                     ForEachFigure(figures, options, [&](double value, bool is_count) {
                       if (column++ > 0) out.push_back(';');
                       if (std::isnan(value)) return;
                       if (is_count) {
                         out += std::to_string(static_cast<uint64_t>(value));
                         return;
                       }
                       const size_t line = (column - 1) / (captions.size() / chosen.size());
                       AppendRuleText(rules[line], value, decimal_separator, out);
                     });
                     out += "\r\n";
                     if (out.size() >= kFlushAt) {
                       ok = sink.Write(out.data(), out.size());
                       out.clear();
                     }
                     return ok;
                   });
  if (ok && !out.empty()) ok = sink.Write(out.data(), out.size());
  return ok;
}

bool ExportAggregatedToFile(const std::string& path, bool xlsx, Measurement& measurement,
                            std::span<const int> lines, const StampRange& range,
                            const AggregateOptions& options, char decimal_separator,
                            UserDialogs& dialogs) {
  const std::vector<int> chosen = ValidLines(measurement, lines);
  if (!xlsx) {
    return WriteExportFile(path, dialogs, [&](ExportSink& sink) {
      return WriteAggregatedExport(measurement, chosen, range, options, decimal_separator, sink);
    });
  }
  const std::vector<std::string> captions = AggregateCaptions(measurement, chosen, options);
  std::vector<XlsxColumn> columns;
  const size_t per_line = chosen.empty() ? 1 : captions.size() / chosen.size();
  for (size_t c = 0; c < captions.size(); ++c) {
    const bool is_count = options.count && c % per_line == per_line - 1;
    columns.push_back(
        {captions[c],
         is_count ? nullptr : &measurement.lines[static_cast<size_t>(chosen[c / per_line])]});
  }
  const auto fill = [&](const XlsxRow& write_row) {
    std::vector<double> values;
    bool ok = true;
    AggregatePeriods(measurement, chosen, range, options.period_seconds, options.skip_empty,
                     [&](uint32_t stamp, std::span<const PeriodFigures> figures) {
                       values.clear();
                       ForEachFigure(figures, options,
                                     [&](double value, bool) { values.push_back(value); });
                       return ok = write_row(stamp, 0, values);
                     });
    return ok;
  };
  return WriteXlsxFile(path, false, columns, fill, dialogs);
}

}  // namespace korvan
