#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_files.h"

namespace korvan {

class UserDialogs;

// Where the logger's files are, as the settings window's choosers show it at this moment.
struct DataLocation {
  // The letter of the item the card drive chooser shows (lower case), 0 when none, and
  // that drive's root folder.
  char card_letter = 0;
  std::string card_root;
  bool alternative = false;
  std::string alt_dir;  // native folder path, "/" for the root
};

// folder + "/" + name, without doubling a "/" that folder ends with.
std::string JoinFolder(const std::string& folder, const std::string& name);

// The card file (of kCardFileNames) in folder that path names, compared as real paths (links,
// "." and ".." resolved), or nothing: writing an export or a copy there would destroy the
// measurement being read.
std::optional<std::string> CardFileNamedBy(const std::string& folder, const std::string& path);

inline constexpr const char* kReaderMissingMessage =
    "Čtečka není připojena. Připojte čtečku, vložte kartu a restartujte aplikaci.";

// The folder that holds the card's files: the alternative folder or the card's root. An
// operation resolves it once, at its start, and takes every card file from it, so that a
// change of the settings window's choosers meanwhile cannot mix two folders. Nothing when the
// card reader counts as not connected (told only when report is set).
std::optional<std::string> CardFolder(const DataLocation& location, bool report,
                                      UserDialogs& dialogs);
// The data location that is folder, as the alternative folder.
DataLocation FolderDataLocation(const std::string& folder);

// The full path of a card file, or nothing when the card reader counts as not connected
// (letters a to d, or no letter); the message is shown only when report is set.
std::optional<std::string> CardFilePath(const DataLocation& location, std::string_view name,
                                        bool report, UserDialogs& dialogs);

}  // namespace korvan
