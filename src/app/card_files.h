#pragma once

#include <array>

namespace korvan {

// The files of a card (or of a folder used in its place), as the logger names them.
inline constexpr const char* kLogFile = "LOG.BIN";             // the records
inline constexpr const char* kReaderFile = "RDR.BIN";          // the logger's own state
inline constexpr const char* kConfigImageFile = "CONFIG.BIN";  // what the logger reads
inline constexpr const char* kConfigIniFile = "CONFIG.INI";    // the same, for the program
inline constexpr const char* kGraphIniFile = "GRAPH.INI";      // the graph window's settings

// Not a file of the logger's: it stands in a folder while card preparation has deleted the
// old files and not yet written all the new ones.
inline constexpr const char* kPreparationMarkFile = ".korvan-preparing";

inline constexpr std::array<const char*, 5> kCardFileNames = {
    kLogFile, kReaderFile, kConfigImageFile, kConfigIniFile, kGraphIniFile};

}  // namespace korvan
