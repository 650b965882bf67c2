#include "app/dropped_files.h"

#include <algorithm>
#include <cctype>

#include "platform/file_query.h"

namespace korvan {

bool HoldsMeasurement(const std::string& folder) {
  if (folder.empty() || !IsDirectory(folder)) return false;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  return IsRegularFile(base + "LOG.BIN") &&
         (IsRegularFile(base + "CONFIG.INI") || IsRegularFile(base + "CONFIG.BIN"));
}

bool IsSettingsFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() < 5) return false;  // an extension alone is no name
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".kva" || extension == ".cfg";
}

}  // namespace korvan
