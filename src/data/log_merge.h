#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/graph_settings_file.h"
#include "data/log_copy.h"

namespace korvan {

class AtomicWriter;
class FileSet;
class UserDialogs;

// Joining saved copies (or cards) of one logger into one measurement: every valid block of
// every source once, in time order.
//
// Each source's LOG.BIN is read as the copy reads it; its blocks form runs in time order (a
// card that wrapped holds two: the newer blocks at the start of the file). The runs of all
// sources are merged by (stamp, milliseconds). Where several sources hold blocks of the same
// moment, their blocks of that moment are written once when they are the same bytes; when they
// differ (two loggers, or a card reused with another clock) the newer source's are kept and the
// moment is counted as a conflict. The newer source is the one whose latest block (of those
// the load accepts) is later; of equals, the one given later.

// Bytes read per chunk by the first pass over a source; the runs of the second pass share a
// fixed budget, so that memory stays flat whatever the sizes.
inline constexpr size_t kMergeChunk = 1 << 20;
inline constexpr size_t kMergeBudget = 16 << 20;
// Runs in time order, over all sources, that a merge takes: a genuine card has one or two per
// wrap of its file or reset of the logger's clock.
inline constexpr size_t kMaxMergeRuns = 4096;

// One source's LOG.BIN: a reader from a byte offset, and its size (for progress).
struct MergeInput {
  std::function<CopyRead(uint64_t offset)> open;
  uint64_t size = 0;
};

enum class MergeLogOutcome { kDone, kReadFailed, kWriteFailed, kTooManyRuns };

struct MergeLogResult {
  MergeLogOutcome outcome = MergeLogOutcome::kDone;
  uint64_t blocks = 0;      // blocks written
  uint64_t duplicates = 0;  // blocks left out: the same moment and bytes as one written
  uint64_t conflicts = 0;   // moments whose blocks differed between sources
  uint32_t first_conflict = 0;
  size_t newest = 0;                 // index of the newer source of all (conflicts keep its blocks)
  std::vector<size_t> oldest_first;  // the sources' indices from the older to the newer
  size_t failed_source = 0;          // the source a failed read or too many runs concern
  // Earliest and latest written stamp that the load accepts (not after run_limit).
  uint32_t earliest = 0xFFFFFFFF;
  uint32_t latest = 0;
};

// Merges the sources' blocks (line_count clamped to 0-50, blocks recognised as the copy does
// with run_limit) into write. progress gets bytes: the sources once for finding their runs,
// then once more while merging. Nothing is written unless every source was read whole.
MergeLogResult MergeLogBlocks(const std::vector<MergeInput>& sources, const CopyWrite& write,
                              uint32_t run_limit, int line_count, const CopyProgress& progress = {},
                              size_t chunk_size = kMergeChunk);

inline constexpr const char* kMergeNoMeasurement = "Složka „%s“ neobsahuje naměřená data.";
inline constexpr const char* kMergeLinesDiffer =
    "Složky „%s“ a „%s“ nemají stejné veličiny: liší se %s veličiny %s. Nic nebylo zapsáno.";
inline constexpr const char* kMergeLineCountsDiffer =
    "Složky „%s“ a „%s“ nemají stejné veličiny: počet veličin %s a %s. Nic nebylo zapsáno.";
inline constexpr const char* kMergeTooManyRuns =
    "Datový soubor složky „%s“ je příliš rozházený v čase, nelze jej spojit.";
inline constexpr const char* kMergeReadFailed =
    "Datový soubor složky „%s“ nelze přečíst celý. Nic nebylo zapsáno.";
inline constexpr const char* kMergeConflicts =
    "Záznamy %s okamžiků se ve zdrojích liší (první %s); ponechány záznamy novější složky „%s“.";

// A message with its %s filled in order.
std::string FormatMergeMessage(const char* text, const std::vector<std::string>& values);

// The first difference between the logged lines of two card folders, as a message naming
// the line and the field, or nothing when they log the same lines. Where both hold a whole
// CONFIG.BIN, its lines as the logger reads them (count, instrument, label, interval number,
// address, register, number type, multiplier, range); otherwise the lines as the load reads
// them (count, caption, interval number, number type, and multiplier, range and offset in
// the logger's single precision). The four
// recording intervals may differ: they are not part of a line. Throws Error (kMergeNoMeasurement)
// for a folder without a readable configuration.
std::optional<std::string> LinesDiffer(const std::string& first, const std::string& other);

// A joined folder's files besides LOG.BIN.
struct MergedSet {
  std::string config_source;  // the newer source: CONFIG.BIN and CONFIG.INI as it has them
  GraphViewState view;
  char decimal_separator = ',';
};

enum class MergeOutcome {
  kRefused,   // told why (the lines differ, the destination is a source or another writer
              // holds it); nothing asked or written
  kDeclined,  // the destination holds LOG.BIN and the question was not answered Yes
  kDone,      // written (conflicts, if any, were told with Warn)
  kFailed,    // told why; the destination's old set stands
  kStands,    // committed but not finished (told with Warn): the joined set stands, and the
              // next reader or writer of the folder finishes it
};

// Gives the destination folder, whose lock the caller holds, its new set: CONFIG.BIN and
// CONFIG.INI staged into files (one the source lacks is removed), the merged LOG.BIN written
// so far into log (a writer of files' staging name) and GRAPH.INI, all committed as one.
// Each file as the copy of a measurement writes it. Failures are told through dialogs; the
// folder's old set then stands (kFailed), or the new one (kStands).
MergeOutcome WriteMergedSet(const std::string& dir, const MergedSet& set, FileSet& files,
                            AtomicWriter& log, UserDialogs& dialogs);

struct MeasurementMergeJob {
  std::vector<std::string> source_dirs;
  std::string destination_dir;
  uint32_t run_limit = 0xFFFFFFFF;  // ScanTimeLimit of today
  double now = 0;                   // for the stored graph view's defaults
  char decimal_separator = ',';     // GRAPH.INI's numbers
  std::function<void(uint64_t total)> progress_start;
  CopyProgress progress_advance;
  std::function<void()> progress_finish;
};

struct MergeReport {
  MergeOutcome outcome = MergeOutcome::kRefused;
  MergeLogResult log;
};

// The whole join: every source a card folder with the same lines, the destination none of
// them (nor a file of one), the question before replacing a LOG.BIN; then the merged LOG.BIN,
// CONFIG.BIN and CONFIG.INI of the newer source and a GRAPH.INI (the newer source's stored
// view, or the initial one) whose range and time axis span the whole. The destination's lock
// is held throughout and the three data files are committed as one set, as the copy does.
// Messages go through dialogs.
MergeReport MergeMeasurements(const MeasurementMergeJob& job, UserDialogs& dialogs);

}  // namespace korvan
