#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_location.h"
#include "config/recording_config.h"
#include "instruments/instrument_list.h"
#include "platform/drives.h"
#include "platform/fat_volume.h"

namespace korvan {

class ExtentQuery;
class ProcessRunner;
class UserDialogs;

inline constexpr const char* kAskDeleteAlternativeData =
    "Zdroj dat je přepnut na Alternativní umístění, kde již nějaká data jsou. Opravdu chcete "
    "tyto data smazat ?";
inline constexpr const char* kAskDeleteCardData =
    "Karta nebo složka již obsahuje nějaká data. Chcete pokračovat ?";
inline constexpr const char* kLogCannotCreate = "LOG soubor nelze vytvořit!";
inline constexpr const char* kLogIncomplete = "LOG soubor nelze zapsat celý!";
inline constexpr const char* kRdrCannotCreate = "RDR soubor nelze vytvořit!";
inline constexpr const char* kCfgCannotCreate = "CFG soubor nelze vytvořit!";
inline constexpr const char* kCardDone = "HOTOVO !";
inline constexpr const char* kCardDoneDefragment =
    "HOTOVO - Nyní prosím spusťte prosím program pro defragmentaci disku a vyberte paměťovou "
    "kartu.";
inline constexpr const char* kCardFilesMissing =
    "Karta nebo složka neobsahuje všechny potřebné soubory, použijte funkci \"Připrav kartu\".";
inline constexpr const char* kAskFinishPreparation =
    "Příprava karty byla přerušena, připravte kartu znovu. Chcete kartu připravit nyní ?";
inline constexpr const char* kAskChangeConfiguration =
    "Touto funkcí můžete způsobit nekonzistenci konfigurace a dat. Opravdu chcete pokračovat ?";

inline constexpr size_t kCardBlockSize = 512;
inline constexpr int64_t kBlocksPerMB = 2048;
// The progress bar moves once per this many blocks (512 KiB).
inline constexpr int64_t kBlocksPerProgressStep = 1024;

// The recording parameters window's progress bar.
class CardProgress {
 public:
  virtual ~CardProgress() = default;
  virtual void SetMaximum(int64_t maximum) = 0;
  virtual void SetPosition(int64_t position) = 0;
};

// What the operations work on: the window's configuration and instrument list, the data
// location in force and the separator that the window's texts are typed with.
struct CardJob {
  const RecordingConfig& config;
  const InstrumentList& instruments;
  DataLocation location;
  char decimal_separator;
  UserDialogs& dialogs;
};

// What card preparation asks of the system after the files are written. Without a runner
// the disk check is skipped; without an extent query the card counts as not defragmented.
struct CardSystem {
  ProcessRunner* processes = nullptr;
  ExtentQuery* extents = nullptr;
  std::vector<Drive> drives;  // to find the card's block device
  // Whether this process may read the device itself (tests answer for devices they name).
  std::function<bool(const std::string& device)> device_readable = DeviceReadable;
  // Told after each step that changes the folder (the mark, each file removed or written),
  // by the step's name; lets a test stop a preparation anywhere.
  std::function<void(std::string_view step)> after_step;
};

// Writes CONFIG.BIN and then CONFIG.INI at the data location. Both are converted before
// either is written, and each is written whole or not at all. False after telling the user.
bool WriteCardConfiguration(const CardJob& job);

enum class LogFileResult { kWritten, kCannotCreate, kIncomplete };
// Creates the file with blocks 512-byte blocks of 0xFF, synced to the medium; once it is
// created, sets the progress maximum to blocks and reports the index of every 1024th block
// written. A file that could not be filled whole is removed.
LogFileResult WriteLogFile(const std::string& path, int64_t blocks, CardProgress* progress);

// "Připrav kartu": the card (or the alternative folder) gets a fresh LOG.BIN of the computed
// size, RDR.BIN, CONFIG.BIN and CONFIG.INI; on a card the disk check and the defragmenter
// step follow. Every number is converted before anything is asked, deleted or created.
// From before the first deletion until every new file is synced the folder carries the
// preparation mark (config/preparation_mark.h); a folder that carries it is asked about
// (kAskFinishPreparation) instead of its data. True when the final message was shown.
bool PrepareCard(const CardJob& job, CardProgress& progress, const CardSystem& system);

// "Zm. Cfg": new configuration files on a prepared card; its data stay as they are. A card
// whose preparation was interrupted is refused.
bool ChangeCardConfiguration(const CardJob& job);

// The command line of the disk check of a card whose drive is letter: fsck.fat -n on its
// block device, read-only. Empty when the tool or the device is not there, or the device is
// not readable (device_readable): the check is then skipped, as its result is never looked
// at anyway, rather than asking the user's password for it.
std::vector<std::string> DiskCheckCommand(const CardSystem& system, char letter);
// The "defragmenter": 0 when the file lies in one piece on its device, else 1 (also when no
// way of asking could tell).
int DefragmenterExitCode(ExtentQuery* extents, const std::string& log_path);

}  // namespace korvan
