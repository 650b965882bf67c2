#pragma once

#include <string>
#include <string_view>

namespace korvan {

class UserDialogs;

// Card preparation deletes the card's files and writes new ones one by one (a card has no
// room for a second LOG.BIN): between the first deletion and the last file synced, the
// folder carries a mark, so that what an interrupted preparation left is never read as a
// card.

inline constexpr const char* kPreparationInterrupted =
    "Příprava karty byla přerušena, připravte kartu znovu.";

// Whether folder carries the mark of a preparation that has not ended.
bool PreparationInterrupted(const std::string& folder);

// For every reader of a card folder, at its start: false after telling the user when the
// folder's preparation was interrupted.
bool RefuseInterruptedPreparation(const std::string& folder, UserDialogs& dialogs);

// Writes the mark, synced with its folder, before anything is deleted; removes it once every
// new file is synced. False with the system's reason.
bool MarkPreparation(const std::string& folder, std::string* reason);
bool UnmarkPreparation(const std::string& folder, std::string* reason);

}  // namespace korvan
