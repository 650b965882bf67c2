#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/measurement.h"
#include "export/cell_text.h"
#include "export/export.h"

namespace korvan {

// A value column of an output: its caption and how its values are shown.
struct OutputColumn {
  std::string caption;  // UTF-8
  CellRule rule;        // the decimals of the line the values come from
  bool count = false;   // whole numbers: a period's count of values
  bool single = false;  // a line's own A or F samples, single precision
};

class SampleRows;

// One format of what leaves the program as rows (the text, the workbook). The drivers
// (WriteSampleRows, WritePeriodRows) choose the lines and the range, give each column its
// rule and report the progress; a format only lays the rows out. Begin, the rows, then End;
// Fail instead of End once anything has failed.
class RowOutput {
 public:
  virtual ~RowOutput() = default;
  // The header: a time column (with hundredths when subseconds), then the columns.
  virtual bool Begin(bool subseconds, std::span<const OutputColumn> columns) = 0;
  // One row: its time and a value per column, NaN for an empty cell. False stops the rows.
  virtual bool Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) = 0;
  // A measurement's rows whole. The default hands them to Row one at a time; a format that
  // makes its cells faster straight from the samples (the text, on two threads) overrides it.
  virtual bool TakeRows(SampleRows& rows);
  // Everything is written; false when that failed.
  virtual bool End() = 0;
  // Gives up what is written so far.
  virtual void Fail() {}
  // The system's error number of the format's own failure, 0 when it has none to tell.
  virtual int Error() const { return 0; }
};

// The chosen lines the way every output takes them: each once, in line order, and only
// lines the measurement has.
std::vector<int> ChosenLines(const Measurement& measurement, std::span<const int> lines);

// Where the progress bar moves: every 256 samples of the first chosen line, whose cursor the
// row walk moves.
class ProgressStep {
 public:
  ProgressStep(const TBuf* tracked, bool wanted) : tracked_(wanted ? tracked : nullptr) {}
  // The position to report after a row, or 0 when none is due.
  uint32_t Due() {
    if (tracked_ == nullptr) return 0;
    const uint32_t cursor = tracked_->cursor();
    if (cursor % 256 != 0 || cursor == reported_) return 0;
    reported_ = cursor;
    return cursor;
  }

 private:
  const TBuf* tracked_;
  uint32_t reported_ = 0;
};

// A measurement's rows over the chosen lines, as WriteSampleRows hands them to an output.
class SampleRows {
 public:
  SampleRows(Measurement& measurement, std::span<const int> chosen, const StampRange& range,
             const ExportProgress& progress);
  ~SampleRows();
  SampleRows(const SampleRows&) = delete;
  SampleRows& operator=(const SampleRows&) = delete;

  // The chosen lines, in the order of the columns.
  std::span<const MeasuredLine* const> lines() const { return lines_; }
  // Samples of the longest chosen line: the rows are at least as many.
  uint32_t longest() const { return longest_; }
  RowMerger& merger() { return *merger_; }
  ProgressStep& step() { return step_; }
  void Report(uint32_t position) const { progress_.position(position); }
  // Rows the output has written, for the progress's count.
  void Wrote(uint64_t rows) { written_ += rows; }
  uint64_t written() const { return written_; }
  // The cell values of a row, NaN where the row has no sample of a line or its cell is empty.
  void Values(const MergedRow& row, std::span<double> out) const;

 private:
  std::vector<const MeasuredLine*> lines_;
  uint32_t longest_ = 0;
  std::unique_ptr<RowMerger> merger_;
  ProgressStep step_;
  const ExportProgress& progress_;
  uint64_t written_ = 0;
};

// The export rows of a measurement: one per distinct sample time over the range, a column per
// chosen line. Progress: start, every 256 samples of the first chosen line, the rows written,
// finish. Begin to End on output, or Fail.
bool WriteSampleRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                     RowOutput& output, const ExportProgress& progress = {});

// The columns of the sample rows of the chosen lines.
std::vector<OutputColumn> SampleColumns(const Measurement& measurement,
                                        std::span<const int> chosen);

}  // namespace korvan
