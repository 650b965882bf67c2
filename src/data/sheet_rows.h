#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "data/export.h"
#include "data/measurement.h"

namespace korvan {

// The rows of the table view: one MergeRows pass over all lines of a measurement records each
// row's time and, per line, which of its samples the row shows; texts are made when asked for.
// Costs 8 bytes per row and 4 per cell. The measurement must outlive it unchanged.
class SheetRows {
 public:
  // Position of the first line's read cursor, now and then during the pass, and its maximum.
  struct Progress {
    std::function<void(uint32_t maximum)> start;
    std::function<void(uint32_t position)> position;
    std::function<void()> finish;
  };

  explicit SheetRows(Measurement& measurement) : measurement_(measurement) {}

  // The rows of every line from range.start up to range.end (inclusive, whatever the
  // milliseconds). Moves the lines' read cursors.
  void Build(const StampRange& range, const Progress& progress = {});

  size_t RowCount() const { return times_.size(); }
  // What the rows hold beyond the measurement.
  size_t MemoryBytes() const {
    return times_.capacity() * sizeof(uint64_t) + cells_.capacity() * sizeof(uint32_t);
  }
  int LineCount() const { return lines_; }

  // Column 0 is the time, column i line i; out of range gives "".
  std::string HeaderText(int column) const;
  std::string TimeText(size_t row) const;
  std::string CellText(size_t row, int line) const;

  // Tab-separated text of rows first..last of the given line columns (0-based lines, in the
  // order given), the time first and a header row above, lines ended by "\n".
  std::string SelectionText(size_t first, size_t last, std::span<const int> lines) const;

 private:
  static constexpr uint32_t kNone = 0;

  Measurement& measurement_;
  int lines_ = 0;
  std::vector<uint64_t> times_;  // stamp << 16 | milliseconds
  std::vector<uint32_t> cells_;  // per row and line: the sample's index + 1, kNone for none
};

}  // namespace korvan
