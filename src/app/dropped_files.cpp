#include "app/dropped_files.h"

#include "app/data_location.h"
#include "app/text.h"
#include "platform/file_query.h"

namespace korvan {

bool HoldsMeasurement(const std::string& folder) {
  if (folder.empty() || !IsDirectory(folder)) return false;
  return IsRegularFile(JoinFolder(folder, "LOG.BIN")) &&
         (IsRegularFile(JoinFolder(folder, "CONFIG.INI")) ||
          IsRegularFile(JoinFolder(folder, "CONFIG.BIN")));
}

bool IsSettingsFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() < 5) return false;  // an extension alone is no name
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension) c = AsciiUpper(c);
  return extension == ".KVA" || extension == ".CFG";
}

}  // namespace korvan
