#include "export/row_output.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/text.h"
#include "export/row_merger.h"

namespace korvan {

std::vector<int> ChosenLines(const Measurement& measurement, std::span<const int> lines) {
  std::vector<int> chosen(lines.begin(), lines.end());
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::erase_if(chosen,
                [&](int i) { return i < 0 || static_cast<uint32_t>(i) >= measurement.line_count; });
  return chosen;
}

std::vector<OutputColumn> SampleColumns(const Measurement& measurement,
                                        std::span<const int> chosen) {
  std::vector<OutputColumn> columns;
  for (int i : chosen) {
    const MeasuredLine& line = measurement.lines[static_cast<size_t>(i)];
    const char type = AsciiUpper(line.type_letter);
    columns.push_back({line.caption, CellRuleOf(line), false, type == 'A' || type == 'F'});
  }
  return columns;
}

SampleRows::SampleRows(Measurement& measurement, std::span<const int> chosen,
                       const StampRange& range, const ExportProgress& progress)
    : merger_(std::make_unique<RowMerger>(measurement, chosen, range)),
      // The bar follows the first chosen line, whose cursor is the one that moves.
      step_(chosen.empty() ? nullptr : &measurement.buffers[static_cast<size_t>(chosen[0])],
            static_cast<bool>(progress.position)),
      progress_(progress) {
  for (int i : chosen) {
    lines_.push_back(&measurement.lines[static_cast<size_t>(i)]);
    longest_ = std::max(longest_, measurement.buffers[static_cast<size_t>(i)].count());
  }
}

SampleRows::~SampleRows() = default;

void SampleRows::Values(const MergedRow& row, std::span<double> out) const {
  for (size_t j = 0; j < lines_.size() && j < out.size(); ++j) {
    out[j] = std::numeric_limits<double>::quiet_NaN();
    if (!row.present[j] || IsNoValue(*lines_[j], row.raw[j])) continue;
    const double value = ConvertRawValue(*lines_[j], row.raw[j]);
    if (InValueRange(*lines_[j], value)) out[j] = value;
  }
}

bool RowOutput::TakeRows(SampleRows& rows) {
  std::vector<double> values(rows.lines().size());
  while (const MergedRow* row = rows.merger().Next()) {
    rows.Values(*row, values);
    const bool ok = Row(row->stamp, row->milliseconds, values);
    if (ok) rows.Wrote(1);
    if (const uint32_t position = rows.step().Due()) rows.Report(position);
    if (!ok) return false;
  }
  return true;
}

bool WriteSampleRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                     RowOutput& output, const ExportProgress& progress) {
  const std::vector<int> chosen = ChosenLines(measurement, lines);
  const TBuf* first =
      chosen.empty() ? nullptr : &measurement.buffers[static_cast<size_t>(chosen[0])];
  if (progress.start) progress.start(first ? first->count() : 0);
  bool ok = output.Begin(measurement.subseconds_present, SampleColumns(measurement, chosen));
  if (ok) {
    SampleRows rows(measurement, chosen, range, progress);
    ok = output.TakeRows(rows);
    if (ok && progress.rows) progress.rows(rows.written());
  }
  if (progress.finish) progress.finish();
  if (ok) ok = output.End();
  if (!ok) output.Fail();
  return ok;
}

}  // namespace korvan
