#include "export/xlsx_export.h"

#include <fcntl.h>
#include <locale.h>
#include <stdio.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <vector>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// A and F values are single precision: the shortest decimal that gives the same float
// (71.35638), not the float's whole binary expansion (71.35638427734375).
double ShortestSingle(double value) {
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return value;
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, static_cast<float>(value));
  double shortest = value;
  std::from_chars(text, written.ptr, shortest);
  return shortest;
}

// The value the text export's cell shows, or kEmpty where that cell is empty.
double PhysicalValue(const MeasuredLine& line, uint32_t raw) {
  if (IsNoValue(line, raw)) return kEmpty;
  const double value = ConvertRawValue(line, raw);
  // A cell cannot hold an infinity.
  if (!InValueRange(line, value) || !std::isfinite(value)) return kEmpty;
  const char type = AsciiUpper(line.type_letter);
  return type == 'A' || type == 'F' ? ShortestSingle(value) : value;
}

// The days between the spreadsheet's day 0 (30.12.1899) and 1.1.1970.
constexpr double kEpochOffsetDays = 25569.0;

// Characters, not bytes, of a UTF-8 text: for the column widths.
size_t TextWidth(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The first failure of the library's temporaries while this thread writes a workbook.
struct TemporaryWrites {
  int error = 0;
  void Note(int e) {
    if (error == 0) error = e == 0 ? EIO : e;
  }
};
thread_local TemporaryWrites* t_writes = nullptr;

// One temporary of the library: a file of ours behind the FILE the library writes through.
struct TemporaryCookie {
  int fd;
  TemporaryWrites* writes;
  void Note(int e) const {
    if (writes != nullptr) writes->Note(e);
  }
};

ssize_t TemporaryWrite(void* cookie, const char* bytes, size_t size) {
  auto* file = static_cast<TemporaryCookie*>(cookie);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(file->fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      file->Note(n < 0 ? errno : ENOSPC);
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

ssize_t TemporaryRead(void* cookie, char* bytes, size_t size) {
  auto* file = static_cast<TemporaryCookie*>(cookie);
  for (;;) {
    const ssize_t n = read(file->fd, bytes, size);
    if (n >= 0 || errno != EINTR) {
      if (n < 0) file->Note(errno);
      return n;
    }
  }
}

int TemporarySeek(void* cookie, off64_t* offset, int whence) {
  auto* file = static_cast<TemporaryCookie*>(cookie);
  const off64_t at = lseek64(file->fd, *offset, whence);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}

int TemporaryClose(void* cookie) {
  auto* file = static_cast<TemporaryCookie*>(cookie);
  const int result = close(file->fd);
  if (result != 0) file->Note(errno);
  delete file;
  return result;
}

// The library writes numbers with printf, whose decimal separator is the locale's: under a
// Czech locale the sheet would hold "71,35" where a spreadsheet reads only "71.35". While it
// lives, this thread formats numbers as C does.
class CNumbers {
 public:
  CNumbers() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
    if (c_ != static_cast<locale_t>(0)) saved_ = uselocale(c_);
  }
  ~CNumbers() {
    if (c_ == static_cast<locale_t>(0)) return;
    uselocale(saved_);
    freelocale(c_);
  }
  CNumbers(const CNumbers&) = delete;
  CNumbers& operator=(const CNumbers&) = delete;

 private:
  locale_t c_;
  locale_t saved_ = static_cast<locale_t>(0);
};

// While it lives, what the library prints about a failure (English, on standard error) is
// dropped: the user gets the program's own message. Only around the library's own calls.
class QuietLibrary {
 public:
  QuietLibrary() {
    const cookie_io_functions_t drop = {
        nullptr, [](void*, const char*, size_t size) { return static_cast<ssize_t>(size); },
        nullptr, nullptr};
    sink_ = fopencookie(nullptr, "w", drop);
    if (sink_ != nullptr) stderr = sink_;
  }
  ~QuietLibrary() {
    stderr = saved_;
    if (sink_ != nullptr) fclose(sink_);
  }
  QuietLibrary(const QuietLibrary&) = delete;
  QuietLibrary& operator=(const QuietLibrary&) = delete;

 private:
  FILE* saved_ = stderr;
  FILE* sink_ = nullptr;
};

}  // namespace

// The library makes each file it writes before zipping (a sheet's rows spooled in constant
// memory, then every part of the workbook) through lxw_tmpfile, and it neither names them by
// our rule nor checks a single write to them. It calls lxw_tmpfile through its procedure
// linkage table, so this definition is the one it gets: temporaries of ours, unnamed at once,
// whose every write is checked. The workbook tests fail if a build of the library stops
// calling it so.
extern "C" FILE* lxw_tmpfile(char* tmpdir) {
  TemporaryFile temporary(tmpdir != nullptr ? tmpdir : TempDir());
  TemporaryWrites* writes = t_writes;
  if (!temporary.ok()) {
    if (writes != nullptr) writes->Note(temporary.error());
    return nullptr;
  }
  auto* cookie = new TemporaryCookie{temporary.Release(), writes};
  const cookie_io_functions_t io = {TemporaryRead, TemporaryWrite, TemporarySeek, TemporaryClose};
  FILE* file = fopencookie(cookie, "w+", io);
  if (file == nullptr) {
    if (writes != nullptr) writes->Note(errno);
    close(cookie->fd);
    delete cookie;
  }
  return file;
}

namespace {

class SheetWriter {
 public:
  SheetWriter(lxw_workbook* workbook, bool subseconds, std::span<const XlsxColumn> columns,
              uint32_t rows_per_sheet)
      : workbook_(workbook),
        subseconds_(subseconds),
        columns_(columns),
        rows_per_sheet_(std::max<uint32_t>(rows_per_sheet, 1)) {
    bold_ = workbook_add_format(workbook);
    format_set_bold(bold_);
    time_ = workbook_add_format(workbook);
    format_set_num_format(time_, subseconds ? "d.m.yyyy h:mm:ss.00" : "d.m.yyyy h:mm:ss");
    const char* decimals[] = {"0", "0.0", "0.00"};
    for (int i = 0; i < 3; ++i) {
      fixed_[i] = workbook_add_format(workbook);
      format_set_num_format(fixed_[i], decimals[i]);
    }
    for (const XlsxColumn& column : columns) {
      const MeasuredLine* m = column.decimals_of;
      // The same choice as the text export's cell; printf's %G of A and F comes closest to
      // the general format.
      if (m == nullptr) {
        formats_.push_back(fixed_[0]);
      } else if (AsciiUpper(m->type_letter) == 'A' || AsciiUpper(m->type_letter) == 'F') {
        formats_.push_back(nullptr);
      } else if (m->multiplier > 0.9999) {
        formats_.push_back(fixed_[0]);
      } else if (m->multiplier > 0.0999) {
        formats_.push_back(fixed_[1]);
      } else {
        formats_.push_back(fixed_[2]);
      }
    }
  }

  bool Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) {
    if (t_writes != nullptr && t_writes->error != 0) return false;  // a full disk stays full
    if (sheet_ == nullptr || row_ > rows_per_sheet_) {
      if (!NewSheet()) return false;
    }
    const lxw_row_t r = row_++;
    bool ok = worksheet_write_number(sheet_, r, 0, SpreadsheetDateTime(stamp, milliseconds),
                                     time_) == LXW_NO_ERROR;
    for (size_t j = 0; ok && j < values.size() && j < columns_.size(); ++j) {
      if (std::isnan(values[j])) continue;
      ok = worksheet_write_number(sheet_, r, static_cast<lxw_col_t>(j + 1), values[j],
                                  formats_[j]) == LXW_NO_ERROR;
    }
    return ok;
  }

  bool Finish() {
    if (sheet_ == nullptr && !NewSheet()) return false;
    return CloseSheet();
  }

 private:
  bool NewSheet() {
    if (sheet_ != nullptr && !CloseSheet()) return false;
    ++sheets_;
    const std::string name = "List " + std::to_string(sheets_);
    sheet_ = workbook_add_worksheet(workbook_, name.c_str());
    if (sheet_ == nullptr) return false;
    worksheet_set_column(sheet_, 0, 0, subseconds_ ? 22 : 19, nullptr);
    bool ok = worksheet_write_string(sheet_, 0, 0, "Datum, Čas", bold_) == LXW_NO_ERROR;
    for (size_t j = 0; ok && j < columns_.size(); ++j) {
      const std::string& caption = columns_[j].caption;
      const auto col = static_cast<lxw_col_t>(j + 1);
      // Room for the caption and its filter button, and for a value of about ten digits.
      const size_t width = std::max<size_t>(TextWidth(caption), 10) + 3;
      worksheet_set_column(sheet_, col, col, static_cast<double>(width), nullptr);
      ok = worksheet_write_string(sheet_, 0, col, caption.c_str(), bold_) == LXW_NO_ERROR;
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    row_ = 1;
    return ok;
  }

  bool CloseSheet() {
    // The sheet's last row goes to its spool now rather than inside workbook_close, and the
    // spool is flushed, so that a failure shows before the workbook is zipped.
    lxw_worksheet_write_single_row(sheet_);
    FILE* spool = sheet_->optimize_tmpfile;
    if (spool != nullptr && (fflush(spool) != 0 || ferror(spool))) return false;
    return worksheet_autofilter(sheet_, 0, 0, row_ - 1, static_cast<lxw_col_t>(columns_.size())) ==
           LXW_NO_ERROR;
  }

  lxw_workbook* workbook_;
  bool subseconds_;
  std::span<const XlsxColumn> columns_;
  uint32_t rows_per_sheet_;
  lxw_format* bold_ = nullptr;
  lxw_format* time_ = nullptr;
  lxw_format* fixed_[3] = {};
  std::vector<lxw_format*> formats_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_row_t row_ = 0;
  int sheets_ = 0;
};

// Writes the workbook to path, the library's temporaries in spool_dir. 0, or the system's
// error number of the first failure (EIO where none tells more).
int WriteWorkbook(const std::string& path, const std::string& spool_dir, bool subseconds,
                  std::span<const XlsxColumn> columns,
                  const std::function<bool(const XlsxRow& row)>& fill, uint32_t rows_per_sheet) {
  const CNumbers c_numbers;
  TemporaryWrites writes;
  t_writes = &writes;
  struct Done {
    ~Done() { t_writes = nullptr; }
  } done;
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  // The sheets' rows are spooled until the workbook is zipped, several times its size: beside
  // the target, where the room for it is, rather than in a /tmp that may be held in memory.
  std::string tmpdir = spool_dir;
  options.tmpdir = tmpdir.data();
  lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
  if (workbook == nullptr) return ENOMEM;
  bool ok = true;
  {
    SheetWriter writer(workbook, subseconds, columns, rows_per_sheet);
    ok = fill([&](uint32_t stamp, uint16_t milliseconds, std::span<const double> values) {
      return writer.Row(stamp, milliseconds, values);
    });
    if (ok) ok = writer.Finish();
  }
  if (!ok) {
    // Nothing is zipped: the workbook is given up. Only workbook_close closes the sheets'
    // spools, so they are closed here, or each would hold its disk space until the end.
    lxw_worksheet* sheet = nullptr;
    LXW_FOREACH_WORKSHEET(sheet, workbook) {
      if (sheet->optimize_tmpfile != nullptr) fclose(sheet->optimize_tmpfile);
      sheet->optimize_tmpfile = nullptr;
    }
    lxw_workbook_free(workbook);
    return writes.error != 0 ? writes.error : EIO;
  }
  int close_error = 0;
  {
    const QuietLibrary quiet;
    errno = 0;
    if (workbook_close(workbook) != LXW_NO_ERROR) close_error = errno != 0 ? errno : EIO;
  }
  return writes.error != 0 ? writes.error : close_error;
}

}  // namespace

double SpreadsheetDateTime(uint32_t stamp, uint16_t milliseconds) {
  return static_cast<double>(StampDayNumber(stamp)) + kEpochOffsetDays +
         (StampSecondOfDay(stamp) + std::min<unsigned>(milliseconds, 999) / 1000.0) /
             kSecondsPerDay;
}

bool IsXlsxPath(const std::string& path) {
  constexpr std::string_view kExtension = ".XLSX";
  if (path.size() <= kExtension.size()) return false;
  const std::string_view tail(path.data() + path.size() - kExtension.size(), kExtension.size());
  return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                    [](char a, char b) { return AsciiUpper(a) == b; });
}

