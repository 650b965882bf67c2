#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "data/measurement.h"
#include "export/export.h"
#include "export/export_aggregate.h"
#include "export/row_output.h"
#include "export/xlsx_export.h"

namespace korvan {

class UserDialogs;

enum class ExportFormat { kCsv, kXlsx };

// A format a file can be exported in; the first is the one a name without a known ending gets.
struct ExportFormatInfo {
  ExportFormat format;
  const char* name;       // for --format
  const char* extension;  // with the dot
  const char* filter;     // the save dialog's entry: "text *.ext|*.ext"
  bool streams;           // can be written to a pipe (standard output)
};
std::span<const ExportFormatInfo> ExportFormats();
const ExportFormatInfo& ExportFormatOf(ExportFormat format);

// The format of a file by the ending of its name, any letter case.
ExportFormat ExportFormatOfPath(const std::string& path);
// The format called name, or none.
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);
// The formats' names for a message: "csv nebo xlsx".
std::string ExportFormatNames();
// The save dialog's filter: every format's entry.
std::string ExportSaveFilter();

// How a format lays its rows out besides the rows themselves.
struct OutputSettings {
  char decimal_separator = '.';
  ExportThreads threads;
  uint32_t rows_per_sheet = kXlsxRowsPerSheet;
};

// What is exported: the measurement's rows, or one row per period when aggregate has a period.
struct ExportRequest {
  std::span<const int> lines;
  StampRange range;
  AggregateOptions aggregate;  // no period: the rows themselves
  ExportProgress progress;     // the measurement's rows only
};
bool WriteRows(Measurement& measurement, const ExportRequest& request, RowOutput& output);

// The output of a format that streams (ExportFormatInfo::streams) into sink; null for another.
std::unique_ptr<RowOutput> StreamOutput(ExportFormat format, ExportSink& sink,
                                        const OutputSettings& settings);

// A file of any format: written by rows (which goes from Begin to End on the output, or fails)
// under a temporary name beside path and given its name when complete. A file that cannot be
// created gives "Soubor exportu nelze vytvořit!", any later failure "Chyba při zápisu souboru
// exportu!", both with the file and the cause through dialogs.ShowError, and false; the
// incomplete file is removed and an old one left as it was.
bool WriteOutputFile(const std::string& path, ExportFormat format, const OutputSettings& settings,
                     UserDialogs& dialogs, const std::function<bool(RowOutput& output)>& rows);

// WriteRows into a file.
bool ExportRowsToFile(const std::string& path, ExportFormat format, const OutputSettings& settings,
                      Measurement& measurement, const ExportRequest& request, UserDialogs& dialogs);

}  // namespace korvan
