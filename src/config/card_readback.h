#pragma once

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
// Nothing is said when neither file gives a configuration.
ReadBackSource ReadConfigurationFromCard(const DataLocation& location, RecordingConfig& config,
                                         InstrumentList& instruments, char decimal_separator,
                                         UserDialogs& dialogs);

}  // namespace korvan
