#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/system_error.h"

namespace korvan {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the data of a write to path goes: through a symbolic link to the file it names.
std::string RealTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::string resolved(real);
    std::free(real);
    return resolved;
  }
  // A link to a file not yet there: the file is created where the link points.
  char link[PATH_MAX];
  ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
  if (n <= 0) return path;
  std::string target(link, static_cast<size_t>(n));
  return target.front() == '/' ? target : FolderOf(path) + "/" + target;
}

constexpr std::string_view kTemporaryPrefix = ".korvan-";
constexpr size_t kTemporaryChars = 6;
constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";

constexpr std::string_view kStagePrefix = ".korvan-new-";
constexpr std::string_view kRemovePrefix = ".korvan-del-";
constexpr std::string_view kCommitMark = ".korvan-commit-set";

std::string InFolder(const std::string& folder, std::string_view name) {
  std::string path = !folder.empty() && folder.back() == '/' ? folder : folder + "/";
  path += name;
  return path;
}

// Short and of fixed length whatever the target's name, so that a target whose name is near
// the file system's limit can still be written.
std::string TemporaryName(const std::string& folder) {
  static unsigned counter = 0;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u ^
                  static_cast<unsigned>(now.tv_nsec) ^ (++counter * 40503u);
  std::string name = folder == "/" ? "/" : folder + "/";
  name += kTemporaryPrefix;
  for (size_t i = 0; i < kTemporaryChars; ++i) {
    name += kDigits[seed & 31];
    seed >>= 5;
  }
  return name;
}

// Tries create on fresh temporary names in folder until one is free; returns the name it
// took, or an empty name with errno telling why (EEXIST when every name tried was taken).
template <typename Create>
std::string TakeTemporaryName(const std::string& folder, Create create) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryName(folder);
    if (create(name)) return name;
    if (errno != EEXIST) return {};
  }
  errno = EEXIST;
  return {};
}

// The named temporary files that exist right now, for a signal handler to remove: fixed
// storage, since a handler may not allocate.
class TemporaryNames {
 public:
  static constexpr int kSlots = 16;

  int Add(const std::string& name) {
    if (name.size() >= sizeof(slots_[0].name)) return -1;
    for (int i = 0; i < kSlots; ++i) {
      bool expected = false;
      if (slots_[i].claimed.compare_exchange_strong(expected, true)) {
        std::memcpy(slots_[i].name, name.c_str(), name.size() + 1);
        slots_[i].ready.store(true);
        return i;
      }
    }
    return -1;
  }
  void Remove(int slot) {
    if (slot < 0) return;
    slots_[slot].ready.store(false);
    slots_[slot].claimed.store(false);
  }
  void UnlinkAll() {  // async-signal-safe
    for (Slot& slot : slots_) {
      if (slot.ready.load()) unlink(slot.name);
    }
  }

 private:
  struct Slot {
    std::atomic<bool> claimed{false};
    std::atomic<bool> ready{false};
    char name[PATH_MAX];
  };
  Slot slots_[kSlots];
};

TemporaryNames& Temporaries() {
  static TemporaryNames names;
  return names;
}

void OnTerminatingSignal(int signal_number) {
  Temporaries().UnlinkAll();
  ::signal(signal_number, SIG_DFL);
  raise(signal_number);
}

std::atomic<bool> g_named_temporaries{false};

bool UnnamedFilesPossible() {
  static const bool proc = access("/proc/self/fd", X_OK) == 0;
  return proc && !g_named_temporaries.load();
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& folder, bool by_name) : folder_(folder) {
  if (!by_name && UnnamedFilesPossible()) {
    fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      Fail(errno);
      return;
    }
    if (fd_ >= 0) flock(fd_, LOCK_SH);
  }
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    std::string name = TakeTemporaryName(folder, [this](const std::string& candidate) {
      fd_ = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      return fd_ >= 0;
    });
    if (name.empty()) {
      Fail(errno);
      return;
    }
    SetName(name);
    // Until the lock is taken the clean-up of another writer may take the file for one a
    // killed writer left: it waits for that clean-up, then makes sure the name is still its.
    flock(fd_, LOCK_SH);
    struct stat mine {
    }, named{};
    if (fstat(fd_, &mine) == 0 && stat(name.c_str(), &named) == 0 && mine.st_dev == named.st_dev &&
        mine.st_ino == named.st_ino) {
      break;
    }
    close(fd_);
    fd_ = -1;
    SetName({});
  }
  if (fd_ < 0) {
    Fail(EEXIST);
    return;
  }
  hold_ = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (hold_ < 0) Fail(errno);
}

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) close(fd_);
  if (!published_ && !name_.empty()) unlink(name_.c_str());
  SetName({});
  if (hold_ >= 0) close(hold_);
}

