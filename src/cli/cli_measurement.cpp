#include "cli/cli_measurement.h"

#include <optional>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "cli/cli_dialogs.h"
#include "platform/file_query.h"

namespace korvan::cli {

namespace {

// The alternative data location DIR, or nothing after telling err why it is none.
std::optional<DataLocation> CardFolder(const std::string& dir, std::ostream& err) {
  if (QueryFile(dir).kind == FileKind::kNone) {
    err << "korvan-cli: složka " << dir << " neexistuje.\n";
    return std::nullopt;
  }
  if (!IsDirectory(dir)) {
    err << "korvan-cli: " << dir << " není složka.\n";
    return std::nullopt;
  }
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir;
  return location;
}

}  // namespace

bool LoadCardFolder(const std::string& dir, Measurement& measurement, LoadResult& result,
                    std::ostream& err) {
  const std::optional<DataLocation> location = CardFolder(dir, err);
  if (!location) return false;
  CliDialogs dialogs(&err);
  return LoadMeasurement(*location, dialogs, Today(), {}, measurement, &result);
}

bool StreamCardFolder(const std::string& dir, const VisitorsOf& visitors_of,
                      Measurement& measurement, LoadResult& result, std::ostream& err) {
  const std::optional<DataLocation> location = CardFolder(dir, err);
  if (!location) return false;
  CliDialogs dialogs(&err);
  return StreamMeasurement(*location, dialogs, Today(), visitors_of, {}, measurement, &result);
}

bool ChosenLines(const char* command, const std::vector<int>& numbers,
                 const Measurement& measurement, std::vector<int>& lines, std::ostream& err) {
  if (numbers.empty()) {
    for (uint32_t i = 0; i < measurement.line_count; ++i) lines.push_back(static_cast<int>(i));
  }
  for (int n : numbers) {
    if (n < 1 || static_cast<uint32_t>(n) > measurement.line_count) {
      err << "korvan-cli: " << command << ": veličina " << n << " není mezi 1-"
          << measurement.line_count << "\n";
      return false;
    }
    lines.push_back(n - 1);
  }
  return true;
}

StampRange ChosenRange(const Measurement& measurement, const std::optional<double>& from,
                       const std::optional<double>& to) {
  StampRange range{0, 0xFFFFFFFF};
  if (measurement.HasTimeRange()) range = {measurement.earliest, measurement.latest};
  if (from) range.start = PackStamp(*from, *from);
  if (to) range.end = PackStamp(*to, *to);
  return range;
}

}  // namespace korvan::cli
