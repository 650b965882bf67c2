#include "platform/folder_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/files.h"

namespace korvan {

FolderLock::FolderLock(const std::string& folder) : folder_(folder) {
  fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that cannot be opened cannot be written either: the write reports that.
  if (fd_ < 0) return;
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    busy_ = errno == EWOULDBLOCK;
    close(fd_);
    fd_ = -1;
    if (busy_) return;
  }
  std::string reason;
  if (!RecoverFileSet(folder, &reason)) {
    unfinished_ = reason.empty() ? "?" : reason;
    return;
  }
  RemoveStaleTemporaries(folder);
}

std::string FolderLock::refusal() const {
  if (busy_) return FolderBusyText(folder_);
  if (unfinished_.empty()) return {};
  return "Ve složce " + folder_ + " zůstal přerušený zápis, který nelze dokončit (" + unfinished_ +
         "). Nic nebylo zapsáno.";
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

std::string FolderBusyText(const std::string& folder) {
  return "Do složky " + folder + " právě zapisuje jiný proces, zkuste to prosím později.";
}

int RemoveStaleTemporaries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (IsTemporaryName(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(dir);
  }
  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer alive holds a shared lock on its temporary; a killed one holds nothing.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        unlink(path.c_str()) == 0) {
      ++removed;
    }
    close(fd);
  }
  return removed;
}

}  // namespace korvan
