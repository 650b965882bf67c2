// korvan-cli info: what a card folder's measurement holds.

#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "app/json_text.h"
#include "cli/cli_commands.h"
#include "cli/cli_measurement.h"
#include "cli/cli_options.h"

namespace korvan::cli {

namespace {

std::string StampText(uint32_t stamp) { return IsoDateTimeText(UnpackStamp(stamp, 0)); }

void WriteJson(const Measurement& m, const LoadResult& result, std::ostream& out) {
  out << "{\"source\": ";
  out << JsonString(result.source);
  out << ", \"lines\": [";
  for (uint32_t i = 0; i < m.line_count; ++i) {
    out << (i ? ", " : "") << "{\"number\": " << i + 1 << ", \"caption\": ";
    out << JsonString(m.lines[i].caption);
    out << ", \"type\": ";
    out << JsonString(m.lines[i].type_text);
    out << ", \"samples\": " << m.buffers[i].count() << "}";
  }
  out << "], \"earliest\": ";
  if (m.HasTimeRange()) {
    out << JsonString(StampText(m.earliest));
    out << ", \"latest\": ";
    out << JsonString(StampText(m.latest));
  } else {
    out << "null, \"latest\": null";
  }
  out << ", \"subseconds\": " << (m.subseconds_present ? "true" : "false") << "}\n";
}

void WriteText(const Measurement& m, const LoadResult& result, std::ostream& out) {
  out << "Konfigurace: " << result.source << "\n";
  if (!result.chart_title.empty()) out << "Název: " << result.chart_title << "\n";
  out << "Veličiny: " << m.line_count << "\n";
  for (uint32_t i = 0; i < m.line_count; ++i) {
    out << "  " << i + 1 << ".  " << m.lines[i].caption << "  [" << m.lines[i].type_text << "]  "
        << m.buffers[i].count() << " vzorků\n";
  }
  out << "Nejstarší záznam: " << (m.HasTimeRange() ? StampText(m.earliest) : "-") << "\n";
  out << "Nejnovější záznam: " << (m.HasTimeRange() ? StampText(m.latest) : "-") << "\n";
  out << "Setiny sekundy: " << (m.subseconds_present ? "ano" : "ne") << "\n";
}

}  // namespace

int RunInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse("info", UsageOf("info"), arguments,
                                     {{"--json", false}, kDecimalOption}, 1, 1, err);
  // The listing holds no decimal numbers, but the option is checked as everywhere.
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  Measurement measurement;
  LoadResult result;
  if (!LoadCardFolder((*args)[0], measurement, result, err)) return 1;
  if (args->Has("--json")) {
    WriteJson(measurement, result, out);
  } else {
    WriteText(measurement, result, out);
  }
  return OutputWritten("info", out, err) ? 0 : 1;
}

}  // namespace korvan::cli
