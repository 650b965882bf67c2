// korvan-cli merge: saved copies (or cards) of one logger joined into one measurement.

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/card_files.h"
#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_options.h"
#include "data/log_scan.h"
#include "data/measurement_merge.h"
#include "platform/file_query.h"

namespace korvan::cli {

int RunMerge(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse("merge", UsageOf("merge"), arguments,
                                     {{"--yes", false}, kDecimalOption}, 2, SIZE_MAX, err);
  if (!args) return 2;
  char separator = 0;
  if (!args->DecimalSeparator(separator, err)) return 2;
  MeasurementMergeJob job;
  job.source_dirs.assign(args->positional().begin(), args->positional().end() - 1);
  job.destination_dir = args->positional().back();
  job.run_limit = ScanTimeLimit(Today());
  job.now = Now();
  job.decimal_separator = separator;

  // A destination that is a source, or whose files are a source's: refused as copy refuses.
  for (const std::string& source : job.source_dirs) {
    if (SameFile(source, job.destination_dir)) {
      err << "korvan-cli: merge: cíl " << job.destination_dir << " je vstupní složka " << source
          << "; nic nebylo zapsáno\n";
      return 2;
    }
    for (const char* name : {kConfigImageFile, kConfigIniFile, kLogFile, kGraphIniFile}) {
      if (OutputCollides("merge", JoinFolder(job.destination_dir, name), {}, source, err)) {
        return 2;
      }
    }
  }

  YesDialogs dialogs(err, args->Has("--yes"), "merge");
  // The checks come first: a refused join leaves no folder behind.
  std::error_code ec;
  const bool existed = std::filesystem::exists(job.destination_dir, ec);
  std::filesystem::create_directories(job.destination_dir, ec);
  const MergeReport report = MergeMeasurements(job, dialogs);
  if (report.outcome != MergeOutcome::kDone && report.outcome != MergeOutcome::kStands) {
    if (!existed) std::filesystem::remove(job.destination_dir, ec);  // only when still empty
    return 1;
  }
  const MergeLogResult& log = report.log;
  out << "spojeno: " << log.blocks << " záznamů z " << job.source_dirs.size() << " složek";
  if (log.duplicates > 0) out << ", " << log.duplicates << " shodných vynecháno";
  out << "\n";
  if (log.earliest <= log.latest) {
    out << "rozsah: " << IsoDateTimeText(UnpackStamp(log.earliest, 0)) << " až "
        << IsoDateTimeText(UnpackStamp(log.latest, 0)) << "\n";
  }
  out << "konfigurace z: " << job.source_dirs[log.newest] << "\n";
  if (!OutputWritten("merge", out, err)) return 1;
  return report.outcome == MergeOutcome::kStands ? 3 : 0;
}

}  // namespace korvan::cli
