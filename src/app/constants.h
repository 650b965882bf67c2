#pragma once

namespace korvan {

// These two also travel in files (program settings, settings files, CONFIG.BIN).
inline constexpr const char* kAppName = "Korvan-A";
inline constexpr const char* kAppVersion = "1.20";

}  // namespace korvan

namespace korvan {

// The maker's web page, opened from the graph window's logo.
inline constexpr const char* kMakerUrl = "https://www.korvan-a.example/";

}  // namespace korvan
