#include "data/sheet_rows.h"

#include <algorithm>
#include <numeric>

namespace korvan {

void SheetRows::Build(const StampRange& range, const Progress& progress) {
  Measurement& measurement = measurement_;
  lines_ = static_cast<int>(std::min<uint32_t>(measurement.line_count, kMaxLines));
  times_.clear();
  cells_.clear();
  std::vector<int> all(static_cast<size_t>(lines_));
  std::iota(all.begin(), all.end(), 0);
  // Every sample MergeRows reads is handed on in exactly one row, in buffer order, so a
  // line's n-th sample in the rows is the n-th from its first one not before the start.
  std::vector<uint32_t> next(all.size());
  for (size_t j = 0; j < all.size(); ++j) {
    const TBuf& buffer = measurement.buffers[j];
    uint32_t first = 0;
    while (first < buffer.count() && buffer[first].stamp < range.start) ++first;
    next[j] = first;
  }
  const TBuf* tracked = lines_ > 0 ? &measurement.buffers[0] : nullptr;
  const uint32_t total = tracked ? tracked->count() : 0;
  if (progress.start) progress.start(total);
  // A step of 10 per row against a fifth-hundredth of the samples: the bar moves about every
  // n / 5000 rows.
  uint64_t step = 0;
  const uint64_t step_limit = total / 500;
  MergeRows(measurement, all, range, [&](const MergedRow& row) {
    times_.push_back(uint64_t{row.stamp} << 16 | row.milliseconds);
    for (size_t j = 0; j < all.size(); ++j) {
      cells_.push_back(row.present[j] ? ++next[j] : kNone);
    }
    step += 10;
    if (step > step_limit) {
      step = 0;
      if (progress.position && tracked) progress.position(tracked->cursor());
    }
    return true;
  });
  times_.shrink_to_fit();
  cells_.shrink_to_fit();
  if (progress.finish) progress.finish();
}

std::string SheetRows::HeaderText(int column) const {
  if (column == 0) return "Datum, Čas";
  if (column < 1 || column > lines_) return "";
  return measurement_.lines[static_cast<size_t>(column - 1)].caption;
}

std::string SheetRows::TimeText(size_t row) const {
  if (row >= times_.size()) return "";
  const uint64_t time = times_[row];
  return TableRowTimeText(static_cast<uint32_t>(time >> 16), static_cast<uint16_t>(time),
                          measurement_.subseconds_present);
}

std::string SheetRows::CellText(size_t row, int line) const {
  if (row >= times_.size() || line < 0 || line >= lines_) return "";
  const uint32_t cell = cells_[row * static_cast<size_t>(lines_) + static_cast<size_t>(line)];
  if (cell == kNone) return "";
  const TBuf& buffer = measurement_.buffers[static_cast<size_t>(line)];
  if (cell > buffer.count()) return "";
  return ValueCellText(measurement_.lines[static_cast<size_t>(line)], buffer[cell - 1].raw);
}

std::string SheetRows::SelectionText(size_t first, size_t last, std::span<const int> lines) const {
  std::string out = HeaderText(0);
  for (int line : lines) out += '\t' + HeaderText(line + 1);
  out += '\n';
  for (size_t row = first; row <= last && row < times_.size(); ++row) {
    out += TimeText(row);
    for (int line : lines) {
      out += '\t';
      out += CellText(row, line);
    }
    out += '\n';
  }
  return out;
}

}  // namespace korvan
