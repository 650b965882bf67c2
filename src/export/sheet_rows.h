#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "data/measurement.h"
#include "export/export.h"

namespace korvan {

// The rows of the table view. One pass of the export's row walk over all lines counts the rows
// and keeps the walk's position every few thousand rows; a row asked for is walked again from
// the position before it, a block of rows at a time, and its texts are made then. A year of
// rows costs a few bytes per thousand rows. The measurement must outlive it unchanged.
class SheetRows {
 public:
  // Position of the first line's read cursor, now and then during the pass, and its maximum.
  struct Progress {
    std::function<void(uint32_t maximum)> start;
    std::function<void(uint32_t position)> position;
    std::function<void()> finish;
  };

  static constexpr uint32_t kBlockRows = 4096;

  // block_rows: rows between two kept positions (small ones for tests).
  explicit SheetRows(Measurement& measurement, uint32_t block_rows = kBlockRows)
      : measurement_(measurement), block_rows_(block_rows > 0 ? block_rows : 1) {}

  // The rows of every line from range.start up to range.end (inclusive, whatever the
  // milliseconds). Moves the lines' read cursors, and so does every row made later.
  void Build(const StampRange& range, const Progress& progress = {});

  size_t RowCount() const { return row_count_; }
  // What the rows hold beyond the measurement: the kept positions and the blocks in hand.
  size_t MemoryBytes() const;
  int LineCount() const { return lines_; }

  // Column 0 is the time, column i line i; out of range gives "".
  std::string HeaderText(int column) const;
  std::string TimeText(size_t row) const;
  std::string CellText(size_t row, int line) const;

  // Tab-separated text of rows first..last of the given line columns (0-based lines, in the
  // order given), the time first and a header row above, lines ended by "\n".
  std::string SelectionText(size_t first, size_t last, std::span<const int> lines) const;

 private:
  // The rows of one block, made from the position before it.
  struct Block {
    size_t index = SIZE_MAX;
    std::vector<uint64_t> times;   // stamp << 16 | milliseconds
    std::vector<uint32_t> raw;     // per row and line
    std::vector<uint8_t> present;  // per row and line
  };
  const Block& BlockOf(size_t row) const;

  Measurement& measurement_;
  const uint32_t block_rows_;
  int lines_ = 0;
  uint32_t range_end_ = 0;
  size_t row_count_ = 0;
  std::vector<uint32_t> positions_;  // per block, each line's position before its first row
  // A page that straddles two blocks keeps both in hand; the older one is made again.
  mutable Block blocks_[2];
  mutable size_t newer_ = 0;
};

}  // namespace korvan
