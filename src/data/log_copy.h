#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace korvan {

class AtomicWriter;
class FileSet;
class FolderLock;
class ReadOnlyFile;
class UserDialogs;

// Bytes read per chunk of the copy by default (any size gives the same copy).
inline constexpr size_t kCopyChunk = 1 << 20;

enum class LogCopyOutcome { kDone, kReadFailed, kWriteFailed };

struct LogCopyResult {
  LogCopyOutcome outcome = LogCopyOutcome::kDone;
  uint64_t bytes_read = 0;
  uint64_t bytes_written = 0;
  uint64_t blocks = 0;
};

// Called after every chunk with the number of bytes it read.
using CopyProgress = std::function<void(size_t bytes)>;

// The copy's ends: read up to n bytes (the count, 0 at the end, -1 on a failure) and write
// bytes (false on a failure).
using CopyRead = std::function<ptrdiff_t(uint8_t* buffer, size_t n)>;
using CopyWrite = std::function<bool(const uint8_t* bytes, size_t size)>;

// Copies the valid record blocks with start <= stamp < end (unsigned) from read to write,
// byte for byte and one after another: marker, stamp, millisecond word when present, and the
// entries of the line list (line_count clamped to 0-50). Blocks are recognised as the log
// scan recognises them: run_limit (the load's limit, ScanTimeLimit) decides, as there, which
// reading of a run of AA bytes ending in AA AA is the block's; unlike the load, blocks after
// it are copied. The copy ends at the end of the source or
// at the first failed read (what was read before is copied) or write.
LogCopyResult CopyLogBlocks(const CopyRead& read, const CopyWrite& write, uint32_t start,
                            uint32_t end, uint32_t run_limit, int line_count,
                            const CopyProgress& progress = {}, size_t chunk_size = kCopyChunk);
// The same from an open file to a writer; nothing is committed here.
LogCopyResult CopyLogRecords(ReadOnlyFile& source, AtomicWriter& destination, uint32_t start,
                             uint32_t end, uint32_t run_limit, int line_count,
                             const CopyProgress& progress = {}, size_t chunk_size = kCopyChunk);

inline constexpr const char* kCopyConfigOpenFailed = "Konfigurační soubor nelze otevřít.";
inline constexpr const char* kCopyConfigCreateFailed = "Konfigurační soubor nelze vytvořit.";
inline constexpr const char* kCopyLogOpenFailed = "Datový soubor nelze otevřít.";
inline constexpr const char* kCopyLogCreateFailed = "Datový soubor nelze vytvořit.";
inline constexpr const char* kCopyLogReadFailed = "Datový soubor nelze přečíst celý.";
inline constexpr const char* kCopyLogWriteFailed = "Datový soubor nelze zapsat celý.";
// kCopyLogWriteFailed with the file and the system's reason (no space, an I/O error, the
// file-size limit) on a line of their own.
std::string CopyLogWriteFailedText(const std::string& path, const std::string& reason);
inline constexpr const char* kCopyOntoSource = "Cílová složka je zdrojem dat, vyberte jinou.";
inline constexpr const char* kCopyDestinationHasData =
    "Složka již obsahuje nějaká data. Chcete opravdu pokračovat ?";

// What a copy of a measurement needs besides the two folders.
struct MeasurementCopyJob {
  std::string source_dir;       // the data location's folder
  std::string destination_dir;  // as chosen; a "/" is added
  uint32_t start = 0;           // start <= stamp < end
  uint32_t end = 0;
  uint32_t run_limit = 0xFFFFFFFF;  // ScanTimeLimit of today
  int line_count = 0;
  // Writes GRAPH.INI at the given path; may throw Error.
  std::function<void(const std::string& path)> write_graph_settings;
  // Progress by bytes of LOG.BIN: its size first, then bytes read, then the end.
  std::function<void(uint64_t total)> progress_start;
  CopyProgress progress_advance;
  std::function<void()> progress_finish;
};

enum class CopyOutcome {
  kRefused,   // the destination is (or leads to) the source, or another writer holds it:
              // nothing asked or written
  kDeclined,  // the destination holds LOG.BIN and the question was not answered Yes
  kDone,      // every file copied
  kFailed,    // a failure was shown; the destination's files are as they were
  kStands,    // the new set was committed but not finished (told with Warn): it stands, and
              // the next reader or writer of the folder finishes it
};

// The steps that a copy and a join of card folders share.

// Whether writing a set of card files into destination would write over a file of source:
// destination is source, or one of its files is or leads to (a link, a hard link) one of
// source's.
bool WritesOntoSource(const std::string& source, const std::string& destination);

enum class DestinationClaim { kBusy, kDeclined, kClaimed };
// After the refusals, with destination's lock taken: a folder that another writer holds is
// told (FolderLock::refusal) and left; a LOG.BIN there is asked about (kCopyDestinationHasData).
DestinationClaim ClaimDestination(const FolderLock& lock, const std::string& destination,
                                  UserDialogs& dialogs);

// Stages GRAPH.INI into set through write (given the staging path; may throw Error). The
// failure's message, or empty.
std::string StageGraphSettings(FileSet& set, const std::string& destination,
                               const std::function<void(const std::string&)>& write);

// The warning for a set committed whose renames failed (reason): the new set stands.
std::string SetStandsText(const std::string& folder, const std::string& reason);

// Stages source's configuration file name into set whole; when source has none, the set's
// removal of it (an older one would be read in place of the new). A file that is there but
// cannot be read is a failure, not an absence. nullptr, or the failure's message.
const char* StageConfigFile(FileSet& set, const std::string& source, const char* name,
                            bool required);

// CONFIG.BIN and CONFIG.INI whole, LOG.BIN reduced to the blocks of the range, then GRAPH.INI,
// into the destination folder, holding its lock. The four files are committed as one set
// (FileSet): the destination ends with exactly the source's set (an older CONFIG.INI the
// source lacks is removed) or, after any failure or interruption, with its old one. A
// destination file that is or leads to a source file is refused before anything is written.
// The source is read as one whole set (WholeSetReadable). Failures are shown through dialogs.
CopyOutcome CopyMeasurement(const MeasurementCopyJob& job, UserDialogs& dialogs);

}  // namespace korvan
