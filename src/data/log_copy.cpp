#include "data/log_copy.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "app/card_files.h"
#include "app/data_location.h"
#include "app/encodings.h"
#include "app/error.h"
#include "app/user_dialogs.h"
#include "config/preparation_mark.h"
#include "data/log_block.h"
#include "data/log_scan.h"
#include "data/measurement_folder.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/folder_lock.h"

namespace korvan {

namespace {

constexpr int kMaxCopyLines = 50;
// Far above any configuration a logger writes; a larger file is not one of them.
constexpr size_t kMaxConfigBytes = 16 << 20;
// Copied blocks are gathered and handed to the kernel in pieces of about this size.
constexpr size_t kWriteBatch = 256 << 10;

// Chunks as in the log scan: a marker is decided only when the BlockReach bytes after it are
// all present (or the file has ended); a nearer one is carried over to the next chunk, so that
// no block is cut at a chunk boundary and no byte beyond those read is looked at.
class Copier {
 public:
  Copier(const CopyWrite& write, uint32_t start, uint32_t end, uint32_t run_limit, int lines)
      : write_(write), start_(start), end_(end), run_limit_(run_limit), lines_(lines) {
    out_.reset(new uint8_t[kWriteBatch + log_block::BlockReach(kMaxCopyLines)]);
  }

  // Parses buf[pos, avail); returns where the copy resumes, or nothing after a failed write.
  std::optional<size_t> Parse(const uint8_t* buf, size_t avail, size_t pos, bool at_end) {
    const size_t reach = log_block::BlockReach(lines_);
    const size_t stop = log_block::CandidateStop(avail, reach, at_end);
    while (pos < stop) {
      const size_t m = log_block::FindMarker(buf, pos, stop, avail);
      if (m >= stop) return at_end ? avail : stop;
      if (!log_block::BlockAt(stamps_, buf, m, avail, run_limit_)) {
        pos = m + 2;
        continue;
      }
      const uint32_t stamp = log_block::Load32(buf + m + 4);
      if (stamp < start_ || stamp >= end_) {
        pos = m + 2;
        continue;
      }
      const log_block::BlockHead head = log_block::ReadBlockHead(buf, m, avail);
      const size_t block_end =
          log_block::WalkEntries(buf, head.entries, avail, lines_, [](uint16_t, uint32_t) {});
      std::memcpy(out_.get() + out_size_, buf + m, block_end - m);
      out_size_ += block_end - m;
      ++result.blocks;
      if (out_size_ >= kWriteBatch && !Flush()) return std::nullopt;
      pos = block_end;
    }
    return at_end ? avail : std::max(pos, stop);
  }

  bool Flush() {
    if (out_size_ == 0) return true;
    const bool ok = write_(out_.get(), out_size_);
    if (ok) result.bytes_written += out_size_;
    out_size_ = 0;
    return ok;
  }

  LogCopyResult result;

