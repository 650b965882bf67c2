#include "config/card_readback.h"

#include "app/card_files.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"
#include "config/preparation_mark.h"
#include "config/settings_file.h"
#include "platform/file_query.h"
#include "platform/paths.h"

namespace korvan {

ReadBackSource ReadConfigurationFromCard(const DataLocation& location, RecordingConfig& config,
                                         InstrumentList& instruments, char decimal_separator,
                                         UserDialogs& dialogs,
                                         const std::function<void(ReadBackSource)>& filled) {
  const std::optional<std::string> folder = CardFolder(location, true, dialogs);
  if (!folder) return ReadBackSource::kNone;
  // What an interrupted preparation left is neither the old configuration nor the new one.
  if (!RefuseInterruptedPreparation(*folder, dialogs)) return ReadBackSource::kNone;
  bool ini_unreadable = false;
  const std::optional<IniDocument> ini =
      ReadCardConfigIni(JoinFolder(*folder, kConfigIniFile), dialogs, &ini_unreadable);
  if (ini_unreadable) return ReadBackSource::kNone;
  if (ini && ReadSettingsDocument(*ini, config, instruments, decimal_separator, dialogs, [&] {
        if (filled) filled(ReadBackSource::kConfigIni);
      })) {
    return ReadBackSource::kConfigIni;
  }
  std::string bytes;
  if (!ReadConfigImageFile(JoinFolder(*folder, kConfigImageFile), bytes)) {
    return ReadBackSource::kNone;
  }
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
