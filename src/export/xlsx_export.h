#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "data/measurement.h"
#include "export/export.h"
#include "export/row_output.h"

namespace korvan {

class UserDialogs;

// Data rows a sheet holds below its header row.
inline constexpr uint32_t kXlsxRowsPerSheet = 1048575;

// The export as a workbook: the same rows as WriteExport, column A the row's date-time as a
// number ("d.m.yyyy h:mm:ss", ".00" added with sub-seconds), then per chosen line its
// physical value as a number shown with the decimals of the text export's cell, empty where
// that cell is empty. Bold frozen header with an autofilter; rows beyond rows_per_sheet go on
// to "List 2", "List 3", … each with the header (XlsxOutput). Written in constant-memory mode
// straight into an AtomicWriter's file for path, the library's temporaries beside it by the
// program's rule and every write to them checked: a failure leaves no file and an old one as it
// was. Errors as ExportToFile reports them, with the file and the cause.
bool ExportXlsxToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                      const StampRange& range, UserDialogs& dialogs,
                      const ExportProgress& progress = {},
                      uint32_t rows_per_sheet = kXlsxRowsPerSheet);

class AtomicWriter;

// The workbook as an output: column A the row's date-time as a number ("d.m.yyyy h:mm:ss",
// ".00" added with sub-seconds), then a number per column, shown with the decimals of the
// column's rule (counts as whole numbers), nothing where a value is empty or not finite; a
// line's own single-precision values as the shortest decimal of the float. Bold frozen header
// with an autofilter; rows beyond rows_per_sheet go on to "List 2", "List 3", … each with the
// header. Written in constant-memory mode by the library into a file that file adopts, the
// library's temporaries in spool_dir.
class XlsxOutput : public RowOutput {
 public:
  XlsxOutput(AtomicWriter& file, std::string spool_dir,
             uint32_t rows_per_sheet = kXlsxRowsPerSheet);
  ~XlsxOutput() override;
  XlsxOutput(const XlsxOutput&) = delete;
  XlsxOutput& operator=(const XlsxOutput&) = delete;

  bool Begin(bool subseconds, std::span<const OutputColumn> columns) override;
  bool Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) override;
  bool End() override;
  void Fail() override;
  int Error() const override { return error_; }

 private:
  struct Book;
  int Close();

  AtomicWriter& file_;
  std::string spool_dir_;
  uint32_t rows_per_sheet_;
  std::unique_ptr<Book> book_;
  int error_ = 0;
};

// The spreadsheet's date-time number of a stamp: days since 30.12.1899, the time as the
// fraction.
double SpreadsheetDateTime(uint32_t stamp, uint16_t milliseconds);

}  // namespace korvan
