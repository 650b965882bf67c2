// The join of card folders: which folders may be joined, and the joined folder's files
// around the merged LOG.BIN.
#include "data/measurement_merge.h"

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

// The first field in which two lines of CONFIG.BIN differ, or nullptr: what the logger reads.
const char* ImageLineDifference(const ConfigImageLine& a, const ConfigImageLine& b) {
  auto bits = [](float f) { return std::bit_cast<uint32_t>(f); };
  if (a.instrument != b.instrument) return "přístroj";
  if (a.label != b.label) return "popis";
  if (a.interval_number != b.interval_number) return "interval";
  if (a.address != b.address) return "adresa";
  if (a.register_kind != b.register_kind || a.register_address != b.register_address) {
    return "registr";
  }
  if (a.number_type != b.number_type) return "typ čísla";
  if (bits(a.multiplier) != bits(b.multiplier)) return "násobitel";
  if (bits(a.minimum) != bits(b.minimum)) return "minimum";
  if (bits(a.maximum) != bits(b.maximum)) return "maximum";
  return nullptr;
}

// The same for lines as the load reads them, where a folder lacks a whole CONFIG.BIN. The
// logger holds the numbers in single precision: 0.1 from a CONFIG.INI and 0.100000001 from a
// CONFIG.BIN are one multiplier.
const char* LoadedLineDifference(const MeasuredLine& a, const MeasuredLine& b) {
  auto single = [](double x) { return static_cast<float>(x); };
  if (a.caption != b.caption) return "název";
  if (a.interval_number != b.interval_number) return "interval";
  if (a.type_letter != b.type_letter || a.size_digit != b.size_digit) return "typ čísla";
  if (single(a.multiplier) != single(b.multiplier)) return "násobitel";
  if (single(a.minimum) != single(b.minimum)) return "minimum";
  if (single(a.maximum) != single(b.maximum)) return "maximum";
  if (single(a.offset) != single(b.offset)) return "posun";
  return nullptr;
}

}  // namespace

