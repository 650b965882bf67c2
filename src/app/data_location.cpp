#include "app/data_location.h"

#include "app/user_dialogs.h"
#include "platform/file_query.h"

namespace korvan {

std::string JoinFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::optional<std::string> CardFileNamedBy(const std::string& folder, const std::string& path) {
  const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
  for (const char* name : kCardFileNames) {
    if (SameFile(path, prefix + name)) return prefix + name;
  }
  return std::nullopt;
}

std::optional<std::string> CardFolder(const DataLocation& location, bool report,
                                      UserDialogs& dialogs) {
  // The same folder as CardFilePath's paths lie in.
  const std::optional<std::string> probe = CardFilePath(location, "", report, dialogs);
  if (!probe) return std::nullopt;
  return probe->size() > 1 ? probe->substr(0, probe->size() - 1) : *probe;
}

DataLocation FolderDataLocation(const std::string& folder) {
  DataLocation location;
  location.alternative = true;
  location.alt_dir = folder;
  return location;
}

std::optional<std::string> CardFilePath(const DataLocation& location, std::string_view name,
                                        bool report, UserDialogs& dialogs) {
  if (location.alternative) {
    std::string path = location.alt_dir;
    if (path != "/") path += '/';
    path += name;
    return path;
  }
  // Letters a to d are the usual system drives, so the card reader is not there.
  if (static_cast<unsigned char>(location.card_letter) <= 'd') {
    if (report) dialogs.ShowError(kReaderMissingMessage);
    return std::nullopt;
  }
  std::string path = location.card_root;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

}  // namespace korvan
