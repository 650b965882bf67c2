#pragma once

#include <string>

namespace korvan {

// A folder that can be opened as the data location: it holds LOG.BIN and a configuration
// (CONFIG.INI or CONFIG.BIN), each a regular file.
bool HoldsMeasurement(const std::string& folder);

inline constexpr const char* kFolderDropRefused =
    "Sem lze přetáhnout jen složku s naměřenými daty (LOG.BIN a CONFIG.INI nebo CONFIG.BIN).";
inline constexpr const char* kJoinDroppedFolders =
    "Přetažené složky s naměřenými daty (%s) spojit do jedné složky?";
inline constexpr const char* kJoinFolderTitle = "Složka pro spojená data";

}  // namespace korvan
