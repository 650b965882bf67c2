#pragma once

namespace korvan {

// These two also travel in files (program settings, settings files, CONFIG.BIN).
inline constexpr const char* kAppName = "Korvan-A";
inline constexpr const char* kAppVersion = "1.20";

}  // namespace korvan
