// The join of card folders: which folders may be joined, and the joined folder's files
// around the merged LOG.BIN.
#include <algorithm>
#include <bit>
#include <memory>

#include "app/card_files.h"
#include "app/data_location.h"
#include "app/date_time.h"
#include "app/encodings.h"
#include "app/error.h"
#include "app/ini_file.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/preparation_mark.h"
#include "data/graph_settings_file.h"
#include "data/log_merge.h"
#include "data/measurement.h"
#include "data/measurement_config.h"
#include "data/measurement_folder.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/folder_lock.h"

namespace korvan {

std::string FormatMergeMessage(const char* text, const std::vector<std::string>& values) {
  std::string out;
  size_t next = 0;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (next < values.size()) out += values[next++];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

namespace {

// The lines of a card folder as the load reads them, and its whole CONFIG.BIN when it has one.
struct FolderLines {
  Measurement measurement;
  std::optional<ConfigImage> image;
};

std::unique_ptr<FolderLines> ReadFolderLines(const std::string& dir) {
  auto lines = std::make_unique<FolderLines>();
  std::string image;
  const bool has_image = ReadConfigImageFile(CardSetPath(dir, kConfigImageFile), image);
  if (has_image) {
    ConfigImage parsed =
        ParseConfigImage({reinterpret_cast<const uint8_t*>(image.data()), image.size()});
    if (parsed.complete) lines->image = std::move(parsed);
  }
  const std::string ini_path = CardSetPath(dir, kConfigIniFile);
  std::optional<IniFile> ini;
  if (IsRegularFile(ini_path)) ini.emplace(ini_path);
  if (ini && IsOwnConfigIni(ini->document())) {
    ReadConfigIni(ini->document(), lines->measurement);
  } else if (has_image) {
    ReadConfigBin(reinterpret_cast<const uint8_t*>(image.data()), image.size(), lines->measurement);
  } else {
    throw Error(FormatMergeMessage(kMergeNoMeasurement, {dir}));
  }
  return lines;
}

bool SameLine(const MeasuredLine& a, const MeasuredLine& b) {
  return a.caption == b.caption && a.interval_number == b.interval_number &&
         a.type_letter == b.type_letter && a.size_digit == b.size_digit &&
         a.multiplier == b.multiplier && a.minimum == b.minimum && a.maximum == b.maximum &&
         a.offset == b.offset;
}

bool SameImageLine(const ConfigImageLine& a, const ConfigImageLine& b) {
  auto bits = [](float f) { return std::bit_cast<uint32_t>(f); };
  return a.instrument == b.instrument && a.label == b.label &&
         a.interval_number == b.interval_number && a.address == b.address &&
         a.register_kind == b.register_kind && a.register_address == b.register_address &&
         a.number_type == b.number_type && bits(a.multiplier) == bits(b.multiplier) &&
         bits(a.minimum) == bits(b.minimum) && bits(a.maximum) == bits(b.maximum);
}

}  // namespace

std::optional<std::string> LinesDiffer(const std::string& first, const std::string& other) {
  const std::unique_ptr<FolderLines> a = ReadFolderLines(first);
  const std::unique_ptr<FolderLines> b = ReadFolderLines(other);
  const Measurement& x = a->measurement;
  const Measurement& y = b->measurement;
  const size_t image_lines =
      a->image && b->image ? std::min(a->image->lines.size(), b->image->lines.size()) : 0;
  const bool image_counts_differ =
      a->image && b->image && a->image->lines.size() != b->image->lines.size();
  if (x.line_count != y.line_count || image_counts_differ) {
    return FormatMergeMessage(kMergeLineCountsDiffer, {first, other, std::to_string(x.line_count),
                                                       std::to_string(y.line_count)});
  }
  for (size_t i = 0; i < std::max<size_t>(x.line_count, image_lines); ++i) {
    const bool loaded_differ = i < x.line_count && !SameLine(x.lines[i], y.lines[i]);
    const bool image_differ =
        i < image_lines && !SameImageLine(a->image->lines[i], b->image->lines[i]);
    if (loaded_differ || image_differ) {
      std::string name = std::to_string(i + 1);
      if (i < x.line_count) name += " („" + x.lines[i].caption + "“)";
      return FormatMergeMessage(kMergeLinesDiffer, {first, other, name});
    }
  }
  return std::nullopt;
}

MergeOutcome WriteMergedSet(const std::string& dir, const MergedSet& set, FileSet& files,
                            AtomicWriter& log, UserDialogs& dialogs) {
  for (const char* name : {kConfigImageFile, kConfigIniFile}) {
    if (const char* failure = StageConfigFile(files, set.config_source, name, false)) {
      dialogs.ShowError(failure);
      return MergeOutcome::kFailed;
    }
  }
  if (!log.Commit()) {
    dialogs.ShowError(kCopyLogWriteFailed);
    return MergeOutcome::kFailed;
  }
  const std::string failure = StageGraphSettings(files, dir, [&](const std::string& path) {
    WriteGraphSettingsFile(path, set.view, set.decimal_separator);
  });
  if (!failure.empty()) {
    dialogs.ShowError(failure);
    return MergeOutcome::kFailed;
  }
  if (files.Commit()) return MergeOutcome::kDone;
  if (!files.committed()) {
    dialogs.ShowError(kCopyLogWriteFailed);
    return MergeOutcome::kFailed;
  }
  dialogs.Warn(SetStandsText(dir, files.reason()));
  return MergeOutcome::kStands;
}

namespace {

MergeInput FileInput(const std::shared_ptr<ReadOnlyFile>& file) {
  MergeInput input;
  input.size = file->size();
  input.open = [file](uint64_t offset) -> CopyRead {
    return [file, offset](uint8_t* buffer, size_t n) mutable {
      const ptrdiff_t got = file->ReadAt(offset, buffer, n);
      if (got > 0) offset += static_cast<uint64_t>(got);
      return got;
    };
  };
  return input;
}

// The view the joined folder opens with: the stored view of the newest source that has one,
// its range and time axis spanning the whole.
GraphViewState JoinedView(const MeasurementMergeJob& job, const MergeLogResult& log,
                          uint32_t line_count) {
  GraphViewState view;
  bool stored = false;
  for (auto s = log.oldest_first.rbegin(); s != log.oldest_first.rend() && !stored; ++s) {
    stored = ViewOfFolder(job.source_dirs[*s], line_count, job.now, view);
  }
  if (!stored) ViewOfFolder(job.source_dirs[log.newest], line_count, job.now, view);
  if (log.earliest <= log.latest) {
    view.range_from = view.time_min = UnpackStamp(log.earliest, 0);
    view.range_to = view.time_max = UnpackStamp(log.latest, 0);
  }
  return view;
}

}  // namespace

MergeReport MergeMeasurements(const MeasurementMergeJob& job, UserDialogs& dialogs) {
  MergeReport report;
  auto stop = [&](const std::string& text, MergeOutcome outcome) {
    dialogs.ShowError(text);
    report.outcome = outcome;
    return report;
  };
  const std::vector<std::string>& sources = job.source_dirs;
  const std::string& destination = job.destination_dir;
  if (sources.empty()) return stop(FormatMergeMessage(kMergeNoMeasurement, {""}), report.outcome);
  for (const std::string& source : sources) {
    if (!RefuseInterruptedPreparation(source, dialogs)) return report;
    std::string busy;
    if (!WholeSetReadable(source, &busy)) return stop(busy, report.outcome);
    if (!HoldsMeasurement(source)) {
      return stop(FormatMergeMessage(kMergeNoMeasurement, {source}), report.outcome);
    }
  }
  // Writing onto a source would destroy what is being read.
  for (const std::string& source : sources) {
    if (WritesOntoSource(source, destination)) return stop(kCopyOntoSource, report.outcome);
  }
  uint32_t line_count = 0;
  try {
    for (size_t i = 1; i < sources.size(); ++i) {
      if (std::optional<std::string> differ = LinesDiffer(sources[0], sources[i])) {
        return stop(*differ, report.outcome);
      }
    }
    line_count = ReadFolderLines(sources[0])->measurement.line_count;
  } catch (const Error& e) {  // a CONFIG.INI of another program without a CONFIG.BIN
    return stop(e.what(), report.outcome);
  }

  const FolderLock lock(destination);
  switch (ClaimDestination(lock, destination, dialogs)) {
    case DestinationClaim::kBusy:
      report.outcome = MergeOutcome::kRefused;
      return report;
    case DestinationClaim::kDeclined:
      report.outcome = MergeOutcome::kDeclined;
      return report;
    case DestinationClaim::kClaimed:
      break;
  }

  std::vector<MergeInput> inputs;
  uint64_t total = 0;
  for (const std::string& source : sources) {
    auto file = std::make_shared<ReadOnlyFile>(CardSetPath(source, kLogFile));
    if (!file->IsOpen()) {
      return stop(FormatMergeMessage(kMergeReadFailed, {source}), MergeOutcome::kFailed);
    }
    total += file->size();
    inputs.push_back(FileInput(file));
  }
  // Until the set is committed the destination's files stay as they were; any failure below
  // drops what was staged.
  FileSet files(destination);
  const std::string log_stage = files.StagePath(kLogFile);
  if (log_stage.empty()) return stop(kCopyLogCreateFailed, MergeOutcome::kFailed);
  AtomicWriter log(log_stage);
  if (!log.ok()) return stop(kCopyLogCreateFailed, MergeOutcome::kFailed);
  if (job.progress_start) job.progress_start(2 * total);
  struct Finish {
    const MeasurementMergeJob& job;
    ~Finish() {
      if (job.progress_finish) job.progress_finish();
    }
  } finish{job};
  report.log = MergeLogBlocks(
      inputs, [&](const uint8_t* bytes, size_t size) { return log.Write(bytes, size); },
      job.run_limit, static_cast<int>(line_count), job.progress_advance);
  const std::string failed_dir = sources[report.log.failed_source];
  switch (report.log.outcome) {
    case MergeLogOutcome::kDone:
      break;
    case MergeLogOutcome::kReadFailed:
      return stop(FormatMergeMessage(kMergeReadFailed, {failed_dir}), MergeOutcome::kFailed);
    case MergeLogOutcome::kTooManyRuns:
      return stop(FormatMergeMessage(kMergeTooManyRuns, {failed_dir}), MergeOutcome::kFailed);
    case MergeLogOutcome::kWriteFailed:
      return stop(kCopyLogWriteFailed, MergeOutcome::kFailed);
  }

  const std::string& newest = sources[report.log.newest];
  MergedSet set;
  set.config_source = newest;
  set.view = JoinedView(job, report.log, line_count);
  set.decimal_separator = job.decimal_separator;
  report.outcome = WriteMergedSet(destination, set, files, log, dialogs);
  if (report.outcome == MergeOutcome::kFailed) return report;
  if (report.log.conflicts > 0) {
    const double first = UnpackStamp(report.log.first_conflict, 0);
    dialogs.Warn(
        FormatMergeMessage(kMergeConflicts, {std::to_string(report.log.conflicts),
                                             FormatDateTime("d.M.yyyy hh:nn:ss", first), newest}));
  }
  return report;
}

}  // namespace korvan
