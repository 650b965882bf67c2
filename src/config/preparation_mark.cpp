#include "config/preparation_mark.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "app/card_files.h"
#include "app/cp1250.h"
#include "app/data_location.h"
#include "app/user_dialogs.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

std::string MarkPath(const std::string& folder) { return JoinFolder(folder, kPreparationMarkFile); }

bool SyncFolder(const std::string& folder, std::string* reason) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool ok = fd >= 0 && (fsync(fd) == 0 || errno == EINVAL);
  const int error = errno;
  if (fd >= 0) close(fd);
  if (!ok && reason) *reason = SystemErrorText(error);
  return ok;
}

}  // namespace

bool PreparationInterrupted(const std::string& folder) {
  // Whatever stands under the name counts: only a finished preparation removes it.
  return QueryFile(MarkPath(folder)).kind != FileKind::kNone;
}

bool RefuseInterruptedPreparation(const std::string& folder, UserDialogs& dialogs) {
  if (!PreparationInterrupted(folder)) return true;
  dialogs.ShowError(kPreparationInterrupted);
  return false;
}

bool MarkPreparation(const std::string& folder, std::string* reason) {
  // The text tells whoever finds the file on the card what it stands for.
  return WriteFileAtomically(MarkPath(folder), Utf8ToCp1250(kPreparationInterrupted) + "\r\n",
                             reason, Durability::kSynced);
}

bool UnmarkPreparation(const std::string& folder, std::string* reason) {
  if (!RemoveFile(MarkPath(folder), reason)) return false;
  // The card counts as prepared only once the removal is on the medium.
  return SyncFolder(folder, reason);
}

}  // namespace korvan
