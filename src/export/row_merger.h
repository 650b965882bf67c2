#pragma once

// The row walk behind MergeRows, RowWalk and the outputs' drivers: inline, since the text
// export calls it once a row.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "data/measurement.h"
#include "export/export.h"

namespace korvan {
// Each line's first sample at or after start.
inline std::vector<uint32_t> StartPositions(const Measurement& measurement,
                                            std::span<const int> lines, uint32_t start) {
  std::vector<uint32_t> positions(lines.size(), 0);
  for (size_t j = 0; j < lines.size(); ++j) {
    const TBuf& buffer = measurement.buffers[static_cast<size_t>(lines[j])];
    SampleCursor cursor;
    LogSample sample;
    uint32_t& position = positions[j];
    while (buffer.Next(cursor, sample) && sample.stamp < start) ++position;
  }
  return positions;
}

// MergeRows as a walk that hands out one row at a time, so that the export can stop after a
// chunk of rows and go on later. On cache lines of its own: the walking thread writes it every
// row while the other formats.
class alignas(64) RowMerger {
 public:
  RowMerger(Measurement& measurement, std::span<const int> lines, const StampRange& range)
      : RowMerger(measurement, lines, range.end, StartPositions(measurement, lines, range.start)) {}

  // A line's waiting sample is the one at its position, so a position is all of the state.
  RowMerger(Measurement& measurement, std::span<const int> lines, uint32_t end,
            std::span<const uint32_t> position)
      : end_(end),
        subseconds_(measurement.subseconds_present),
        lines_(lines.size()),
        present_(lines.size(), 0),
        raw_(lines.size(), 0) {
    for (size_t j = 0; j < lines.size(); ++j) {
      TBuf& buffer = measurement.buffers[static_cast<size_t>(lines[j])];
      lines_[j].buffer = &buffer;
      buffer.set_cursor(std::min(position[j], buffer.count()));
    }
  }

  void Position(std::span<uint32_t> out) const {
    for (size_t j = 0; j < lines_.size(); ++j) {
      out[j] = lines_[j].buffer->cursor() - (lines_[j].waiting == kNone ? 0 : 1);
    }
  }

  // The next row, or null when the walk has ended.
  const MergedRow* Next() {
    uint64_t least = kNone;
    for (size_t j = 0; j < lines_.size(); ++j) {
      Line& line = lines_[j];
      if (line.waiting == kNone && line.active) {
        LogSample sample;
        if (line.buffer->ReadNext(sample)) {
          line.waiting = uint64_t{sample.stamp} << 16 | (subseconds_ ? sample.milliseconds : 0);
          raw_[j] = sample.raw;
        } else {
          line.active = false;
        }
      }
      least = std::min(least, line.waiting);
    }
    if (least == kNone || least >> 16 > end_) return nullptr;
    for (size_t j = 0; j < lines_.size(); ++j) {
      present_[j] = lines_[j].waiting == least;
      if (present_[j]) lines_[j].waiting = kNone;
    }
    row_ =
        MergedRow{static_cast<uint32_t>(least >> 16), static_cast<uint16_t>(least), present_, raw_};
    return &row_;
  }

 private:
  // A waiting sample's time as one number, stamp above milliseconds, so that the least time
  // (stamp first, then milliseconds) is the least number; kNone is no waiting sample.
  static constexpr uint64_t kNone = ~uint64_t{0};
  struct Line {
    TBuf* buffer = nullptr;
    uint64_t waiting = kNone;
    bool active = true;
  };

  uint32_t end_;
  bool subseconds_;
  std::vector<Line> lines_;
  std::vector<uint8_t> present_;
  std::vector<uint32_t> raw_;
  MergedRow row_;
};

}  // namespace korvan
