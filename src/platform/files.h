#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvan {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

enum class Durability {
  kSynced,    // flushed to the medium before the rename: survives a power loss
  kRenameOnly,  // survives a crash of the program; for files rewritten once per key
};

// Writes bytes to a temporary name in the target's folder and renames it over the target,
// so that a crash or a full disk never leaves a half-written file. Returns false (with the
// system's reason in *reason) when any step fails; the target is then unchanged and no
// temporary file is left behind.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* reason = nullptr,
                         Durability durability = Durability::kSynced);

}  // namespace korvan
