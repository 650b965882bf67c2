#pragma once

#include <functional>

#include "app/data_location.h"
#include "config/recording_config.h"
#include "instruments/instrument_list.h"

namespace korvan {

class UserDialogs;

enum class ReadBackSource {
  kNone,        // nothing read: no reader (told), or neither file gave a configuration
  kConfigIni,   // the whole configuration and the instrument list
  kConfigImage  // the lines and the serial line from CONFIG.BIN; the rest kept
};

// "Vyčti z karty": CONFIG.INI when it is this program's, else the complete CONFIG.BIN,
// into config (and instruments, from CONFIG.INI only); the file size is recomputed.
// Nothing is said when neither file gives a configuration. filled is called as soon as config
// (and instruments) hold what was read, before any warning or size error is told, so that a
// window shows the new contents behind the message. A folder whose card preparation was
// interrupted is told and read no further.
ReadBackSource ReadConfigurationFromCard(const DataLocation& location, RecordingConfig& config,
                                         InstrumentList& instruments, char decimal_separator,
                                         UserDialogs& dialogs,
                                         const std::function<void(ReadBackSource)>& filled = {});

}  // namespace korvan
