#include "export/export_format.h"

#include <cerrno>
#include <memory>

#include "app/text.h"
#include "app/user_dialogs.h"
#include "export/csv_output.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

constexpr ExportFormatInfo kFormats[] = {
    {ExportFormat::kCsv, "csv", ".csv", "Formátovaný text *.csv|*.csv", true},
    {ExportFormat::kXlsx, "xlsx", ".xlsx", "Sešit Excel *.xlsx|*.xlsx", false},
};

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() <= tail.size()) return false;
  text.remove_prefix(text.size() - tail.size());
  return std::equal(text.begin(), text.end(), tail.begin(),
                    [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); });
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

class FileSink : public ExportSink {
 public:
  explicit FileSink(AtomicWriter& writer) : writer_(writer) {}
  bool Write(const char* bytes, size_t size) override { return writer_.Write(bytes, size); }

 private:
  AtomicWriter& writer_;
};

// The output of a format into the writer's file.
std::unique_ptr<RowOutput> FileOutput(ExportFormat format, const std::string& path,
                                      AtomicWriter& file, ExportSink& sink,
                                      const OutputSettings& settings) {
  if (format == ExportFormat::kXlsx) {
    return std::make_unique<XlsxOutput>(file, FolderOf(path), settings.rows_per_sheet);
  }
  return StreamOutput(format, sink, settings);
}

}  // namespace

std::span<const ExportFormatInfo> ExportFormats() { return kFormats; }

const ExportFormatInfo& ExportFormatOf(ExportFormat format) {
  for (const ExportFormatInfo& info : kFormats) {
    if (info.format == format) return info;
  }
  return kFormats[0];
}

ExportFormat ExportFormatOfPath(const std::string& path) {
  for (const ExportFormatInfo& info : kFormats) {
    if (EndsWithNoCase(path, info.extension)) return info.format;
  }
  return kFormats[0].format;
}

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  for (const ExportFormatInfo& info : kFormats) {
    if (name == info.name) return info.format;
  }
  return std::nullopt;
}

std::string ExportFormatNames() {
  std::string names;
  for (size_t i = 0; i < std::size(kFormats); ++i) {
    if (i > 0) names += i + 1 == std::size(kFormats) ? " nebo " : ", ";
    names += kFormats[i].name;
  }
  return names;
}

std::string ExportSaveFilter() {
  std::string filter;
  for (const ExportFormatInfo& info : kFormats) {
    if (!filter.empty()) filter += '|';
    filter += info.filter;
  }
  return filter;
}

std::unique_ptr<RowOutput> StreamOutput(ExportFormat format, ExportSink& sink,
                                        const OutputSettings& settings) {
  switch (format) {
    case ExportFormat::kCsv:
      return std::make_unique<CsvOutput>(sink, settings.decimal_separator, settings.threads);
    case ExportFormat::kXlsx:
      break;
  }
  return nullptr;
}

bool WriteRows(Measurement& measurement, const ExportRequest& request, RowOutput& output) {
  if (request.aggregate.period_seconds > 0) {
    return WritePeriodRows(measurement, request.lines, request.range, request.aggregate, output);
  }
  return WriteSampleRows(measurement, request.lines, request.range, output, request.progress);
}

bool WriteOutputFile(const std::string& path, ExportFormat format, const OutputSettings& settings,
                     UserDialogs& dialogs, const std::function<bool(RowOutput& output)>& rows) {
  AtomicWriter file(path);
  if (!file.ok()) {
    dialogs.ShowError(ExportFailureText(kExportCreateFailed, path, file.reason()));
    return false;
  }
  FileSink sink(file);
  const std::unique_ptr<RowOutput> output = FileOutput(format, path, file, sink, settings);
  if (!rows(*output) || !file.Commit()) {
    // The format's own cause first; a sink refused only for the writer's failure; EIO where
    // the rows gave up alone.
    const int error = output->Error() != 0 ? output->Error() : file.ok() ? EIO : file.error();
    dialogs.ShowError(ExportFailureText(kExportWriteFailed, path, SystemErrorText(error)));
    return false;
  }
  return true;
}

bool ExportRowsToFile(const std::string& path, ExportFormat format, const OutputSettings& settings,
                      Measurement& measurement, const ExportRequest& request,
                      UserDialogs& dialogs) {
  return WriteOutputFile(path, format, settings, dialogs, [&](RowOutput& output) {
    return WriteRows(measurement, request, output);
  });
}

}  // namespace korvan