void TemporaryFile::SetName(std::string name) {
  Temporaries().Remove(slot_);
  name_ = std::move(name);
  slot_ = name_.empty() ? -1 : Temporaries().Add(name_);
}

bool TemporaryFile::Fail(int error) {
  if (error_ == 0) error_ = error == 0 ? EIO : error;
  return false;
}

bool TemporaryFile::CloseWrites() {
  if (fd_ < 0) return ok();
  const int fd = fd_;
  fd_ = -1;
  return close(fd) == 0 || Fail(errno);
}

bool TemporaryFile::Publish(const std::string& target) {
  if (!CloseWrites()) return false;
  if (!ok()) return false;
  if (name_.empty()) {
    // The unnamed file gets its name: straight as the target when there is none yet, else
    // through a temporary name that is renamed over the target.
    const std::string proc = "/proc/self/fd/" + std::to_string(hold_);
    if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      published_ = true;
      return true;
    }
    if (errno != EEXIST) return Fail(errno);
    std::string name = TakeTemporaryName(folder_, [&proc](const std::string& candidate) {
      return linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
    if (name.empty()) return Fail(errno);
    SetName(std::move(name));
  }
  // The lock is still held here, so no clean-up takes the file between its close and this.
  if (rename(name_.c_str(), target.c_str()) != 0) return Fail(errno);
  SetName({});
  published_ = true;
  return true;
}

int TemporaryFile::Release() {
  if (!name_.empty()) unlink(name_.c_str());
  SetName({});
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

AtomicWriter::AtomicWriter(const std::string& path, Durability durability)
    : target_(RealTarget(path)), durability_(durability) {
  struct stat st {};
  const bool exists = stat(target_.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) {
      Fail(EISDIR);
      return;
    }
    // Renaming over a device or a pipe would put a plain file in its place.
    if (!S_ISREG(st.st_mode)) {
      Fail(kNotRegularFile);
      return;
    }
    // rename() would replace a read-only file, even for root; the original platform refuses.
    if ((st.st_mode & 0222) == 0 || access(target_.c_str(), W_OK) != 0) {
      Fail(EACCES);
      return;
    }
  }
  if (exists) {
    mode_ = st.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode_ = 0666 & ~mask;
  }
  Open(false);
}

bool AtomicWriter::Open(bool named) {
  temp_.emplace(FolderOf(target_), named);
  if (!temp_->ok()) return Fail(temp_->error());
  fchmod(temp_->fd(), static_cast<mode_t>(mode_));
  return true;
}

AtomicWriter::~AtomicWriter() = default;

std::string AtomicWriter::reason() const { return SystemErrorText(error_); }

std::string AtomicWriter::AdoptPath() {
  if (!ok()) return {};
  if (temp_->name().empty() && !Open(true)) return {};
  return temp_->name();
}

bool AtomicWriter::Fail(int error) {
  if (error_ == 0) error_ = error == 0 ? EIO : error;
  temp_.reset();
  return false;
}

bool AtomicWriter::Write(const void* data, size_t size) {
  if (!ok()) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(temp_->fd(), bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(ENOSPC);
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool AtomicWriter::Commit() {
  if (!ok()) return false;
  if (durability_ == Durability::kSynced && fsync(temp_->fd()) != 0 && errno != EINVAL) {
    return Fail(errno);
  }
  // A full disk or a pulled medium may only show at close, which Publish checks first.
  if (!temp_->Publish(target_)) return Fail(temp_->error());
  temp_.reset();
  if (durability_ == Durability::kSynced) {
    // The new name itself must reach the medium before the user is told the file is there.
    int dir = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      fsync(dir);
      close(dir);
    }
  }
  return true;
}

InPlaceFile::InPlaceFile(const std::string& path) {
  fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    Fail(errno);
    return;
  }
  struct stat st {};
  if (fstat(fd_, &st) != 0) {
    Fail(errno);
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    Fail(kNotRegularFile);
    return;
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

InPlaceFile::~InPlaceFile() {
  if (fd_ >= 0) close(fd_);
}

std::string InPlaceFile::reason() const { return SystemErrorText(error_); }

bool InPlaceFile::Fail(int error) {
  if (error_ == 0) error_ = error == 0 ? EIO : error;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  return false;
}

bool InPlaceFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!ok()) return false;
  if (offset > size_ || size > size_ - offset) return Fail(EFBIG);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = pwrite(fd_, bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(ENOSPC);
    bytes += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool InPlaceFile::Close() {
  if (!ok()) return false;
  if (fsync(fd_) != 0 && errno != EINVAL) return Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail(errno);
  return true;
}

bool RemoveFile(const std::string& path, std::string* reason) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (reason) *reason = SystemErrorText(errno);
  return false;
}

void RemoveTemporaryFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = OnTerminatingSignal;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS}) {
    sigaction(signal_number, &action, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() != kTemporaryPrefix.size() + kTemporaryChars) return false;
  if (!name.starts_with(kTemporaryPrefix)) return false;
  for (char c : name.substr(kTemporaryPrefix.size())) {
    if (std::string_view(kDigits).find(c) == std::string_view::npos) return false;
  }
  return true;
}

