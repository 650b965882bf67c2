// korvan-cli stats: count, minimum, maximum and mean of each line over a time range.

#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/encodings.h"
#include "app/json_text.h"
#include "cli/cli_commands.h"
#include "cli/cli_measurement.h"
#include "cli/cli_options.h"
#include "graph/range_stats.h"
#include "graph/readout.h"

namespace korvan::cli {

namespace {

// The shortest text that reads back as the same double; JSON has no infinities.
void WriteJsonNumber(std::ostream& out, double value) {
  if (!std::isfinite(value)) {
    out << "null";
    return;
  }
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.write(text, result.ptr - text);
}

void WriteJsonTime(std::ostream& out, const SampleTime& time, bool subseconds) {
  out << JsonString(IsoSampleTimeText(time, subseconds));
}

void WriteJson(const Measurement& m, const std::vector<int>& lines,
               const std::vector<RangeStats>& stats, std::ostream& out) {
  const bool sub = m.subseconds_present;
  out << "{\"lines\": [";
  for (size_t k = 0; k < lines.size(); ++k) {
    const RangeStats& s = stats[k];
    out << (k ? ", " : "") << "{\"number\": " << lines[k] + 1 << ", \"caption\": ";
    out << JsonString(m.lines[lines[k]].caption);
    out << ", \"count\": " << s.count;
    if (s.count == 0) {
      out << ", \"min\": null, \"min_time\": null, \"max\": null, \"max_time\": null, "
             "\"mean\": null, \"first_time\": null, \"last_time\": null}";
      continue;
    }
    out << ", \"min\": ";
    WriteJsonNumber(out, s.minimum);
    out << ", \"min_time\": ";
    WriteJsonTime(out, s.minimum_time, sub);
    out << ", \"max\": ";
    WriteJsonNumber(out, s.maximum);
    out << ", \"max_time\": ";
    WriteJsonTime(out, s.maximum_time, sub);
    out << ", \"mean\": ";
    WriteJsonNumber(out, s.mean);
    out << ", \"first_time\": ";
    WriteJsonTime(out, s.first_time, sub);
    out << ", \"last_time\": ";
    WriteJsonTime(out, s.last_time, sub);
    out << "}";
  }
  out << "]}\n";
}

void WriteText(const Measurement& m, const std::vector<int>& lines,
               const std::vector<RangeStats>& stats, char separator, std::ostream& out) {
  const bool sub = m.subseconds_present;
  for (size_t k = 0; k < lines.size(); ++k) {
    const RangeStats& s = stats[k];
    const bool single = IsSinglePrecision(m.lines[lines[k]].type_letter);
    auto number = [&](double v) { return ShownValueText(v, single, separator); };
    out << lines[k] + 1 << ".  " << m.lines[lines[k]].caption << "\n";
    out << "  Počet vzorků: " << s.count << "\n";
    if (s.count == 0) continue;
    out << "  Minimum: " << number(s.minimum) << "  (" << IsoSampleTimeText(s.minimum_time, sub)
        << ")\n";
    out << "  Maximum: " << number(s.maximum) << "  (" << IsoSampleTimeText(s.maximum_time, sub)
        << ")\n";
    out << "  Průměr: " << ShownMeanText(s.mean, separator) << "\n";
    out << "  První vzorek: " << IsoSampleTimeText(s.first_time, sub) << "\n";
    out << "  Poslední vzorek: " << IsoSampleTimeText(s.last_time, sub) << "\n";
  }
}

}  // namespace

int RunStats(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse(
      "stats", UsageOf("stats"), arguments,
      {{"--lines", true}, {"--from", true}, {"--to", true}, {"--json", false}, kDecimalOption}, 1,
      1, err);
  if (!args) return 2;
  Arguments::LinesAndRange chosen;
  if (!args->ReadLinesAndRange(chosen, err)) return 2;
  // Counted are the samples of accepted blocks, which all lie between the earliest and the
  // latest stamp: a range end left open needs no stamp from before the pass.
  StampRange range{0, 0xFFFFFFFF};
  if (chosen.from) range.start = PackStamp(*chosen.from, *chosen.from);
  if (chosen.to) range.end = PackStamp(*chosen.to, *chosen.to);
  // Two visitors, each with half of the lines, on two cores.
  std::vector<RangeStatsVisitor> visitors;
  auto visitors_of = [&](const Measurement& m) {
    std::vector<int> wanted;
    for (uint32_t i = 0; i < m.line_count; ++i) wanted.push_back(static_cast<int>(i));
    if (!chosen.numbers.empty()) {
      wanted.clear();
      for (int n : chosen.numbers) wanted.push_back(n - 1);
    }
    std::vector<int> halves[2];
    for (size_t k = 0; k < wanted.size(); ++k) halves[k % 2].push_back(wanted[k]);
    visitors.reserve(2);
    std::vector<BlockVisitor*> pointers;
    for (const std::vector<int>& half : halves) {
      if (!half.empty()) pointers.push_back(&visitors.emplace_back(m, half, WindowOfStamps(range)));
    }
    return pointers;
  };
  Measurement measurement;
  LoadResult result;
  if (!StreamCardFolder((*args)[0], visitors_of, measurement, result, err)) return 1;
  std::vector<int> lines;
  if (!ChosenLines("stats", chosen.numbers, measurement, lines, err)) return 2;
  std::vector<RangeStats> stats;
  for (int line : lines) {
    for (const RangeStatsVisitor& visitor : visitors) {
      if (const std::optional<RangeStats> s = visitor.Of(line)) {
        stats.push_back(*s);
        break;
      }
    }
  }
  if (args->Has("--json")) {
    WriteJson(measurement, lines, stats, out);
  } else {
    WriteText(measurement, lines, stats, chosen.separator, out);
  }
  return OutputWritten("stats", out, err) ? 0 : 1;
}

}  // namespace korvan::cli