 private:
  const CopyWrite& write_;
  uint32_t start_;
  uint32_t end_;
  uint32_t run_limit_;
  int lines_;
  log_block::StampCheck stamps_;
  std::unique_ptr<uint8_t[]> out_;
  size_t out_size_ = 0;
};

}  // namespace

LogCopyResult CopyLogBlocks(const CopyRead& read, const CopyWrite& write, uint32_t start,
                            uint32_t end, uint32_t run_limit, int line_count,
                            const CopyProgress& progress, size_t chunk_size) {
  const int lines = std::clamp(line_count, 0, kMaxCopyLines);
  Copier copier(write, start, end, run_limit, lines);
  chunk_size = std::max<size_t>(chunk_size, 1);
  const size_t reach = log_block::BlockReach(lines);
  // Carried-over bytes are always fewer than reach, so one chunk always fits after them.
  const size_t capacity = chunk_size + reach;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
  uint8_t* buf = buffer.get();
  size_t avail = 0;
  size_t pos = 0;
  for (;;) {
    if (pos > 0) {
      std::memmove(buf, buf + pos, avail - pos);
      avail -= pos;
      pos = 0;
    }
    const ptrdiff_t n = read(buf + avail, std::min(chunk_size, capacity - avail));
    // A failed read ends the copy as the end of the file does: what was read is copied.
    const bool at_end = n <= 0;
    if (n < 0) copier.result.outcome = LogCopyOutcome::kReadFailed;
    if (n > 0) {
      avail += static_cast<size_t>(n);
      copier.result.bytes_read += static_cast<uint64_t>(n);
      if (progress) progress(static_cast<size_t>(n));
    }
    const std::optional<size_t> next = copier.Parse(buf, avail, pos, at_end);
    if (!next) {
      copier.result.outcome = LogCopyOutcome::kWriteFailed;
      return copier.result;
    }
    pos = *next;
    if (at_end) break;
  }
  if (!copier.Flush()) copier.result.outcome = LogCopyOutcome::kWriteFailed;
  return copier.result;
}

LogCopyResult CopyLogRecords(ReadOnlyFile& source, AtomicWriter& destination, uint32_t start,
                             uint32_t end, uint32_t run_limit, int line_count,
                             const CopyProgress& progress, size_t chunk_size) {
  return CopyLogBlocks(
      [&](uint8_t* buffer, size_t n) { return source.Read(buffer, n); },
      [&](const uint8_t* bytes, size_t size) { return destination.Write(bytes, size); }, start, end,
      run_limit, line_count, progress, chunk_size);
}

namespace {

constexpr const char* kCopiedNames[] = {kConfigImageFile, kConfigIniFile, kLogFile, kGraphIniFile};

}  // namespace

std::string CopyLogWriteFailedText(const std::string& path, const std::string& reason) {
  return std::string(kCopyLogWriteFailed) + "\n" + path + ": " + reason + ".";
}

bool WritesOntoSource(const std::string& source, const std::string& destination) {
  if (SameFile(source, destination)) return true;
  for (const char* name : kCopiedNames) {
    if (CardFileNamedBy(source, JoinFolder(destination, name))) return true;
  }
  return false;
}

DestinationClaim ClaimDestination(const FolderLock& lock, const std::string& destination,
                                  UserDialogs& dialogs) {
  if (!lock.held()) {
    dialogs.ShowError(lock.refusal());
    return DestinationClaim::kBusy;
  }
  if (QueryFile(JoinFolder(destination, kLogFile)).kind != FileKind::kNone &&
      !dialogs.Ask(kCopyDestinationHasData)) {
    return DestinationClaim::kDeclined;
  }
  return DestinationClaim::kClaimed;
}

const char* StageConfigFile(FileSet& set, const std::string& source, const char* name,
                            bool required) {
  const std::string path = CardSetPath(source, name);
  const std::optional<std::string> bytes = ReadWholeFile(path, kMaxConfigBytes);
  if (!bytes) {
    if (required || QueryFile(path).kind != FileKind::kNone) return kCopyConfigOpenFailed;
    return set.Remove(name) ? nullptr : kCopyConfigCreateFailed;
  }
  const std::string stage = set.StagePath(name);
  if (stage.empty() || !WriteFileAtomically(stage, *bytes)) return kCopyConfigCreateFailed;
  return nullptr;
}

std::string SetStandsText(const std::string& folder, const std::string& reason) {
  return "Nová data jsou ve složce " + folder + " zapsána, ale jejich dokončení selhalo (" +
         reason + "). Platí nová data; dokončí je příští čtení nebo zápis složky.";
}

std::string StageGraphSettings(FileSet& set, const std::string& destination,
                               const std::function<void(const std::string&)>& write) {
  const std::string stage = set.StagePath(kGraphIniFile);
  if (stage.empty()) {
    return "Soubor " + JoinFolder(destination, kGraphIniFile) + " nelze zapsat: " + set.reason();
  }
  try {
    write(stage);
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

namespace {

// A source that cannot be copied into destination, told through dialogs.
bool RefuseCopy(const std::string& source, const std::string& destination, UserDialogs& dialogs) {
  if (!RefuseInterruptedPreparation(source, dialogs)) return true;
  // Writing the data location onto itself would truncate LOG.BIN while it is being read.
  if (WritesOntoSource(source, destination)) {
    dialogs.ShowError(kCopyOntoSource);
    return true;
  }
  std::string busy;
  if (!WholeSetReadable(source, &busy)) {
    dialogs.ShowError(busy);
    return true;
  }
  return false;
}

// The records of the job's range staged into set as LOG.BIN; the failure's text, or empty.
std::string StageCopiedLog(const MeasurementCopyJob& job, FileSet& set) {
  const std::string log_source = CardSetPath(job.source_dir, kLogFile);
  if (job.progress_start) job.progress_start(QueryFile(log_source).size);
  ReadOnlyFile input(log_source);
  if (!input.IsOpen()) return kCopyLogOpenFailed;
  const std::string log_stage = set.StagePath(kLogFile);
  if (log_stage.empty()) return kCopyLogCreateFailed;
  AtomicWriter output(log_stage);
  if (!output.ok()) return kCopyLogCreateFailed;
  const LogCopyResult copied = CopyLogRecords(input, output, job.start, job.end, job.run_limit,
                                              job.line_count, job.progress_advance);
  // A source that could not be read to its end gives no copy: a cut LOG.BIN under the final
  // name would pass for the whole measurement.
  if (copied.outcome == LogCopyOutcome::kReadFailed) return kCopyLogReadFailed;
  if (copied.outcome == LogCopyOutcome::kWriteFailed || !output.Commit()) {
    return CopyLogWriteFailedText(JoinFolder(job.destination_dir, kLogFile), output.reason());
  }
  return {};
}

// The files are staged in their order and committed together; the first failure drops the
// staged ones and leaves the destination's set, its GRAPH.INI included, as it was.
CopyOutcome WriteCopiedSet(const MeasurementCopyJob& job, UserDialogs& dialogs) {
  const std::string& destination = job.destination_dir;
  auto fail = [&](const std::string& message) {
    dialogs.ShowError(message);
    return CopyOutcome::kFailed;
  };
  FileSet set(destination);
  if (const char* failure = StageConfigFile(set, job.source_dir, kConfigImageFile, true)) {
    return fail(failure);
  }
  // A card prepared elsewhere may have no text configuration.
  if (const char* failure = StageConfigFile(set, job.source_dir, kConfigIniFile, false)) {
    return fail(failure);
  }
  if (const std::string failure = StageCopiedLog(job, set); !failure.empty()) {
    return fail(failure);
  }
  if (job.write_graph_settings) {
    const std::string failure = StageGraphSettings(set, destination, job.write_graph_settings);
    if (!failure.empty()) return fail(failure);
  }
  if (set.Commit()) return CopyOutcome::kDone;
  if (!set.committed()) {
    return fail(CopyLogWriteFailedText(JoinFolder(destination, kLogFile), set.reason()));
  }
  dialogs.Warn(SetStandsText(destination, set.reason()));
  return CopyOutcome::kStands;
}

}  // namespace

CopyOutcome CopyMeasurement(const MeasurementCopyJob& job, UserDialogs& dialogs) {
  if (RefuseCopy(job.source_dir, job.destination_dir, dialogs)) return CopyOutcome::kRefused;
  const FolderLock lock(job.destination_dir);
  switch (ClaimDestination(lock, job.destination_dir, dialogs)) {
    case DestinationClaim::kBusy:
      return CopyOutcome::kRefused;
    case DestinationClaim::kDeclined:
      return CopyOutcome::kDeclined;
    case DestinationClaim::kClaimed:
      break;
  }
  const CopyOutcome outcome = WriteCopiedSet(job, dialogs);
  if (job.progress_finish) job.progress_finish();
  return outcome;
}

}  // namespace korvan
