#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvan {

// Read-side questions to the file system, so that the core asks them in one way.

enum class FileKind { kNone, kRegular, kDirectory, kOther };

struct FileStatus {
  FileKind kind = FileKind::kNone;  // kNone: missing, or cannot be looked at
  uint64_t size = 0;                // bytes; meaningful for a regular file
};

// Follows symbolic links, as opening the path would.
FileStatus QueryFile(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
// Writable by this process and by someone at all: root passes every permission check, but a
// file that nobody may write is meant to stay as it is.
bool IsWritable(const std::string& path);

// Whether two paths name the same file: the same device and inode when both exist, else the
// same real path (links, "." and ".." resolved as far as the folders exist).
bool SameFile(const std::string& a, const std::string& b);

// A file opened for reading only, closed when the object goes.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Up to n bytes into buffer: the number read, 0 at the end, -1 on an error (reading a
  // folder is one). A read interrupted by a signal is repeated.
  ptrdiff_t Read(void* buffer, size_t n);

 private:
  int fd_ = -1;
};

}  // namespace korvan
