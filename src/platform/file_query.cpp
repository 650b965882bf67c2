#include "platform/file_query.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/system_error.h"

namespace korvan {

FileStatus QueryFile(const std::string& path) {
  struct stat st {};
  FileStatus status;
  if (stat(path.c_str(), &st) != 0) return status;
  if (S_ISREG(st.st_mode)) {
    status.kind = FileKind::kRegular;
  } else if (S_ISDIR(st.st_mode)) {
    status.kind = FileKind::kDirectory;
  } else {
    status.kind = FileKind::kOther;
  }
  status.size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  return status;
}

bool IsRegularFile(const std::string& path) { return QueryFile(path).kind == FileKind::kRegular; }

bool IsDirectory(const std::string& path) { return QueryFile(path).kind == FileKind::kDirectory; }

bool IsWritable(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
         access(path.c_str(), W_OK) == 0;
}

std::optional<FreeSpace> FreeSpaceAt(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  FreeSpace space;
  space.unit = std::max<uint64_t>(fs.f_frsize, 1);
  space.bytes = static_cast<uint64_t>(fs.f_bavail) * space.unit;
  return space;
}

uint64_t BytesFreedByRemoving(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) return 0;
  return static_cast<uint64_t>(st.st_blocks) * 512;
}

namespace {

// The real path of a file that may not exist yet: its folder resolved, then its name (itself
// followed when it is a link).
std::string RealPathOf(const std::string& path) {
  if (char* real = realpath(path.c_str(), nullptr)) {
    std::string resolved(real);
    std::free(real);
    return resolved;
  }
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return path;
  std::string real_folder = RealPathOf(folder);
  return (real_folder == "/" ? "" : real_folder) + "/" + name;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  return RealPathOf(a) == RealPathOf(b);
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  // Without blocking, so that a pipe or a device named like a card file cannot hang us: only
  // regular files are read, and opening those never blocks anyway.
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) {
    fault_ = ReadFault::kCannotOpen;
    return;
  }
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    fault_ = S_ISDIR(st.st_mode) ? ReadFault::kCannotOpen : ReadFault::kNotRegular;
    close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) close(fd_);
}

ptrdiff_t ReadOnlyFile::Read(void* buffer, size_t n) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t got = read(fd_, buffer, n);
    if (got >= 0 || errno != EINTR) return got;
  }
}

ptrdiff_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t got = pread(fd_, buffer, n, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR) return got;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t max_bytes,
                                         ReadFault* fault) {
  auto fail = [&](ReadFault why) {
    if (fault) *fault = why;
    return std::nullopt;
  };
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return fail(file.fault());
  if (file.size() > max_bytes) return fail(ReadFault::kTooLarge);
  std::string bytes;
  // A file of the kernel's own (/proc) says size 0 and has text all the same.
  bytes.resize(std::max<size_t>(static_cast<size_t>(file.size()), 4096));
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (bytes.size() > max_bytes) return fail(ReadFault::kTooLarge);
      bytes.resize(std::min(bytes.size() * 2, max_bytes + 1));
    }
    const ptrdiff_t n = file.Read(bytes.data() + got, bytes.size() - got);
    if (n < 0) return fail(ReadFault::kReadFailed);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > max_bytes) return fail(ReadFault::kTooLarge);  // it grew while being read
  bytes.resize(got);
  if (fault) *fault = ReadFault::kNone;
  return bytes;
}

std::optional<std::string> ReadFileIfPresent(const std::string& path, size_t max_bytes,
                                             int* error) {
  *error = 0;
  // The error comes from the open that reads the file, never from an earlier look at it.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno != ENOENT) *error = errno;
    return std::nullopt;
  }
  std::string bytes;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    *error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    *error = kNotRegularFile;  // a pipe or a device might never end
  } else {
    char buffer[16384];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *error = errno;
        break;
      }
      if (n == 0) break;
      if (static_cast<size_t>(n) > max_bytes - bytes.size()) {
        *error = EFBIG;
        break;
      }
      bytes.append(buffer, static_cast<size_t>(n));
    }
  }
  close(fd);
  if (*error != 0) return std::nullopt;
  return bytes;
}

}  // namespace korvan