bool WriteXlsxFile(const std::string& path, bool subseconds, std::span<const XlsxColumn> columns,
                   const std::function<bool(const XlsxRow& row)>& fill, UserDialogs& dialogs,
                   uint32_t rows_per_sheet) {
  AtomicWriter file(path);
  if (!file.ok()) {
    dialogs.ShowError(ExportFailureText(kExportCreateFailed, path, file.reason()));
    return false;
  }
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  // The library writes the workbook itself into the writer's file, by the path that opens it.
  const int error =
      WriteWorkbook(file.ReopenPath(), folder, subseconds, columns, fill, rows_per_sheet);
  if (error != 0 || !file.Commit()) {
    const std::string reason = error != 0 ? SystemErrorText(error) : file.reason();
    dialogs.ShowError(ExportFailureText(kExportWriteFailed, path, reason));
    return false;
  }
  return true;
}

bool ExportXlsxToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                      const StampRange& range, UserDialogs& dialogs, const ExportProgress& progress,
                      uint32_t rows_per_sheet) {
  std::vector<int> chosen(lines.begin(), lines.end());
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::erase_if(chosen,
                [&](int i) { return i < 0 || static_cast<uint32_t>(i) >= measurement.line_count; });
  std::vector<XlsxColumn> columns;
  for (int i : chosen) {
    const MeasuredLine& line = measurement.lines[static_cast<size_t>(i)];
    columns.push_back({line.caption, &line});
  }
  const auto fill = [&](const XlsxRow& write_row) {
    const TBuf* tracked =
        chosen.empty() ? nullptr : &measurement.buffers[static_cast<size_t>(chosen[0])];
    if (progress.start) progress.start(tracked ? tracked->count() : 0);
    uint32_t reported = 0;
    uint64_t rows = 0;
    std::vector<double> values(chosen.size());
    bool ok = true;
    MergeRows(measurement, chosen, range, [&](const MergedRow& row) {
      for (size_t j = 0; j < chosen.size(); ++j) {
        values[j] = row.present[j] ? PhysicalValue(*columns[j].decimals_of, row.raw[j]) : kEmpty;
      }
      ok = write_row(row.stamp, row.milliseconds, values);
      rows += ok ? 1 : 0;
      if (progress.position && tracked && tracked->cursor() % 256 == 0 &&
          tracked->cursor() != reported) {
        reported = tracked->cursor();
        progress.position(reported);
      }
      return ok;
    });
    if (progress.finish) progress.finish();
    if (ok && progress.rows) progress.rows(rows);
    return ok;
  };
  return WriteXlsxFile(path, measurement.subseconds_present, columns, fill, dialogs,
                       rows_per_sheet);
}

}  // namespace korvan
