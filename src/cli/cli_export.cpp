// korvan-cli export: the program's text export of a card folder, to a file or stdout.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_measurement.h"
#include "cli/cli_options.h"
#include "export/export.h"
#include "export/export_aggregate.h"
#include "export/export_format.h"
#include "export/periods.h"

namespace korvan::cli {

namespace {

class StreamSink : public ExportSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  bool Write(const char* bytes, size_t size) override {
    out_.write(bytes, static_cast<std::streamsize>(size));
    return static_cast<bool>(out_);
  }

 private:
  std::ostream& out_;
};

// The format of --format, or the output's by its name; false after telling err.
bool ReadFormat(const Arguments& args, const std::string& output, ExportFormat& format,
                std::ostream& err) {
  format = ExportFormatOfPath(output);
  if (const std::string* name = args.Value("--format")) {
    const std::optional<ExportFormat> named = ExportFormatNamed(*name);
    if (!named) {
      err << "korvan-cli export: --format je " << ExportFormatNames() << ", ne \"" << *name
          << "\"\n";
      return false;
    }
    format = *named;
  }
  return true;
}

// --every and what goes with it; false after telling err.
bool ReadAggregation(const Arguments& args, AggregateOptions& aggregate, std::ostream& err) {
  if (const std::string* every = args.Value("--every")) {
    if (!ParsePeriod(*every, aggregate.period_seconds)) {
      err << "korvan-cli export: --every je " << PeriodTokens(", ", " nebo ") << ", ne \"" << *every
          << "\"\n";
      return false;
    }
  } else if (args.Has("--stat") || args.Has("--count") || args.Has("--skip-empty")) {
    err << "korvan-cli export: --stat, --count a --skip-empty platí jen s --every\n";
    return false;
  }
  if (const std::string* stat = args.Value("--stat")) {
    if (!ParseStatList(*stat, aggregate)) {
      err << "korvan-cli export: --stat je seznam z mean, min, max, ne \"" << *stat << "\"\n";
      return false;
    }
  }
  aggregate.count = args.Has("--count");
  aggregate.skip_empty = args.Has("--skip-empty");
  return true;
}

}  // namespace

int RunExport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse("export", UsageOf("export"), arguments,
                                     {{"--lines", true},
                                      {"--from", true},
                                      {"--to", true},
                                      {"--format", true},
                                      {"--every", true},
                                      {"--stat", true},
                                      {"--count", false},
                                      {"--skip-empty", false},
                                      kDecimalOption},
                                     2, 2, err);
  if (!args) return 2;
  Arguments::LinesAndRange chosen;
  if (!args->ReadLinesAndRange(chosen, err)) return 2;
  const std::string& dir = (*args)[0];
  const std::string& output = (*args)[1];
  if (OutputCollides("export", output, {}, dir, err)) return 2;
  ExportFormat format{};
  AggregateOptions aggregate;
  if (!ReadFormat(*args, output, format, err) || !ReadAggregation(*args, aggregate, err)) return 2;
  if (!ExportFormatOf(format).streams && output == "-") {
    err << "korvan-cli export: sešit nelze zapsat na standardní výstup\n";
    return 2;
  }

  Measurement measurement;
  LoadResult result;
  if (!LoadCardFolder(dir, measurement, result, err)) return 1;

  std::vector<int> lines;
  if (!ChosenLines("export", chosen.numbers, measurement, lines, err)) return 2;
  const StampRange range = ChosenRange(measurement, chosen.from, chosen.to);

  const ExportRequest request{lines, range, aggregate, {}};
  if (output == "-") {
    StreamSink sink(out);
    const std::unique_ptr<RowOutput> stream = StreamOutput(format, sink, {chosen.separator});
    if (!WriteRows(measurement, request, *stream)) {
      err << "korvan-cli: " << kExportWriteFailed << "\n";
      return 1;
    }
    return OutputWritten("export", out, err) ? 0 : 1;
  }
  CliDialogs dialogs(&err, /*print_warnings=*/false);
  return ExportRowsToFile(output, format, {chosen.separator}, measurement, request, dialogs) ? 0
                                                                                             : 1;
}

}  // namespace korvan::cli
