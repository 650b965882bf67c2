#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/row_output.h"

namespace korvan {

// The text export: header "Datum;Čas;captions", a line per row (" 5.03.2006;08:07:06;" and a
// cell per column), CR LF, Windows-1250, "." of a cell replaced by decimal_separator. A
// measurement's rows are formatted in chunks, on a second thread as threads tells.
class CsvOutput : public RowOutput {
 public:
  CsvOutput(ExportSink& sink, char decimal_separator, const ExportThreads& threads = {});

  bool Begin(bool subseconds, std::span<const OutputColumn> columns) override;
  bool Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) override;
  bool TakeRows(SampleRows& rows) override;
  bool End() override;

 private:
  bool Flush();

  ExportSink& sink_;
  char point_;
  ExportThreads threads_;
  bool subseconds_ = false;
  std::vector<OutputColumn> columns_;
  std::string pending_;  // rows from Row not yet written
};

}  // namespace korvan
