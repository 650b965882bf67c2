// korvan-cli export: the program's text export of a card folder, to a file or stdout.

#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_measurement.h"
#include "data/export.h"
#include "platform/locale.h"

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

// "1,3" as 1-based numbers.
bool ParseLineList(const std::string& text, std::vector<int>& numbers) {
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string_view part(text.data() + start,
                          (comma == std::string::npos ? text.size() : comma) - start);
    int n = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), n);
    if (part.empty() || ec != std::errc() || end != part.data() + part.size()) return false;
    numbers.push_back(n);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

struct Options {
  std::string dir, out;
  std::vector<int> numbers;
  std::optional<double> from, to;
  char separator = 0;
};

bool Parse(const std::vector<std::string>& arguments, Options& o, std::ostream& err) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a.size() > 1 && a.starts_with("-")) {
      if (i + 1 >= arguments.size()) {
        err << "korvan-cli: export: " << a << " needs a value\n";
        return false;
      }
      const std::string& v = arguments[++i];
      double t = 0;
      if (a == "--lines") {
        if (!ParseLineList(v, o.numbers)) {
          err << "korvan-cli: export: --lines takes numbers like 1,3, not '" << v << "'\n";
          return false;
        }
      } else if (a == "--from" || a == "--to") {
        if (!ParseIsoDateTime(v, t)) {
          err << "korvan-cli: export: " << a << " takes \"YYYY-MM-DD HH:MM:SS\", not '" << v
              << "'\n";
          return false;
        }
        (a == "--from" ? o.from : o.to) = t;
      } else if (a == "--decimal") {
        if (v != "," && v != ".") {
          err << "korvan-cli: export: --decimal takes , or .\n";
          return false;
        }
        o.separator = v[0];
      } else {
        err << "korvan-cli: export: unknown option '" << a << "'\n";
        return false;
      }
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) {
    err << "korvan-cli: export DIR OUT [--lines 1,3] [--from T] [--to T] [--decimal ,|.]\n";
    return false;
  }
  o.dir = positional[0];
  o.out = positional[1];
  return true;
}

}  // namespace

int RunExport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  Options options;
  if (!Parse(arguments, options, err)) return 2;
  Measurement measurement;
  LoadResult result;
  if (!LoadCardFolder(options.dir, measurement, result, err)) return 1;

  std::vector<int> lines;
  if (options.numbers.empty()) {
    for (uint32_t i = 0; i < measurement.line_count; ++i) lines.push_back(static_cast<int>(i));
  }
  for (int n : options.numbers) {
    if (n < 1 || static_cast<uint32_t>(n) > measurement.line_count) {
      err << "korvan-cli: export: line " << n << " is not one of 1-" << measurement.line_count
          << "\n";
      return 2;
    }
    lines.push_back(n - 1);
  }
  // The whole measurement by default, as the pickers are preset after loading.
  StampRange range{0, 0xFFFFFFFF};
  if (measurement.HasTimeRange()) range = {measurement.earliest, measurement.latest};
  if (options.from) range.start = PackStamp(*options.from, *options.from);
  if (options.to) range.end = PackStamp(*options.to, *options.to);
  const char separator = options.separator ? options.separator : SystemDecimalSeparator();

  if (options.out == "-") {
    StreamSink sink(out);
    if (!WriteExport(measurement, lines, range, separator, sink)) {
      err << "korvan-cli: " << kExportWriteFailed << "\n";
      return 1;
    }
    out.flush();
    return out ? 0 : 1;
  }
  CliDialogs dialogs(&err, /*print_warnings=*/false);
  return ExportToFile(options.out, measurement, lines, range, separator, dialogs) ? 0 : 1;
}

}  // namespace korvan::cli
