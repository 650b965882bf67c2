#include "config/card_readback.h"

#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/settings_file.h"
#include "platform/paths.h"

namespace korvan {

ReadBackSource ReadConfigurationFromCard(const DataLocation& location, RecordingConfig& config,
                                         InstrumentList& instruments, char decimal_separator,
                                         UserDialogs& dialogs) {
  const auto ini_path = CardFilePath(location, "CONFIG.INI", true, dialogs);
  if (!ini_path) return ReadBackSource::kNone;
  if (FileExists(*ini_path) &&
      ReadSettingsFile(*ini_path, config, instruments, decimal_separator, dialogs)) {
    return ReadBackSource::kConfigIni;
  }
  const auto bin_path = CardFilePath(location, "CONFIG.BIN", true, dialogs);
  if (!bin_path) return ReadBackSource::kNone;
  std::string bytes;
  if (!ReadConfigImageFile(*bin_path, bytes)) return ReadBackSource::kNone;
  if (!ReadBackConfigImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, config,
                           decimal_separator)) {
    return ReadBackSource::kNone;
  }
  const FileSizeResult size = CalcMB(config, decimal_separator);
  if (!size.ok) dialogs.ShowError(size.error);
  ApplyFileSize(config, size);
  return ReadBackSource::kConfigImage;
}

}  // namespace korvan
