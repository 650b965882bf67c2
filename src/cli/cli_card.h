#pragma once

#include <ostream>
#include <string>

#include "app/data_location.h"
#include "cli/cli_dialogs.h"
#include "config/recording_config.h"
#include "instruments/instrument_list.h"

namespace korvan::cli {

// What the card commands share: a settings file loaded into a freshly started window's
// configuration, and a card folder used as the alternative location is.

struct LoadedSettings {
  RecordingConfig config;
  InstrumentList instruments;
};

// False after telling err (the file is missing or not one of ours, or its size cannot be
// computed).
bool LoadSettings(const char* command, const std::string& path, char separator,
                  LoadedSettings& loaded, std::ostream& err);

DataLocation FolderLocation(const std::string& dir);

}  // namespace korvan::cli
