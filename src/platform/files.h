#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvan {

enum class Durability {
  kSynced,      // flushed to the medium before it gets its name: survives a power loss
  kRenameOnly,  // survives a crash of the program
};

// Writes a whole file so that its name only ever stands for a complete file: the data goes to
// an unnamed file in the target's folder (a short temporary name where the file system has no
// unnamed files), every write is checked, and Commit gives it the target's name. A writer
// destroyed or failed before Commit removes its data and leaves the target as it was.
//
// A target that is a symbolic link is written where the link points; a target that exists
// and is not a regular file, or has no write permission for anyone, is refused. An existing
// target's permissions are kept; a new file gets 0666 less the umask.
class AtomicWriter {
 public:
  explicit AtomicWriter(const std::string& path, Durability durability = Durability::kSynced);
  ~AtomicWriter();
  AtomicWriter(const AtomicWriter&) = delete;
  AtomicWriter& operator=(const AtomicWriter&) = delete;

  // False once any step has failed; reason() then tells why (the system's text).
  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  std::string reason() const;

  bool Write(const void* data, size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Flushes, syncs and names the file. False (and the data removed) when any step failed.
  bool Commit();

 private:
  bool Fail(int error);
  void Discard();
  void SetTemporaryName(std::string name);  // also for the signal clean-up

  std::string target_;     // the real path that gets the data
  std::string temp_name_;  // the named temporary file, when there is one
  int temp_slot_ = -1;
  Durability durability_;
  int fd_ = -1;
  int error_ = 0;
  bool committed_ = false;
};

// For a command-line process: on SIGINT, SIGTERM, SIGHUP and SIGPIPE the named temporary
// files of writers still open are removed before the process ends as the signal would end
// it; SIGXFSZ is ignored, so that a file-size limit comes back as a write error.
void RemoveTemporaryFilesOnSignals();

// Makes the writers of this process use named temporary files, as on a file system without
// unnamed files (FAT cards do not have them); for tests of that path.
void UseNamedTemporaryFiles(bool named);

// An existing regular file written in place, the way the logger records into its pre-sized
// file: writes past the end are refused, so the file never grows.
class InPlaceFile {
 public:
  explicit InPlaceFile(const std::string& path);
  ~InPlaceFile();
  InPlaceFile(const InPlaceFile&) = delete;
  InPlaceFile& operator=(const InPlaceFile&) = delete;

  bool ok() const { return error_ == 0; }
  std::string reason() const;
  uint64_t size() const { return size_; }

  bool WriteAt(uint64_t offset, const void* data, size_t size);
  // Flushes to the medium and closes; false when that or an earlier step failed.
  bool Close();

 private:
  bool Fail(int error);
  int fd_ = -1;
  int error_ = 0;
  uint64_t size_ = 0;
};

// Removes a file; a file that is not there is no error. False with the system's reason.
bool RemoveFile(const std::string& path, std::string* reason = nullptr);

// One AtomicWriter round for bytes held in memory. Returns false (with the system's reason in
// *reason) when any step fails; the target is then unchanged and nothing is left behind.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* reason = nullptr,
                         Durability durability = Durability::kSynced);

}  // namespace korvan
