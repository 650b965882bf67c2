#include "platform/file_query.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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
  struct stat sa {
  }, sb{};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  return RealPathOf(a) == RealPathOf(b);
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

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

}  // namespace korvan
