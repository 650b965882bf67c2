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
#include <optional>
#include <string_view>
#include <vector>

#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "export/export_format.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

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
  SheetWriter(lxw_workbook* workbook, bool subseconds, std::span<const OutputColumn> columns,
              uint32_t rows_per_sheet)
      : workbook_(workbook),
        subseconds_(subseconds),
        columns_(columns.begin(), columns.end()),
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
    for (const OutputColumn& column : columns_) {
      // The text's cell rule; printf's %G of A and F comes closest to the general format.
      if (column.count) {
        formats_.push_back(fixed_[0]);
      } else if (column.rule.general) {
        formats_.push_back(nullptr);
      } else {
        formats_.push_back(fixed_[std::clamp(column.rule.decimals, 0, 2)]);
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
      // A cell cannot hold an infinity.
      if (!std::isfinite(values[j])) continue;
      const double value = columns_[j].single ? ShortestSingle(values[j]) : values[j];
      ok = worksheet_write_number(sheet_, r, static_cast<lxw_col_t>(j + 1), value, formats_[j]) ==
           LXW_NO_ERROR;
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
    return worksheet_autofilter(sheet_, 0, 0, row_ - 1, static_cast<lxw_col_t>(columns_.size())) ==
           LXW_NO_ERROR;
  }

  lxw_workbook* workbook_;
  bool subseconds_;
  std::vector<OutputColumn> columns_;
  uint32_t rows_per_sheet_;
  lxw_format* bold_ = nullptr;
  lxw_format* time_ = nullptr;
  lxw_format* fixed_[3] = {};
  std::vector<lxw_format*> formats_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_row_t row_ = 0;
  int sheets_ = 0;
};

}  // namespace

// A workbook being written, and what this thread is set to while it is.
struct XlsxOutput::Book {
  CNumbers c_numbers;
  TemporaryWrites writes;
  std::string tmpdir;
  lxw_workbook* workbook = nullptr;
  std::optional<SheetWriter> sheet;
  Book() { t_writes = &writes; }
  ~Book() { t_writes = nullptr; }
};

XlsxOutput::XlsxOutput(AtomicWriter& file, std::string spool_dir, uint32_t rows_per_sheet)
    : file_(file), spool_dir_(std::move(spool_dir)), rows_per_sheet_(rows_per_sheet) {}

XlsxOutput::~XlsxOutput() { Fail(); }

bool XlsxOutput::Begin(bool subseconds, std::span<const OutputColumn> columns) {
  book_ = std::make_unique<Book>();
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  // The sheets' rows are spooled until the workbook is zipped, several times its size: beside
  // the target, where the room for it is, rather than in a /tmp that may be held in memory.
  book_->tmpdir = spool_dir_;
  options.tmpdir = book_->tmpdir.data();
  // The library writes the workbook itself, by name, into a file the writer adopts.
  const std::string path = file_.AdoptPath();
  if (path.empty()) {
    error_ = file_.error();
    return false;
  }
  book_->workbook = workbook_new_opt(path.c_str(), &options);
  if (book_->workbook == nullptr) {
    error_ = ENOMEM;
    return false;
  }
  book_->sheet.emplace(book_->workbook, subseconds, columns, rows_per_sheet_);
  return true;
}

bool XlsxOutput::Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) {
  return book_ && book_->sheet && book_->sheet->Row(stamp, milliseconds, values);
}

// The workbook zipped into its file: 0, or the system's error number of the first failure.
int XlsxOutput::Close() {
  int close_error = 0;
  {
    const QuietLibrary quiet;
    errno = 0;
    if (workbook_close(book_->workbook) != LXW_NO_ERROR) close_error = errno != 0 ? errno : EIO;
  }
  book_->workbook = nullptr;
  return book_->writes.error != 0 ? book_->writes.error : close_error;
}

bool XlsxOutput::End() {
  if (!book_ || !book_->sheet || !book_->sheet->Finish()) return false;
  error_ = Close();
  book_.reset();
  return error_ == 0;
}

void XlsxOutput::Fail() {
  if (!book_) return;
  // The library gives its temporaries (each sheet's spool among them) back only when it
  // zips the workbook: zipped into the file the writer then drops, or each would hold its
  // disk space until the program ends.
  const int error = book_->workbook != nullptr ? Close() : 0;
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  book_.reset();
}

double SpreadsheetDateTime(uint32_t stamp, uint16_t milliseconds) {
  return static_cast<double>(StampDayNumber(stamp)) + kEpochOffsetDays +
         (StampSecondOfDay(stamp) + std::min<unsigned>(milliseconds, 999) / 1000.0) /
             kSecondsPerDay;
}

bool ExportXlsxToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                      const StampRange& range, UserDialogs& dialogs, const ExportProgress& progress,
                      uint32_t rows_per_sheet) {
  OutputSettings settings;
  settings.rows_per_sheet = rows_per_sheet;
  ExportRequest request{lines, range, {}, progress};
  return ExportRowsToFile(path, ExportFormat::kXlsx, settings, measurement, request, dialogs);
}

}  // namespace korvan
