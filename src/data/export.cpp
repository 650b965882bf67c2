#include "data/export.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <vector>

#include "app/cp1250.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "platform/files.h"

namespace korvan {

namespace {

// Appends n right-aligned in width characters (leading spaces when pad is ' ', zeros for '0').
inline void AppendInt(std::string& out, unsigned n, int width, char pad) {
  char digits[12];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
  for (int i = static_cast<int>(end - digits); i < width; ++i) out.push_back(pad);
  out.append(digits, end);
}

// The date and time fields of a row: " 5.03.2006" then separator then "08:07:06".
inline void AppendStampText(uint32_t stamp, const char* separator, std::string& out) {
  AppendInt(out, StampDay(stamp), 2, ' ');
  out.push_back('.');
  AppendInt(out, StampMonth(stamp), 2, '0');
  out.push_back('.');
  AppendInt(out, static_cast<unsigned>(StampYear(stamp)), 4, ' ');
  out.append(separator);
  AppendInt(out, StampHour(stamp), 2, '0');
  out.push_back(':');
  AppendInt(out, StampMinute(stamp), 2, '0');
  out.push_back(':');
  AppendInt(out, StampSecond(stamp), 2, '0');
}

// printf's "%W.Pf" (precision >= 0) or "%G" (precision < 0) in the C locale.
void AppendFormatted(double value, int width, int precision, std::string& out) {
  char text[512];
  std::to_chars_result r;
  if (precision < 0) {
    r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  } else {
    r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
  }
  if (r.ec != std::errc()) return;  // cannot happen with this buffer
  if (precision < 0) {
    for (char* p = text; p < r.ptr; ++p) *p = AsciiUpper(*p);  // E, INF, NAN
  }
  for (int i = static_cast<int>(r.ptr - text); i < width; ++i) out.push_back(' ');
  out.append(text, r.ptr);
}

}  // namespace

void MergeRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
               const RowSink& sink) {
  const size_t k = lines.size();
  std::vector<TBuf*> buffers(k);
  std::vector<uint8_t> waiting(k, 0), active(k, 1), present(k, 0);
  std::vector<uint16_t> waiting_ms(k, 0);
  std::vector<uint32_t> waiting_stamp(k, 0), raw(k, 0);
  const bool subseconds = measurement.subseconds_present;

  for (size_t j = 0; j < k; ++j) {
    TBuf& buffer = measurement.buffers[static_cast<size_t>(lines[j])];
    buffers[j] = &buffer;
    uint32_t cursor = 0;
    while (cursor < buffer.count() && buffer[cursor].stamp < range.start) ++cursor;
    buffer.set_cursor(cursor);
  }
  for (;;) {
    bool any = false;
    uint32_t least_stamp = 0;
    uint16_t least_ms = 0;
    for (size_t j = 0; j < k; ++j) {
      if (!waiting[j] && active[j]) {
        LogSample sample;
        if (buffers[j]->ReadNext(sample)) {
          waiting[j] = 1;
          waiting_stamp[j] = sample.stamp;
          waiting_ms[j] = subseconds ? sample.milliseconds : 0;
          raw[j] = sample.raw;
        } else {
          active[j] = 0;
        }
      }
      if (waiting[j] && (!any || waiting_stamp[j] < least_stamp ||
                         (waiting_stamp[j] == least_stamp && waiting_ms[j] < least_ms))) {
        any = true;
        least_stamp = waiting_stamp[j];
        least_ms = waiting_ms[j];
      }
    }
    if (!any || least_stamp > range.end) return;
    for (size_t j = 0; j < k; ++j) {
      present[j] = waiting[j] && waiting_stamp[j] == least_stamp && waiting_ms[j] == least_ms;
      if (present[j]) waiting[j] = 0;
    }
    if (!sink(MergedRow{least_stamp, least_ms, present, raw})) return;
  }
}

void AppendValueCellText(const MeasuredLine& line, uint32_t raw, std::string& out) {
  if (IsNoValue(line, raw)) return;
  const double value = ConvertRawValue(line, raw);
  if (!InValueRange(line, value)) return;
  AppendPhysicalValueText(line, value, out);
}

