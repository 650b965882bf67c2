#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/graph_settings_file.h"
#include "data/log_copy.h"
#include "data/log_merge.h"

namespace korvan {

class AtomicWriter;
class FileSet;
class UserDialogs;

// Joining card folders: which folders may be joined, and the joined folder's files around
// the merged LOG.BIN (data/log_merge).

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
