#include "export/sheet_rows.h"

#include <algorithm>
#include <numeric>

namespace korvan {

namespace {

std::vector<int> AllLines(int lines) {
  std::vector<int> all(static_cast<size_t>(lines));
  std::iota(all.begin(), all.end(), 0);
  return all;
}

}  // namespace

void SheetRows::Build(const StampRange& range, const Progress& progress) {
  lines_ = static_cast<int>(std::min<uint32_t>(measurement_.line_count, kMaxLines));
  range_end_ = range.end;
  row_count_ = 0;
  positions_.clear();
  for (Block& block : blocks_) block.index = SIZE_MAX;
  const std::vector<int> all = AllLines(lines_);
  const TBuf* tracked = lines_ > 0 ? &measurement_.buffers[0] : nullptr;
  const uint32_t total = tracked ? tracked->count() : 0;
  if (progress.start) progress.start(total);
  // A step of 10 per row against a fifth-hundredth of the samples: the bar moves about every
  // n / 5000 rows.
  uint64_t step = 0;
  const uint64_t step_limit = total / 500;
  RowWalk walk(measurement_, all, range);
  std::vector<uint32_t> position(all.size());
  for (;;) {
    if (row_count_ % block_rows_ == 0) {
      walk.Position(position);
      if (!walk.Next()) break;
      positions_.insert(positions_.end(), position.begin(), position.end());
    } else if (!walk.Next()) {
      break;
    }
    ++row_count_;
    step += 10;
    if (step > step_limit) {
      step = 0;
      if (progress.position && tracked) progress.position(tracked->cursor());
    }
  }
  positions_.shrink_to_fit();
  if (progress.finish) progress.finish();
}

size_t SheetRows::MemoryBytes() const {
  size_t bytes = positions_.capacity() * sizeof(uint32_t);
  for (const Block& block : blocks_) {
    bytes += block.times.capacity() * sizeof(uint64_t) + block.raw.capacity() * sizeof(uint32_t) +
             block.present.capacity();
  }
  return bytes;
}

const SheetRows::Block& SheetRows::BlockOf(size_t row) const {
  const size_t index = row / block_rows_;
  if (blocks_[newer_].index == index) return blocks_[newer_];
  newer_ ^= 1;
  Block& block = blocks_[newer_];
  if (block.index == index) return block;
  block.index = SIZE_MAX;  // until it is whole: the walk may throw
  const std::vector<int> all = AllLines(lines_);
  const auto lines = static_cast<size_t>(lines_);
  RowWalk walk(measurement_, all, range_end_,
               std::span<const uint32_t>(positions_).subspan(index * lines, lines));
  const size_t rows = std::min<size_t>(block_rows_, row_count_ - index * block_rows_);
  block.times.resize(rows);
  block.raw.resize(rows * lines);
  block.present.resize(rows * lines);
  for (size_t r = 0; r < rows; ++r) {
    const MergedRow* merged = walk.Next();
    if (!merged) {
      // Only a measurement changed since the pass gets here; its rows are gone.
      block.times.resize(r);
      break;
    }
    block.times[r] = uint64_t{merged->stamp} << 16 | merged->milliseconds;
    std::copy(merged->raw.begin(), merged->raw.end(), block.raw.begin() + r * lines);
    std::copy(merged->present.begin(), merged->present.end(), block.present.begin() + r * lines);
  }
  block.index = index;
  return block;
}

std::string SheetRows::HeaderText(int column) const {
  if (column == 0) return "Datum, Čas";
  if (column < 1 || column > lines_) return "";
  return measurement_.lines[static_cast<size_t>(column - 1)].caption;
}

std::string SheetRows::TimeText(size_t row) const {
  if (row >= row_count_) return "";
  const Block& block = BlockOf(row);
  const size_t r = row % block_rows_;
  if (r >= block.times.size()) return "";
  const uint64_t time = block.times[r];
  return TableRowTimeText(static_cast<uint32_t>(time >> 16), static_cast<uint16_t>(time),
                          measurement_.subseconds_present);
}

std::string SheetRows::CellText(size_t row, int line) const {
  if (row >= row_count_ || line < 0 || line >= lines_) return "";
  const Block& block = BlockOf(row);
  const size_t r = row % block_rows_;
  if (r >= block.times.size()) return "";
  const size_t cell = r * static_cast<size_t>(lines_) + static_cast<size_t>(line);
  if (!block.present[cell]) return "";
  return ValueCellText(measurement_.lines[static_cast<size_t>(line)], block.raw[cell]);
}

std::string SheetRows::SelectionText(size_t first, size_t last, std::span<const int> lines) const {
  std::string out = HeaderText(0);
  for (int line : lines) out += '\t' + HeaderText(line + 1);
  out += '\n';
  for (size_t row = first; row <= last && row < row_count_; ++row) {
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