std::optional<std::string> LinesDiffer(const std::string& first, const std::string& other) {
  const std::unique_ptr<FolderLines> a = ReadFolderLines(first);
  const std::unique_ptr<FolderLines> b = ReadFolderLines(other);
  const Measurement& x = a->measurement;
  const Measurement& y = b->measurement;
  // Where both hold a whole CONFIG.BIN, the lines are what the logger reads from it.
  const bool images = a->image && b->image;
  const size_t count_x = images ? a->image->lines.size() : x.line_count;
  const size_t count_y = images ? b->image->lines.size() : y.line_count;
  // The loaded count sizes the blocks the join reads, so it must agree as well.
  if (count_x != count_y || x.line_count != y.line_count) {
    const bool loaded = x.line_count != y.line_count;
    return FormatMergeMessage(kMergeLineCountsDiffer,
                              {first, other, std::to_string(loaded ? x.line_count : count_x),
                               std::to_string(loaded ? y.line_count : count_y)});
  }
  for (size_t i = 0; i < count_x; ++i) {
    const char* field = images ? ImageLineDifference(a->image->lines[i], b->image->lines[i])
                               : LoadedLineDifference(x.lines[i], y.lines[i]);
    if (field != nullptr) {
      std::string name = std::to_string(i + 1);
      if (i < x.line_count) name += " („" + x.lines[i].caption + "“)";
      return FormatMergeMessage(kMergeLinesDiffer, {first, other, field, name});
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
    dialogs.ShowError(CopyLogWriteFailedText(JoinFolder(dir, kLogFile), log.reason()));
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
    dialogs.ShowError(CopyLogWriteFailedText(JoinFolder(dir, kLogFile), files.reason()));
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

// What makes the sources unfit to join into the destination, told through dialogs: a
// source not a whole card folder with a measurement, the destination one of them, lines
// that differ. The sources' line count when they are fit.
std::optional<uint32_t> FitSources(const MeasurementMergeJob& job, UserDialogs& dialogs) {
  const std::vector<std::string>& sources = job.source_dirs;
  auto refuse = [&](const std::string& text) {
    dialogs.ShowError(text);
    return std::nullopt;
  };
  if (sources.empty()) return refuse(FormatMergeMessage(kMergeNoMeasurement, {""}));
  for (const std::string& source : sources) {
    if (!RefuseInterruptedPreparation(source, dialogs)) return std::nullopt;
    std::string busy;
    if (!WholeSetReadable(source, &busy)) return refuse(busy);
    if (!HoldsMeasurement(source)) {
      return refuse(FormatMergeMessage(kMergeNoMeasurement, {source}));
    }
  }
  // Writing onto a source would destroy what is being read.
  for (const std::string& source : sources) {
    if (WritesOntoSource(source, job.destination_dir)) return refuse(kCopyOntoSource);
  }
  try {
    for (size_t i = 1; i < sources.size(); ++i) {
      if (std::optional<std::string> differ = LinesDiffer(sources[0], sources[i])) {
        return refuse(*differ);
      }
    }
    return ReadFolderLines(sources[0])->measurement.line_count;
  } catch (const Error& e) {  // a CONFIG.INI of another program without a CONFIG.BIN
    return refuse(e.what());
  }
}

// Every source's LOG.BIN opened for the merge, and their sizes' sum; the folder of one that
// cannot be opened.
std::optional<std::string> OpenSources(const std::vector<std::string>& sources,
                                       std::vector<MergeInput>& inputs, uint64_t& total) {
  for (const std::string& source : sources) {
    auto file = std::make_shared<ReadOnlyFile>(CardSetPath(source, kLogFile));
    if (!file->IsOpen()) return source;
    total += file->size();
    inputs.push_back(FileInput(file));
  }
  return std::nullopt;
}

// Why a merge of the blocks did not finish, as the user is told it.
std::string MergeLogFailureText(const MergeLogResult& result, const MeasurementMergeJob& job,
                                const AtomicWriter& log) {
  const std::string& failed_dir = job.source_dirs[result.failed_source];
  switch (result.outcome) {
    case MergeLogOutcome::kReadFailed:
      return FormatMergeMessage(kMergeReadFailed, {failed_dir});
    case MergeLogOutcome::kTooManyRuns:
      return FormatMergeMessage(kMergeTooManyRuns, {failed_dir});
    case MergeLogOutcome::kWriteFailed:
    case MergeLogOutcome::kDone:
      break;
  }
  return CopyLogWriteFailedText(JoinFolder(job.destination_dir, kLogFile), log.reason());
}

void WarnConflicts(const MergeLogResult& result, const std::string& newest, UserDialogs& dialogs) {
  if (result.conflicts == 0) return;
  const double first = UnpackStamp(result.first_conflict, 0);
  dialogs.Warn(FormatMergeMessage(
      kMergeConflicts,
      {std::to_string(result.conflicts), FormatDateTime("d.M.yyyy hh:nn:ss", first), newest}));
}

// Ends the job's progress however the merge leaves.
struct ProgressFinish {
  const MeasurementMergeJob& job;
  ~ProgressFinish() {
    if (job.progress_finish) job.progress_finish();
  }
};

}  // namespace

MergeReport MergeMeasurements(const MeasurementMergeJob& job, UserDialogs& dialogs) {
  MergeReport report;
  auto fail = [&](const std::string& text) {
    dialogs.ShowError(text);
    report.outcome = MergeOutcome::kFailed;
    return report;
  };
  const std::optional<uint32_t> line_count = FitSources(job, dialogs);
  if (!line_count) {
    report.outcome = MergeOutcome::kRefused;
    return report;
  }

  const std::string& destination = job.destination_dir;
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
  if (std::optional<std::string> unread = OpenSources(job.source_dirs, inputs, total)) {
    return fail(FormatMergeMessage(kMergeReadFailed, {*unread}));
  }
  // Until the set is committed the destination's files stay as they were; any failure below
  // drops what was staged.
  FileSet files(destination);
  const std::string log_stage = files.StagePath(kLogFile);
  if (log_stage.empty()) return fail(kCopyLogCreateFailed);
  AtomicWriter log(log_stage);
  if (!log.ok()) return fail(kCopyLogCreateFailed);
  if (job.progress_start) job.progress_start(2 * total);
  const ProgressFinish finish{job};
  report.log = MergeLogBlocks(
      inputs, [&](const uint8_t* bytes, size_t size) { return log.Write(bytes, size); },
      job.run_limit, static_cast<int>(*line_count), job.progress_advance);
  if (report.log.outcome != MergeLogOutcome::kDone) {
    return fail(MergeLogFailureText(report.log, job, log));
  }

  const std::string& newest = job.source_dirs[report.log.newest];
  MergedSet set;
  set.config_source = newest;
  set.view = JoinedView(job, report.log, *line_count);
  set.decimal_separator = job.decimal_separator;
  report.outcome = WriteMergedSet(destination, set, files, log, dialogs);
  if (report.outcome != MergeOutcome::kFailed) WarnConflicts(report.log, newest, dialogs);
  return report;
}

}  // namespace korvan
