// korvan-cli prepare: a folder prepared as card preparation prepares the alternative location.

#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_card.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "config/card_preparation.h"
#include "platform/drives.h"
#include "platform/file_extents.h"
#include "platform/process.h"

namespace korvan::cli {

namespace {

// Questions are answered by --yes; without it the question is told and answered No.
class PrepareDialogs : public CliDialogs {
 public:
  PrepareDialogs(std::ostream& out, std::ostream& err, bool yes)
      : CliDialogs(&err), out_(out), err_(err), yes_(yes) {}
  bool Ask(const std::string& text) override {
    if (!yes_) {
      err_ << "korvan-cli: prepare: " << text << "\n";
      if (text == kAskFinishPreparation) {
        err_ << "korvan-cli: prepare: nic nebylo změněno; přípravu dokončí --yes\n";
      } else {
        err_ << "korvan-cli: prepare: nic nebylo smazáno; smazání dovolí --yes\n";
      }
    }
    return yes_;
  }
  void Done(const std::string& text) override { out_ << text << "\n"; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool yes_;
};

// A percentage line that rewrites itself, only where someone watches a terminal; ended when
// full, so that a password prompt afterwards starts a line of its own.
class TerminalProgress : public CardProgress {
 public:
  explicit TerminalProgress(std::ostream& err) : err_(err), shown_(isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() override {
    if (shown_ && last_ >= 0 && last_ < 100) err_ << "\n";
  }
  void SetMaximum(int64_t maximum) override { maximum_ = maximum; }
  void SetPosition(int64_t position) override {
    if (!shown_ || maximum_ <= 0 || position <= 0) return;
    const int percent = static_cast<int>((position + 1) * 100 / maximum_);
    if (percent == last_) return;
    last_ = percent;
    err_ << "\rLOG.BIN: " << percent << " %" << (percent == 100 ? "\n" : "") << std::flush;
  }

 private:
  std::ostream& err_;
  bool shown_;
  int64_t maximum_ = 0;
  int last_ = -1;
};

// The root of a mounted card is prepared as the card is in the program: the disk check and
// the check that LOG.BIN lies in one piece follow. Any other folder is the alternative
// location.
DataLocation PrepareLocation(const std::string& dir, const std::vector<Drive>& drives) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(dir, ec);
  for (const Drive& drive : drives) {
    // a to d count as no reader; c is the system's own disk.
    if (ec || drive.letter < 'e' || drive.root.empty()) continue;
    std::error_code root_ec;
    if (std::filesystem::canonical(drive.root, root_ec) == real && !root_ec) {
      DataLocation location;
      location.card_letter = drive.letter;
      location.card_root = drive.root;
      return location;
    }
  }
  return FolderLocation(dir);
}

}  // namespace

int RunPrepare(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse("prepare", UsageOf("prepare"), arguments,
                                     {{"--yes", false}, kDecimalOption}, 2, 2, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  const std::string& dir = (*args)[1];
  LoadedSettings loaded;
  if (!LoadSettings("prepare", (*args)[0], separator, loaded, err)) return 1;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  PrepareDialogs dialogs(out, err, args->Has("--yes"));
  const std::vector<Drive> drives = ListDrives();
  const CardJob job{loaded.config, loaded.instruments, PrepareLocation(dir, drives), separator,
                    dialogs};
  SystemProcessRunner processes;
  // A card's device that the user may not read is asked of UDisks2; polkit's password prompt
  // then comes in this terminal unless a desktop's agent takes it.
  SystemExtentQuery extents(true);
  bool prepared = false;
  {
    TerminalProgress progress(err);
    prepared = PrepareCard(job, progress, CardSystem{&processes, &extents, drives});
  }
  return prepared ? 0 : 1;
}

}  // namespace korvan::cli
