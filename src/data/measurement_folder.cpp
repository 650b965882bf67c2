#include "data/measurement_folder.h"

#include "app/data_location.h"
#include "platform/file_query.h"

namespace korvan {

bool HoldsMeasurement(const std::string& folder) {
  if (folder.empty() || !IsDirectory(folder)) return false;
  return IsRegularFile(JoinFolder(folder, kLogFile)) &&
         (IsRegularFile(JoinFolder(folder, kConfigIniFile)) ||
          IsRegularFile(JoinFolder(folder, kConfigImageFile)));
}

}  // namespace korvan
