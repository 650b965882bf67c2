#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "data/measurement.h"
#include "export/export.h"

namespace korvan {

class UserDialogs;

// Data rows a sheet holds below its header row.
inline constexpr uint32_t kXlsxRowsPerSheet = 1048575;

// The export as a workbook: the same rows as WriteExport, column A the row's date-time as a
// number ("d.m.yyyy h:mm:ss", ".00" added with sub-seconds), then per chosen line its
// physical value as a number shown with the decimals of the text export's cell, empty where
// that cell is empty. Bold frozen header with an autofilter; rows beyond rows_per_sheet go on
// to "List 2", "List 3", … each with the header. Written in constant-memory mode straight
// into an AtomicWriter's file for path, the library's temporaries beside it by the program's
// rule and every write to them checked: a failure leaves no file and an old one as it was.
// Errors as ExportToFile reports them, with the file and the cause.
bool ExportXlsxToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                      const StampRange& range, UserDialogs& dialogs,
                      const ExportProgress& progress = {},
                      uint32_t rows_per_sheet = kXlsxRowsPerSheet);

// A value column of a workbook: its caption and the line whose cells' decimals it shows
// (none: whole numbers, for counts).
struct XlsxColumn {
  std::string caption;
  const MeasuredLine* decimals_of = nullptr;
};
// One row: its time and one value per column, NaN for an empty cell.
using XlsxRow =
    std::function<bool(uint32_t stamp, uint16_t milliseconds, std::span<const double> values)>;

// The workbook behind ExportXlsxToFile for any rows: fill hands its rows, in order, to the
// row function it gets and returns false to give up.
bool WriteXlsxFile(const std::string& path, bool subseconds, std::span<const XlsxColumn> columns,
                   const std::function<bool(const XlsxRow& row)>& fill, UserDialogs& dialogs,
                   uint32_t rows_per_sheet = kXlsxRowsPerSheet);

// The spreadsheet's date-time number of a stamp: days since 30.12.1899, the time as the
// fraction.
double SpreadsheetDateTime(uint32_t stamp, uint16_t milliseconds);

// True when path ends in ".xlsx" (any letter case).
bool IsXlsxPath(const std::string& path);

}  // namespace korvan