namespace {

bool SyncFolder(const std::string& folder) {
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const bool ok = fsync(dir) == 0 || errno == EINVAL;
  close(dir);
  return ok;
}

// The names in folder that start with prefix, without it.
std::vector<std::string> NamesAfter(const std::string& folder, std::string_view prefix) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() > prefix.size() && name.starts_with(prefix)) {
      names.emplace_back(name.substr(prefix.size()));
    }
  }
  closedir(dir);
  return names;
}

std::atomic<void (*)(int)> g_step_hook{nullptr};

void Step(int step) {
  if (void (*hook)(int) = g_step_hook.load()) hook(step);
}

// What a commit mark covers: the names staged for replacing and for removing.
struct MarkedNames {
  std::vector<std::string> staged;
  std::vector<std::string> removed;
};

// The names the folder's mark covers, or nothing without a mark. A mark that lists nothing (one
// whose list could not be read, or of an older writer) covers every staged name there.
std::optional<MarkedNames> ReadMark(const std::string& folder) {
  const int fd =
      open(InFolder(folder, kCommitMark).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    struct stat st {};
    if (lstat(InFolder(folder, kCommitMark).c_str(), &st) != 0) return std::nullopt;
    return MarkedNames{NamesAfter(folder, kStagePrefix), NamesAfter(folder, kRemovePrefix)};
  }
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  // Bounded: a genuine mark lists a few names.
  while (text.size() < (1 << 16) && (n = read(fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  MarkedNames names;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + begin, end - begin);
    // Only plain names in this folder: a mark is never a way to reach another.
    if (line.find('/') == std::string_view::npos) {
      if (line.size() > kStagePrefix.size() && line.starts_with(kStagePrefix)) {
        names.staged.emplace_back(line.substr(kStagePrefix.size()));
      } else if (line.size() > kRemovePrefix.size() && line.starts_with(kRemovePrefix)) {
        names.removed.emplace_back(line.substr(kRemovePrefix.size()));
      }
    }
    begin = end + 1;
  }
  if (n < 0 || (names.staged.empty() && names.removed.empty())) {
    return MarkedNames{NamesAfter(folder, kStagePrefix), NamesAfter(folder, kRemovePrefix)};
  }
  return names;
}

// Finishes a set whose commit mark is written; every step may be repeated after a kill.
bool RollForward(const std::string& folder, const MarkedNames& names, int* error, int step = 1) {
  for (const std::string& name : names.removed) {
    if (unlink(InFolder(folder, name).c_str()) != 0 && errno != ENOENT) {
      *error = errno;
      return false;
    }
    unlink(InFolder(folder, std::string(kRemovePrefix) + name).c_str());
    Step(++step);
  }
  for (const std::string& name : names.staged) {
    const std::string staged = InFolder(folder, std::string(kStagePrefix) + name);
    if (rename(staged.c_str(), InFolder(folder, name).c_str()) != 0 && errno != ENOENT) {
      *error = errno;
      return false;
    }
    Step(++step);
  }
  // The new names must be on the medium before the mark that would redo them goes.
  SyncFolder(folder);
  if (unlink(InFolder(folder, kCommitMark).c_str()) != 0 && errno != ENOENT) {
    *error = errno;
    return false;
  }
  SyncFolder(folder);
  Step(++step);
  return true;
}

void RollBack(const std::string& folder) {
  for (std::string_view prefix : {kStagePrefix, kRemovePrefix}) {
    for (const std::string& name : NamesAfter(folder, prefix)) {
      unlink(InFolder(folder, std::string(prefix) + name).c_str());
    }
  }
}

}  // namespace

