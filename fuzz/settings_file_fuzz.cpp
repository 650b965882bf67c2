#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/error.h"
#include "app/user_dialogs.h"
#include "config/recording_config.h"
#include "config/settings_file.h"
#include "platform/files.h"

namespace {

class SilentDialogs : public korvan::UserDialogs {
 public:
  void ShowError(const std::string&) override {}
  bool Ask(const std::string&) override { return false; }
  bool Confirm(const std::string&) override { return false; }
  void Warn(const std::string&) override {}
  void Done(const std::string&) override {}
  std::optional<std::string> OpenFileName(const korvan::FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileName(const korvan::FileDialogOptions&) override {
    return std::nullopt;
  }
  std::string BrowseForFolder(const std::string&) override { return ""; }
  std::optional<uint32_t> ChooseColor(uint32_t) override { return std::nullopt; }
};

// Every write of the INI facility is flushed, so use tmpfs when there is one.
std::string Path(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
  return folder + "/korvan-settings-fuzz-" + std::to_string(getpid()) + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string in = Path(".kva");
  static const std::string out = Path("-out.kva");
  if (!korvan::WriteFileAtomically(in, std::string(reinterpret_cast<const char*>(data), size))) {
    std::abort();
  }
  SilentDialogs dialogs;
  for (char separator : {',', '.'}) {
    korvan::RecordingConfig config;
    korvan::InstrumentList instruments;
    if (!korvan::ReadSettingsFile(in, config, instruments, separator, dialogs)) break;
    if (config.lines.size() > korvan::kMaxLoadedLines ||
        instruments.Count() > korvan::kMaxLoadedInstruments) {
      std::abort();
    }
    // What a load gives must save, and the save must load back with the same shape.
    unlink(out.c_str());
    korvan::WriteSettingsFile(out, config, instruments, separator);
    korvan::RecordingConfig again;
    korvan::InstrumentList again_instruments;
    if (!korvan::ReadSettingsFile(out, again, again_instruments, separator, dialogs) ||
        again.lines.size() != config.lines.size() ||
        again_instruments.Count() != instruments.Count() || again.days != config.days ||
        again.intervals != config.intervals) {
      std::abort();
    }
  }
  unlink(in.c_str());
  unlink(out.c_str());
  return 0;
}
