#pragma once

#include <string>

namespace korvan {

// One writer per card folder: an exclusive advisory lock (flock) on the folder itself, so
// that no lock file is left on the card. flock works on local file systems, vfat included.
// Where the file system cannot lock at all (some network mounts answer ENOLCK, EBADF or
// EOPNOTSUPP) the operation goes on unlocked: refusing every write there would be worse, and
// two machines sharing a folder are beyond a local lock anyway.
//
// Taking the lock first finishes or undoes a set of files that an interrupted writer left
// (see FileSet) and removes the folder's stale temporaries of ours: no other writer of ours can
// be working in the folder, and a temporary still open by a live process is kept. Where the
// folder cannot be locked, that is done all the same, so that no staged file of an earlier
// writer is taken into the next set.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False when nothing may be written there: another writer holds the folder (busy()), or an
  // interrupted writer's set could not be finished (a failing or read-only medium), which a
  // new set would be written over. refusal() is the message for either.
  bool held() const { return !busy_ && unfinished_.empty(); }
  bool busy() const { return busy_; }
  std::string refusal() const;

 private:
  std::string folder_;
  std::string unfinished_;  // why the interrupted set could not be finished
  int fd_ = -1;
  bool busy_ = false;
};

// The message for a folder that another writer holds.
std::string FolderBusyText(const std::string& folder);

// Removes the folder's temporaries of ours that no live process holds open. The number
// removed.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace korvan
