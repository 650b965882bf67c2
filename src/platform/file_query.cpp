#include "platform/file_query.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
