// korvan-cli info: what a card folder's measurement holds.

#include <ostream>
#include <string>
#include <vector>

#include "app/date_time.h"
#include "app/encodings.h"
#include "cli/cli_measurement.h"

namespace korvan::cli {

namespace {

std::string StampText(uint32_t stamp) { return IsoDateTimeText(UnpackStamp(stamp, 0)); }

void WriteJson(const Measurement& m, const LoadResult& result, std::ostream& out) {
  out << "{\"source\": ";
  WriteJsonString(out, result.source);
  out << ", \"lines\": [";
  for (uint32_t i = 0; i < m.line_count; ++i) {
    out << (i ? ", " : "") << "{\"number\": " << i + 1 << ", \"caption\": ";
    WriteJsonString(out, m.lines[i].caption);
    out << ", \"type\": ";
    WriteJsonString(out, m.lines[i].type_text);
    out << ", \"samples\": " << m.buffers[i].count() << "}";
  }
  out << "], \"earliest\": ";
  if (m.HasTimeRange()) {
    WriteJsonString(out, StampText(m.earliest));
    out << ", \"latest\": ";
    WriteJsonString(out, StampText(m.latest));
  } else {
    out << "null, \"latest\": null";
  }
  out << ", \"subseconds\": " << (m.subseconds_present ? "true" : "false") << "}\n";
}

void WriteText(const Measurement& m, const LoadResult& result, std::ostream& out) {
  out << "Configuration: " << result.source << "\n";
  if (!result.chart_title.empty()) out << "Job: " << result.chart_title << "\n";
  out << "Lines: " << m.line_count << "\n";
  for (uint32_t i = 0; i < m.line_count; ++i) {
    out << "  " << i + 1 << ".  " << m.lines[i].caption << "  [" << m.lines[i].type_text << "]  "
        << m.buffers[i].count() << " samples\n";
  }
  out << "Earliest: " << (m.HasTimeRange() ? StampText(m.earliest) : "-") << "\n";
  out << "Latest: " << (m.HasTimeRange() ? StampText(m.latest) : "-") << "\n";
  out << "Sub-seconds: " << (m.subseconds_present ? "yes" : "no") << "\n";
}

}  // namespace

int RunInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  std::string dir;
  bool json = false;
  for (const std::string& a : arguments) {
    if (a == "--json") {
      json = true;
    } else if (a.starts_with("--") || !dir.empty()) {
      err << "korvan-cli: info: unexpected argument '" << a << "'\n";
      return 2;
    } else {
      dir = a;
    }
  }
  if (dir.empty()) {
    err << "korvan-cli: info DIR [--json]\n";
    return 2;
  }
  Measurement measurement;
  LoadResult result;
  if (!LoadCardFolder(dir, measurement, result, err)) return 1;
  if (json) {
    WriteJson(measurement, result, out);
  } else {
    WriteText(measurement, result, out);
  }
  return 0;
}

}  // namespace korvan::cli