bool RecoverFileSet(const std::string& folder, std::string* reason) {
  const std::optional<MarkedNames> names = ReadMark(folder);
  if (!names) {
    RollBack(folder);
    return true;
  }
  int error = 0;
  if (RollForward(folder, *names, &error)) {
    RollBack(folder);  // staged files the mark did not cover
    return true;
  }
  if (reason) *reason = SystemErrorText(error);
  return false;
}

bool HasCommitMark(const std::string& folder) {
  struct stat st {};
  return lstat(InFolder(folder, kCommitMark).c_str(), &st) == 0;
}

std::string PathInCommittedSet(const std::string& folder, const std::string& name) {
  const std::string path = InFolder(folder, name);
  const std::optional<MarkedNames> names = ReadMark(folder);
  if (!names) return path;
  auto covers = [&](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  if (covers(names->removed)) return {};
  if (covers(names->staged)) {
    const std::string staged = InFolder(folder, std::string(kStagePrefix) + name);
    struct stat st {};
    if (lstat(staged.c_str(), &st) == 0) return staged;
  }
  return path;
}

void SetFileSetStepHook(void (*hook)(int step)) { g_step_hook.store(hook); }

FileSet::FileSet(std::string folder) : folder_(std::move(folder)) {}

FileSet::~FileSet() {
  if (committed_) return;
  for (const std::string& path : staged_) unlink(path.c_str());
}

std::string FileSet::reason() const { return SystemErrorText(error_); }

bool FileSet::Fail(int error) {
  if (error_ == 0) error_ = error == 0 ? EIO : error;
  return false;
}

std::string FileSet::StagePath(const std::string& name) {
  // The final name is replaced by a rename, which a folder or a device would make a file of
  // and which a read-only file would not stop: refused up front, as the atomic writer does.
  struct stat st {};
  const std::string target = InFolder(folder_, name);
  if (lstat(target.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    int refusal = 0;
    if (S_ISDIR(st.st_mode)) {
      refusal = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
      refusal = kNotRegularFile;
    } else if ((st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
      refusal = EACCES;
    }
    if (refusal != 0) {
      Fail(refusal);
      return {};
    }
  }
  std::string staged = InFolder(folder_, std::string(kStagePrefix) + name);
  unlink(staged.c_str());  // never written through a link left there
  staged_.push_back(staged);
  return staged;
}

bool FileSet::Remove(const std::string& name) {
  const std::string mark = InFolder(folder_, std::string(kRemovePrefix) + name);
  const int fd = open(mark.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Fail(errno);
  staged_.push_back(mark);
  return close(fd) == 0 || Fail(errno);
}

bool FileSet::Commit() {
  if (error_ != 0) return false;
  MarkedNames names;
  std::string list;
  for (const std::string& path : staged_) {
    const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
    if (name.starts_with(kStagePrefix)) {
      names.staged.emplace_back(name.substr(kStagePrefix.size()));
    } else {
      names.removed.emplace_back(name.substr(kRemovePrefix.size()));
    }
    list.append(name).push_back('\n');
  }
  const std::string mark_path = InFolder(folder_, kCommitMark);
  Step(0);
  AtomicWriter mark(mark_path);
  if (!mark.Write(list) || !mark.Commit()) {
    // A mark that got its name before its close failed would have the next writer install a
    // set whose staged files are being removed: it goes first, or the set stands after all.
    if (unlink(mark_path.c_str()) != 0 && errno != ENOENT) {
      committed_ = true;
      int error = 0;
      RollForward(folder_, names, &error);
      return Fail(mark.error());
    }
    SyncFolder(folder_);
    return Fail(mark.error());
  }
  committed_ = true;  // from here on the new set stands, finished now or by the next writer
  Step(1);
  int error = 0;
  return RollForward(folder_, names, &error) || Fail(error);
}

void UseNamedTemporaryFiles(bool named) { g_named_temporaries.store(named); }

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason,
                         Durability durability) {
  AtomicWriter writer(path, durability);
  if (writer.Write(bytes) && writer.Commit()) return true;
  if (reason) *reason = writer.reason();
  return false;
}

}  // namespace korvan
