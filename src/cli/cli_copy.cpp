// korvan-cli copy: a saved copy of a card folder's measurement, as the graph window's "&Ulož"
// writes it.

#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_measurement.h"
#include "cli/cli_options.h"
#include "data/graph_settings_file.h"
#include "data/log_copy.h"
#include "data/log_scan.h"
#include "platform/file_query.h"

namespace korvan::cli {

namespace {

constexpr double kSecond = 1.0 / kSecondsPerDay;

// The view the graph window has after opening the folder, with the copy's range.
GraphViewState ViewAfterOpening(const std::string& dir, uint32_t line_count, double from,
                                double to) {
  GraphViewState state;
  ViewOfFolder(dir, line_count, Now(), state);
  state.range_from = from;
  state.range_to = to;
  return state;
}

}  // namespace

int RunCopy(const std::vector<std::string>& arguments, std::ostream&, std::ostream& err) {
  const auto args = Arguments::Parse(
      "copy", UsageOf("copy"), arguments,
      {{"--from", true}, {"--to", true}, {"--yes", false}, kDecimalOption}, 2, 2, err);
  if (!args) return 2;
  std::optional<double> from, to;
  char separator = 0;
  if (!args->TimeRange(from, to, err) || !args->DecimalSeparator(separator, err)) return 2;
  const std::string& dir = (*args)[0];
  const std::string& destination = (*args)[1];
  // An output that is the input, as for the other commands.
  if (SameFile(dir, destination)) {
    err << "korvan-cli: copy: cíl " << destination << " je vstupní složka " << dir
        << "; nic nebylo zapsáno\n";
    return 2;
  }
  for (const char* name : {kConfigImageFile, kConfigIniFile, kLogFile, kGraphIniFile}) {
    if (OutputCollides("copy", JoinFolder(destination, name), {}, dir, err)) return 2;
  }

  // Only the lines and the range are needed: one pass that keeps no sample finds them.
  Measurement measurement;
  LoadResult result;
  if (!StreamCardFolder(dir, {}, measurement, result, err)) return 1;
  // The whole measurement by default, its latest record included: the copy's end is
  // exclusive, so it lies one second after the latest stamp.
  MeasurementCopyJob job;
  job.source_dir = dir;
  job.destination_dir = destination;
  job.start = 0;
  job.end = 0xFFFFFFFF;
  double view_from = 0, view_to = 0;  // the pickers of a window that opened the folder
  if (measurement.HasTimeRange()) {
    job.start = measurement.earliest;
    view_from = UnpackStamp(measurement.earliest, 0);
    view_to = UnpackStamp(measurement.latest, 0);
    const double after = view_to + kSecond;
    // A stamp holds no year after 2063: there is nothing later to leave out.
    if (DecodeDate(after).year <= kStampLastYear) job.end = PackStamp(after, after);
  }
  if (from) {
    job.start = PackStamp(*from, *from);
    view_from = *from;
  }
  if (to) {
    job.end = PackStamp(*to, *to);
    view_to = *to;
  }
  job.run_limit = ScanTimeLimit(Today());
  job.line_count = static_cast<int>(measurement.line_count);
  const GraphViewState view = ViewAfterOpening(dir, measurement.line_count, view_from, view_to);
  job.write_graph_settings = [&](const std::string& path) {
    WriteGraphSettingsFile(path, view, separator);
  };

  std::error_code ec;
  const bool existed = std::filesystem::exists(destination, ec);
  std::filesystem::create_directories(destination, ec);
  YesDialogs dialogs(err, args->Has("--yes"), "copy");
  switch (CopyMeasurement(job, dialogs)) {
    case CopyOutcome::kDone:
      return 0;
    case CopyOutcome::kStands:
      return 3;
    default:
      // A copy that failed into a new folder leaves no folder behind.
      if (!existed) std::filesystem::remove(destination, ec);  // only when still empty
      return 1;
  }
}

}  // namespace korvan::cli
