#include "config/card_readback.h"

#include "app/card_files.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/settings_file.h"
#include "platform/file_query.h"
#include "platform/paths.h"

namespace korvan {

ReadBackSource ReadConfigurationFromCard(const DataLocation& location, RecordingConfig& config,
                                         InstrumentList& instruments, char decimal_separator,
                                         UserDialogs& dialogs,
                                         const std::function<void(ReadBackSource)>& filled) {
  const auto ini_path = CardFilePath(location, kConfigIniFile, true, dialogs);
  if (!ini_path) return ReadBackSource::kNone;
  if (const int error = UnreadableReason(*ini_path); error != 0) {
    dialogs.ShowError(ConfigIniUnreadableText(*ini_path, error));
    return ReadBackSource::kNone;
  }
  if (FileExists(*ini_path) &&
      ReadSettingsFile(*ini_path, config, instruments, decimal_separator, dialogs, [&] {
        if (filled) filled(ReadBackSource::kConfigIni);
      })) {
    return ReadBackSource::kConfigIni;
  }
  const auto bin_path = CardFilePath(location, kConfigImageFile, true, dialogs);
  if (!bin_path) return ReadBackSource::kNone;
  std::string bytes;
  if (!ReadConfigImageFile(*bin_path, bytes)) return ReadBackSource::kNone;
  if (!ReadBackConfigImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, config,
                           decimal_separator)) {
    return ReadBackSource::kNone;
  }
  if (filled) filled(ReadBackSource::kConfigImage);
  const FileSizeResult size = CalcMB(config, decimal_separator);
  ApplyFileSize(config, size);
  if (!size.ok) dialogs.ShowError(size.error);
  return ReadBackSource::kConfigImage;
}

}  // namespace korvan