void AppendPhysicalValueText(const MeasuredLine& line, double value, std::string& out) {
  const char letter = AsciiUpper(line.type_letter);
  if (letter == 'A' || letter == 'F') {
    AppendFormatted(value, 0, -1, out);
  } else if (line.multiplier > 0.9999) {
    AppendFormatted(value, 1, 0, out);
  } else if (line.multiplier > 0.0999) {
    AppendFormatted(value, 3, 1, out);
  } else {
    AppendFormatted(value, 4, 2, out);
  }
}

std::string ValueCellText(const MeasuredLine& line, uint32_t raw) {
  std::string text;
  AppendValueCellText(line, raw, text);
  return text;
}

void AppendExportRowTime(uint32_t stamp, uint16_t milliseconds, bool subseconds, std::string& out) {
  AppendStampText(stamp, ";", out);
  if (subseconds) {
    out.push_back('.');
    AppendInt(out, std::min<unsigned>(milliseconds, 999) / 10, 2, '0');
  }
  out.push_back(';');
}

std::string TableRowTimeText(uint32_t stamp, uint16_t milliseconds, bool subseconds) {
  std::string out;
  AppendStampText(stamp, ", ", out);
  if (subseconds) {
    out.push_back('.');
    AppendInt(out, std::min<unsigned>(milliseconds, 999) / 10, 2, '0');
  }
  return out;
}

bool WriteExport(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                 char decimal_separator, ExportSink& sink, const ExportProgress& progress) {
  std::vector<int> chosen(lines.begin(), lines.end());
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::erase_if(chosen,
                [&](int i) { return i < 0 || static_cast<uint32_t>(i) >= measurement.line_count; });

  std::string header = "Datum;Čas;";
  for (size_t j = 0; j < chosen.size(); ++j) {
    if (j > 0) header += ';';
    header += measurement.lines[static_cast<size_t>(chosen[j])].caption;
  }
  header += "\r\n";
  std::string out = Utf8ToCp1250(header);

  constexpr size_t kFlushAt = 1 << 20;
  out.reserve(kFlushAt + 4096);
  bool ok = true;
  // The bar follows the first chosen line, whose cursor is the one that moves.
  const TBuf* tracked =
      chosen.empty() ? nullptr : &measurement.buffers[static_cast<size_t>(chosen[0])];
  if (progress.start) progress.start(tracked ? tracked->count() : 0);
  uint32_t reported = 0;
  const bool subseconds = measurement.subseconds_present;

  MergeRows(measurement, chosen, range, [&](const MergedRow& row) {
    AppendExportRowTime(row.stamp, row.milliseconds, subseconds, out);
    for (size_t j = 0; j < chosen.size(); ++j) {
      if (j > 0) out.push_back(';');
      if (!row.present[j]) continue;
      const size_t cell = out.size();
      AppendValueCellText(measurement.lines[static_cast<size_t>(chosen[j])], row.raw[j], out);
      std::replace(out.begin() + static_cast<std::ptrdiff_t>(cell), out.end(), '.',
                   decimal_separator);
    }
    out += "\r\n";
    if (out.size() >= kFlushAt) {
      ok = sink.Write(out.data(), out.size());
      out.clear();
    }
    if (progress.position && tracked && tracked->cursor() % 256 == 0 &&
        tracked->cursor() != reported) {
      reported = tracked->cursor();
      progress.position(reported);
    }
    return ok;
  });
  if (ok && !out.empty()) ok = sink.Write(out.data(), out.size());
  if (progress.finish) progress.finish();
  return ok;
}

bool ExportToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                  const StampRange& range, char decimal_separator, UserDialogs& dialogs,
                  const ExportProgress& progress) {
  return WriteExportFile(path, dialogs, [&](ExportSink& sink) {
    return WriteExport(measurement, lines, range, decimal_separator, sink, progress);
  });
}

bool WriteExportFile(const std::string& path, UserDialogs& dialogs,
                     const std::function<bool(ExportSink&)>& write) {
  AtomicWriter file(path);
  if (!file.ok()) {
    dialogs.ShowError(kExportCreateFailed);
    return false;
  }
  struct FileSink : ExportSink {
    explicit FileSink(AtomicWriter& writer) : writer_(writer) {}
    bool Write(const char* bytes, size_t size) override { return writer_.Write(bytes, size); }
    AtomicWriter& writer_;
  } sink(file);
  if (!write(sink) || !file.Commit()) {
    dialogs.ShowError(kExportWriteFailed);
    return false;
  }
  return true;
}

}  // namespace korvan
