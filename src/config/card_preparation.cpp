#include "config/card_preparation.h"

#include <algorithm>

#include "app/card_files.h"
#include "app/error.h"
#include "app/numbers.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/preparation_mark.h"
#include "config/settings_file.h"
#include "platform/file_extents.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace korvan {

namespace {

std::optional<std::string> PathOf(const CardJob& job, const char* name) {
  return CardFilePath(job.location, name, true, job.dialogs);
}

// Everything the files need, converted up front: a typo must be found before the card's
// data are gone.
struct Converted {
  std::string image;
  SettingsNumbers numbers;
};

std::optional<Converted> Convert(const CardJob& job) {
  try {
    Converted converted;
    converted.image = BuildConfigImage(job.config, job.decimal_separator);
    converted.numbers = ConvertSettingsNumbers(job.config, job.decimal_separator);
    return converted;
  } catch (const Error& e) {
    job.dialogs.ShowError(e.what());
    return std::nullopt;
  }
}

bool WriteConfigIni(const CardJob& job) {
  const auto ini_path = PathOf(job, kConfigIniFile);
  if (!ini_path) return false;
  try {
    WriteSettingsFile(*ini_path, job.config, job.instruments, job.decimal_separator);
  } catch (const Error& e) {
    job.dialogs.ShowError(e.what());
    return false;
  }
  return true;
}

using StepHook = std::function<void(std::string_view step)>;

void Step(const StepHook& hook, std::string_view step) {
  if (hook) hook(step);
}

bool WriteConfiguration(const CardJob& job, const std::string& image, const StepHook& hook = {}) {
  const auto bin_path = PathOf(job, kConfigImageFile);
  if (!bin_path) return false;
  if (!WriteFileAtomically(*bin_path, image)) {
    job.dialogs.ShowError(kCfgCannotCreate);
    return false;
  }
  Step(hook, kConfigImageFile);
  if (!WriteConfigIni(job)) return false;
  Step(hook, kConfigIniFile);
  return true;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Room for a settings text far longer than any configuration gives.
constexpr uint64_t kConfigTextAllowance = 64 << 10;

uint64_t RoundUp(uint64_t bytes, uint64_t unit) { return (bytes + unit - 1) / unit * unit; }

// Whether the new files fit where the old ones are, counting what deleting those frees: a
// card too small must keep its old files. A file system that cannot be asked is not refused.
bool FitsOnCard(const CardJob& job, const std::string& log_path, uint64_t log_bytes) {
  const std::string folder = FolderOfPath(log_path);
  const std::optional<FreeSpace> space = FreeSpaceAt(folder);
  if (!space) return true;
  uint64_t available = space->bytes;
  for (const char* name : {kReaderFile, kConfigImageFile, kConfigIniFile, kLogFile}) {
    if (const auto path = CardFilePath(job.location, name, false, job.dialogs)) {
      available += BytesFreedByRemoving(*path);
    }
  }
  const uint64_t unit = space->unit;
  const uint64_t needed = RoundUp(log_bytes, unit) + RoundUp(kCardBlockSize, unit) +
                          RoundUp(kConfigImageSize, unit) + RoundUp(kConfigTextAllowance, unit);
  if (needed <= available) return true;
  job.dialogs.ShowError("Na kartě není dost místa: LOG.BIN má " + std::to_string(log_bytes) +
                        " bajtů (se soubory RDR.BIN, CONFIG.BIN a CONFIG.INI nejvýše " +
                        std::to_string(needed) + " bajtů), volných je jen " +
                        std::to_string(available) +
                        " bajtů včetně souborů, které by příprava smazala. Karta zůstala beze "
                        "změny.");
  return false;
}

bool LockFolder(const CardJob& job, const std::string& path, std::optional<FolderLock>& lock) {
  const std::string folder = FolderOfPath(path);
  lock.emplace(folder);
  if (lock->held()) return true;
  job.dialogs.ShowError(lock->refusal());
  return false;
}

}  // namespace

bool WriteCardConfiguration(const CardJob& job) {
  const std::optional<Converted> converted = Convert(job);
  return converted && WriteConfiguration(job, converted->image);
}

LogFileResult WriteLogFile(const std::string& path, int64_t blocks, CardProgress* progress) {
  AtomicWriter file(path);
  if (!file.ok()) return LogFileResult::kCannotCreate;
  blocks = std::max<int64_t>(blocks, 0);
  if (progress) progress->SetMaximum(blocks);
  // One buffer prepared once; a progress step's worth of blocks per write.
  const std::string chunk(kCardBlockSize * kBlocksPerProgressStep, static_cast<char>(0xFF));
  int64_t written = 0;
  for (; blocks - written >= kBlocksPerProgressStep; written += kBlocksPerProgressStep) {
    if (!file.Write(chunk)) return LogFileResult::kIncomplete;
    if (progress) progress->SetPosition(written + kBlocksPerProgressStep - 1);
  }
  const size_t rest = static_cast<size_t>(blocks - written) * kCardBlockSize;
  if (rest > 0 && !file.Write(chunk.data(), rest)) return LogFileResult::kIncomplete;
  // The writer removes its data on any failure, so an incomplete file never gets the name.
  return file.Commit() ? LogFileResult::kWritten : LogFileResult::kIncomplete;
}

std::vector<std::string> DiskCheckCommand(const CardSystem& system, char letter) {
  const std::vector<Drive>& drives = system.drives;
  auto drive = std::find_if(drives.begin(), drives.end(),
                            [letter](const Drive& d) { return d.letter == letter; });
  if (drive == drives.end() || system.processes == nullptr) return {};
  const std::string device = CheckableDevice(*drive);
  if (device.empty() || !system.device_readable(device)) return {};
  const std::string program = system.processes->Find("fsck.fat");
  if (program.empty()) return {};
  return {program, "-n", device};
}

int DefragmenterExitCode(ExtentQuery* extents, const std::string& log_path) {
  if (extents == nullptr) return 1;
  return FileContiguity(*extents, log_path) == Contiguity::kContiguous ? 0 : 1;
}

bool PrepareCard(const CardJob& job, CardProgress& progress, const CardSystem& system) {
  const auto log_path = PathOf(job, kLogFile);
  if (!log_path) return false;
  const std::optional<Converted> converted = Convert(job);
  if (!converted) return false;
  // A recording of no days would leave a card the logger cannot record on.
  const int32_t file_size = converted->numbers.file_size;
  if (file_size < 1) {
    job.dialogs.ShowError("LOG.BIN o velikosti " + std::to_string(file_size) +
                          " MB nelze vytvořit: doba záznamu musí být delší než 0 dní a soubor "
                          "musí mít alespoň 1 MB.");
    return false;
  }
  std::optional<FolderLock> lock;
  if (!LockFolder(job, *log_path, lock)) return false;
  // A folder or a device under the name cannot be replaced by the file: nothing is deleted.
  const FileKind log_kind = QueryFile(*log_path).kind;
  if (log_kind == FileKind::kDirectory || log_kind == FileKind::kOther) {
    job.dialogs.ShowError(kLogCannotCreate);
    return false;
  }
  const int64_t blocks = int64_t{file_size} * kBlocksPerMB;
  if (!FitsOnCard(job, *log_path, static_cast<uint64_t>(blocks) * kCardBlockSize)) return false;

  const std::string folder = FolderOfPath(*log_path);
  if (PreparationInterrupted(folder)) {
    // What the interrupted preparation left is no data to keep; it was agreed to delete.
    if (!job.dialogs.Ask(kAskFinishPreparation)) return false;
  } else if (FileExists(*log_path) &&
             !job.dialogs.Ask(job.location.alternative ? kAskDeleteAlternativeData
                                                       : kAskDeleteCardData)) {
    return false;
  }

  const StepHook& step = system.after_step;
  std::string reason;
  if (!MarkPreparation(folder, &reason)) {
    job.dialogs.ShowError("Kartu nelze připravit: do složky " + folder + " nelze zapisovat (" +
                          reason + "). Karta zůstala beze změny.");
    return false;
  }
  Step(step, "mark");
  std::string rdr_path;
  for (const char* name : {kReaderFile, kConfigImageFile, kConfigIniFile, kLogFile}) {
    const auto path = PathOf(job, name);
    if (!path) return false;
    RemoveFile(*path);  // what cannot be removed is replaced or reported when written
    if (std::string_view(name) == kReaderFile) rdr_path = *path;
    Step(step, std::string("remove ") + name);
  }

  switch (WriteLogFile(*log_path, blocks, &progress)) {
    case LogFileResult::kCannotCreate:
      job.dialogs.ShowError(kLogCannotCreate);
      return false;
    case LogFileResult::kIncomplete:
      job.dialogs.ShowError(kLogIncomplete);
      return false;
    case LogFileResult::kWritten:
      break;
  }
  Step(step, kLogFile);

  if (!WriteFileAtomically(rdr_path, std::string(kCardBlockSize, static_cast<char>(0xFF)))) {
    job.dialogs.ShowError(kRdrCannotCreate);
    return false;
  }
  Step(step, kReaderFile);
  if (!WriteConfiguration(job, converted->image, step)) return false;
  // Every file is synced by its writer: the card is whole from here on.
  if (!UnmarkPreparation(folder, &reason)) {
    job.dialogs.ShowError("Soubor " + JoinFolder(folder, kPreparationMarkFile) + " nelze smazat (" +
                          reason + "); připravte kartu znovu.");
    return false;
  }
  Step(step, "unmark");

  if (job.location.alternative) {
    job.dialogs.Done(kCardDone);
  } else {
    const std::vector<std::string> check = DiskCheckCommand(system, job.location.card_letter);
    if (!check.empty()) system.processes->Run(check[0], {check.begin() + 1, check.end()});
    job.dialogs.Done(DefragmenterExitCode(system.extents, *log_path) == 0 ? kCardDone
                                                                          : kCardDoneDefragment);
  }
  progress.SetPosition(0);
  return true;
}

bool ChangeCardConfiguration(const CardJob& job) {
  const auto log_path = PathOf(job, kLogFile);
  if (!log_path) return false;
  const auto rdr_path = PathOf(job, kReaderFile);
  if (!rdr_path) return false;
  // New configuration files would not make an interrupted preparation's card whole.
  if (!RefuseInterruptedPreparation(FolderOfPath(*log_path), job.dialogs)) return false;
  if (!FileExists(*log_path) || !FileExists(*rdr_path)) {
    job.dialogs.ShowError(kCardFilesMissing);
    return false;
  }
  const std::optional<Converted> converted = Convert(job);
  if (!converted) return false;
  if (!job.dialogs.Ask(kAskChangeConfiguration)) return false;
  std::optional<FolderLock> lock;
  if (!LockFolder(job, *log_path, lock)) return false;

  // CONFIG.INI is written here and again by WriteConfiguration, as the logger's own tool
  // does; the second write is not a slip.
  if (!WriteConfigIni(job)) return false;
  if (!WriteConfiguration(job, converted->image)) return false;
  job.dialogs.Done(kCardDone);
  return true;
}

}  // namespace korvan
