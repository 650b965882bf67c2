#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// What the file system of folder still lets this process write, in bytes, and its allocation
// unit (a FAT cluster); nothing when it cannot be asked.
struct FreeSpace {
  uint64_t bytes = 0;
  uint64_t unit = 1;
};
std::optional<FreeSpace> FreeSpaceAt(const std::string& folder);
// What removing path (not followed when a link) gives back to its file system: a regular
// file's allocated bytes when this is its only name, else 0.
uint64_t BytesFreedByRemoving(const std::string& path);

// Whether two paths name the same file: the same device and inode when both exist, else the
// same real path (links, "." and ".." resolved as far as the folders exist).
bool SameFile(const std::string& a, const std::string& b);

enum class ReadFault {
  kNone,
  kCannotOpen,  // missing, not allowed, or a folder
  kNotRegular,  // a device, a pipe or a socket: never read, it might not end
  kTooLarge,    // beyond what a genuine file of its kind holds
  kReadFailed,
};

// A regular file opened for reading only, closed when the object goes. Anything else (a
// pipe, a device such as /dev/zero) is not opened: it could block or never end.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  ReadFault fault() const { return fault_; }
  uint64_t size() const { return size_; }  // when opened
  // Up to n bytes into buffer: the number read, 0 at the end, -1 on an error (reading a
  // folder is one). A read interrupted by a signal is repeated.
  ptrdiff_t Read(void* buffer, size_t n);
  // The same at a byte offset, leaving the file position alone (readers may share a file).
  ptrdiff_t ReadAt(uint64_t offset, void* buffer, size_t n);

 private:
  int fd_ = -1;
  ReadFault fault_ = ReadFault::kNone;
  uint64_t size_ = 0;
};

// The whole of a file that may be missing, from one open of it: nothing with *error 0 when it
// is not there; nothing with the system's error number (kNotRegularFile for a folder or a
// device, EFBIG beyond max_bytes) when it is there but cannot be read whole.
std::optional<std::string> ReadFileIfPresent(const std::string& path, size_t max_bytes, int* error);

// The whole of a regular file of at most max_bytes, or nothing (and why, in *fault).
std::optional<std::string> ReadWholeFile(const std::string& path, size_t max_bytes,
                                         ReadFault* fault = nullptr);

}  // namespace korvan
