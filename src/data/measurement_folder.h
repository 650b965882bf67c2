#pragma once

#include <string>

namespace korvan {

// A folder that can be opened as the data location: it holds LOG.BIN and a configuration
// (CONFIG.INI or CONFIG.BIN), each a regular file.
bool HoldsMeasurement(const std::string& folder);

// The entry of every reader of a card folder, before it reads any card file: a set of files that
// a writer committed but did not finish renaming (killed, or failing) is finished here when the
// folder's lock can be taken; where it cannot be finished (a read-only card) the reader reads it
// as it will be, through CardSetPath; while another writer finishes it the reader waits a moment.
// False, with the message in *message, when that writer did not finish in time.
bool WholeSetReadable(const std::string& folder, std::string* message);
// Where a reader opens folder's card file name, the set being whole: empty when the set has
// no such file.
std::string CardSetPath(const std::string& folder, const char* name);

inline constexpr const char* kFolderDropRefused =
    "Sem lze přetáhnout jen složku s naměřenými daty (LOG.BIN a CONFIG.INI nebo CONFIG.BIN).";
inline constexpr const char* kJoinDroppedFolders =
    "Přetažené složky s naměřenými daty (%s) spojit do jedné složky?";
inline constexpr const char* kJoinFolderTitle = "Složka pro spojená data";

}  // namespace korvan
