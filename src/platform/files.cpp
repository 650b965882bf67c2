#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    bytes.reserve(static_cast<size_t>(st.st_size));
  } else if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  char chunk[65536];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  close(fd);
  return bytes;
}

namespace {

bool Fail(std::string* reason, int error) {
  if (reason) *reason = std::strerror(error);
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason,
                         Durability durability) {
  // rename() would replace a read-only file; the original platform refuses, and so do we.
  if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) {
    return Fail(reason, EACCES);
  }
  std::string temp = path + ".tmp-XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return Fail(reason, errno);
  std::string temp_name(name.data());

  // Keep the permissions of an existing target; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    fchmod(fd, st.st_mode & 07777);
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }

  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      close(fd);
      unlink(temp_name.c_str());
      return Fail(reason, error);
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (durability == Durability::kSynced && fsync(fd) != 0 && errno != EINVAL) {
    int error = errno;
    close(fd);
    unlink(temp_name.c_str());
    return Fail(reason, error);
  }
  if (close(fd) != 0) {
    int error = errno;
    unlink(temp_name.c_str());
    return Fail(reason, error);
  }
  if (rename(temp_name.c_str(), path.c_str()) != 0) {
    int error = errno;
    unlink(temp_name.c_str());
    return Fail(reason, error);
  }
  return true;
}

}  // namespace korvan
