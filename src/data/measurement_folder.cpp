#include "data/measurement_folder.h"

#include <chrono>
#include <thread>

#include "app/data_location.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/folder_lock.h"

namespace korvan {

bool HoldsMeasurement(const std::string& folder) {
  if (folder.empty() || !IsDirectory(folder)) return false;
  if (!WholeSetReadable(folder, nullptr)) return false;
  return IsRegularFile(CardSetPath(folder, kLogFile)) &&
         (IsRegularFile(CardSetPath(folder, kConfigIniFile)) ||
          IsRegularFile(CardSetPath(folder, kConfigImageFile)));
}

bool WholeSetReadable(const std::string& folder, std::string* message) {
  using std::chrono::milliseconds;
  // A live writer renames a handful of files once its mark is down: a moment is plenty.
  const auto deadline = std::chrono::steady_clock::now() + milliseconds(2000);
  while (HasCommitMark(folder)) {
    const FolderLock lock(folder);  // finishes the set when it can
    // Not finished and no writer at it: read as it will be.
    if (!lock.busy()) return true;
    if (std::chrono::steady_clock::now() >= deadline) {
      if (message) *message = FolderBusyText(folder);
      return false;
    }
    std::this_thread::sleep_for(milliseconds(20));
  }
  return true;
}

std::string CardSetPath(const std::string& folder, const char* name) {
  return PathInCommittedSet(folder, name);
}

}  // namespace korvan
