#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/measurement.h"

namespace korvan {

class UserDialogs;

// The time range chosen with the graph window's "Od"/"Do" pickers, as date-time values
// (date plus time of day). Second resolution: the milliseconds are dropped.
struct ExportRange {
  double from = 0.0;
  double to = 0.0;
};

// One row of MergeRows: a distinct (stamp, milliseconds) and, for each taking-part line in
// the order given to MergeRows, whether it has a sample at exactly that time and its raw value.
struct MergedRow {
  uint32_t stamp = 0;
  uint16_t milliseconds = 0;
  std::span<const uint8_t> present;  // 1 when raw[k] belongs to this row
  std::span<const uint32_t> raw;
};
// Return false to stop the walk early.
using RowSink = std::function<bool(const MergedRow& row)>;

// Walks the buffers of the given lines (indices 0-based, each below line_count) through their
// cursors, from the first sample not earlier than range.start, and hands one row per distinct
// time to sink until the least waiting stamp is later than range.end. Milliseconds count only
// when the measurement has sub-seconds. Moves the lines' cursors.
void MergeRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
               const RowSink& sink);

class RowMerger;

// MergeRows a row at a time, with a position to come back to: a walk resumed at a position
// gives the same rows as the walk that reported it did from there on. The buffers must stay
// as they are in between. Moves the lines' cursors, as MergeRows does.
class RowWalk {
 public:
  RowWalk(Measurement& measurement, std::span<const int> lines, const StampRange& range);
  // At a position that Position gave for the same lines and range end.
  RowWalk(Measurement& measurement, std::span<const int> lines, uint32_t range_end,
          std::span<const uint32_t> position);
  ~RowWalk();
  RowWalk(const RowWalk&) = delete;
  RowWalk& operator=(const RowWalk&) = delete;

  // The next row, valid until the next call; null when the walk has ended.
  const MergedRow* Next();
  // Per line in the order given: the index of its first sample not yet handed out in a row.
  void Position(std::span<uint32_t> out) const;

 private:
  std::unique_ptr<RowMerger> merger_;
};

// The cell text of one raw value of a line with "." as the decimal point, or "" when the
// value is out of the line's range or (type F) has no value. A and F: "%G"; others by the
// multiplier: above 0.9999 no decimals, above 0.0999 one, otherwise two.
std::string ValueCellText(const MeasuredLine& line, uint32_t raw);
// Appends the same text to out (no allocation once out has room); the fast path for rows.
void AppendValueCellText(const MeasuredLine& line, uint32_t raw, std::string& out);

// The text of a physical value of the line, chosen as for its cells ("." as the decimal point).
void AppendPhysicalValueText(const MeasuredLine& line, double value, std::string& out);

// The row time of the export: " 5.03.2006;08:07:06;" or, with sub-seconds,
// " 5.03.2006;08:07:06.25;" (hundredths = milliseconds / 10).
void AppendExportRowTime(uint32_t stamp, uint16_t milliseconds, bool subseconds, std::string& out);
// The row time of the table view's first column: " 5.03.2006, 08:07:06" (+ ".25").
std::string TableRowTimeText(uint32_t stamp, uint16_t milliseconds, bool subseconds);

// Progress of the export in samples of the measurement's first line (the graph window's bar).
struct ExportProgress {
  std::function<void(uint32_t maximum)> start;
  std::function<void(uint32_t position)> position;  // every 256 samples of the first line
  std::function<void()> finish;
  // The data rows written, once when all of them are (not after a failure).
  std::function<void(uint64_t rows)> rows;
};

// Where the export's bytes go (already Windows-1250). False from Write stops the export.
class ExportSink {
 public:
  virtual ~ExportSink() = default;
  virtual bool Write(const char* bytes, size_t size) = 0;
};

// How WriteExport shares out its work. The rows are walked on the calling thread and formatted
// in chunks of chunk_rows rows, on a second thread as well when threads is 2; the caller's
// thread writes them in order and reports the progress. threads 0 takes two only for exports
// big enough to gain; chunk_rows 0 takes about a megabyte of text a chunk.
struct ExportThreads {
  int threads = 0;
  uint32_t chunk_rows = 0;
};

// Writes the export text of the chosen lines (0-based, any order; columns come in line order)
// over the range: header "Datum;Čas;captions", one line per MergedRow, CR LF, Windows-1250,
// every "." of a cell replaced by decimal_separator. Returns false when the sink refused bytes.
// The bytes are the same whatever the threads.
bool WriteExport(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                 char decimal_separator, ExportSink& sink, const ExportProgress& progress = {},
                 const ExportThreads& threads = {});

inline constexpr const char* kExportCreateFailed = "Soubor exportu nelze vytvořit!";
inline constexpr const char* kExportWriteFailed = "Chyba při zápisu souboru exportu!";

// The graph window's note after an export: "Export uložen do /a/b.csv (3 řádky)."; without a
// count (unknown) no brackets.
std::string ExportDoneText(const std::string& path, std::optional<uint64_t> rows);

// A failed export's message: text, then the file and the system's reason on a line of their own.
std::string ExportFailureText(const char* text, const std::string& path, const std::string& reason);

// The export to a file: written under a temporary name beside path and renamed over it when
// complete. A file that cannot be created gives "Soubor exportu nelze vytvořit!", a failed
// write or close "Chyba při zápisu souboru exportu!" (the incomplete file is removed); both
// through dialogs.ShowError, and false.
bool ExportToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                  const StampRange& range, char decimal_separator, UserDialogs& dialogs,
                  const ExportProgress& progress = {});

}  // namespace korvan
