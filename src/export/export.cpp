#include "export/export.h"

#include <algorithm>
#include <string>
#include <vector>

#include "export/cell_text.h"
#include "export/csv_output.h"
#include "export/export_format.h"
#include "export/row_merger.h"

namespace korvan {

void MergeRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
               const RowSink& sink) {
  RowMerger merger(measurement, lines, range);
  while (const MergedRow* row = merger.Next()) {
    if (!sink(*row)) return;
  }
}

RowWalk::RowWalk(Measurement& measurement, std::span<const int> lines, const StampRange& range)
    : merger_(std::make_unique<RowMerger>(measurement, lines, range)) {}

RowWalk::RowWalk(Measurement& measurement, std::span<const int> lines, uint32_t range_end,
                 std::span<const uint32_t> position)
    : merger_(std::make_unique<RowMerger>(measurement, lines, range_end, position)) {}

RowWalk::~RowWalk() = default;

const MergedRow* RowWalk::Next() { return merger_->Next(); }

void RowWalk::Position(std::span<uint32_t> out) const { merger_->Position(out); }

void AppendValueCellText(const MeasuredLine& line, uint32_t raw, std::string& out) {
  AppendCellText(line, CellRuleOf(line), raw, '.', out);
}

void AppendPhysicalValueText(const MeasuredLine& line, double value, std::string& out) {
  AppendRuleText(CellRuleOf(line), value, '.', out);
}

std::string ValueCellText(const MeasuredLine& line, uint32_t raw) {
  std::string text;
  AppendValueCellText(line, raw, text);
  return text;
}

std::string ExportDoneText(const std::string& path, std::optional<uint64_t> rows) {
  std::string text = "Export uložen do " + path;
  if (rows) {
    const uint64_t n = *rows;
    const char* noun = "řádků";
    if (n == 1) {
      noun = "řádek";
    } else if (n >= 2 && n <= 4) {
      noun = "řádky";
    }
    text += " (" + std::to_string(n) + " " + noun + ")";
  }
  return text + ".";
}

bool WriteExport(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                 char decimal_separator, ExportSink& sink, const ExportProgress& progress,
                 const ExportThreads& threads) {
  CsvOutput output(sink, decimal_separator, threads);
  return WriteSampleRows(measurement, lines, range, output, progress);
}

bool ExportToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                  const StampRange& range, char decimal_separator, UserDialogs& dialogs,
                  const ExportProgress& progress) {
  ExportRequest request{lines, range, {}, progress};
  return ExportRowsToFile(path, ExportFormat::kCsv, {decimal_separator}, measurement, request,
                          dialogs);
}

std::string ExportFailureText(const char* text, const std::string& path,
                              const std::string& reason) {
  return std::string(text) + "\n" + path + ": " + reason + ".";
}

}  // namespace korvan
