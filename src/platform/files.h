#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// A temporary file of this program, by its one naming rule: unnamed where the folder's file
// system has unnamed files, else ".korvan-" and six characters (IsTemporaryName). From its
// creation to its end it holds a shared lock, which tells the stale-temporary clean-up of
// another writer (RemoveStaleTemporaries) that it is alive, and a name it has is removed by
// the signal clean-up (RemoveTemporaryFilesOnSignals).
class TemporaryFile {
 public:
  // by_name: a name even where the file system has unnamed files, for code that writes by name.
  explicit TemporaryFile(const std::string& folder, bool by_name = false);
  ~TemporaryFile();  // removes the file unless Publish named it
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool ok() const { return error_ == 0; }
  int error() const { return error_; }
  int fd() const { return fd_; }  // opened for reading and writing
  // The file's name; empty while it has none.
  const std::string& name() const { return name_; }
  // Closes fd() (a close may be the first to report a failed write); the lock stays.
  bool CloseWrites();
  // Gives the file the name target, replacing a file of that name; closes fd() first.
  bool Publish(const std::string& target);
  // For a scratch file used only while open: drops its name and hands fd() to the caller.
  int Release();

 private:
  bool Fail(int error);
  void SetName(std::string name);  // also for the signal clean-up

  std::string folder_;
  std::string name_;  // empty while the file has no name
  int slot_ = -1;
  int fd_ = -1;
  int hold_ = -1;  // the same open file: keeps the lock from creation to the rename
  int error_ = 0;
  bool published_ = false;
};

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
  // For a library that writes a whole file of its own by name instead of through Write: a
  // temporary name beside the target, by the program's rule, for it to write; Commit then
  // gives the file written there the target's name, in place of anything Write wrote (a
  // rename, which FAT has too). Empty once the writer has failed.
  std::string AdoptPath();
  // Flushes, syncs and names the file. False (and the data removed) when any step failed.
  bool Commit();

 private:
  bool Fail(int error);
  bool Open(bool named);

  std::string target_;  // the real path that gets the data
  std::optional<TemporaryFile> temp_;
  Durability durability_;
  unsigned mode_ = 0;  // the permissions the file gets
  int error_ = 0;
};

// For both programs: on SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGABRT, SIGSEGV and SIGBUS
// the named temporary files of writers still open are removed before the process ends as the
// signal would end it; SIGXFSZ is ignored, so that a file-size limit comes back as a write
// error. SIGKILL cannot be caught: what it leaves is removed by the next FolderLock.
void RemoveTemporaryFilesOnSignals();

// Makes the writers of this process use named temporary files, as on a file system without
// unnamed files (FAT cards do not have them); for tests of that path.
void UseNamedTemporaryFiles(bool named);

// Files of one folder replaced together: after an interruption the folder holds either the
// files it had or the whole new set, never a mix. Each new file is first written whole under a
// staging name (".korvan-new-NAME"), a name that leaves the set is marked (".korvan-del-NAME");
// nothing under a final name has changed yet. Commit then writes the commit mark
// (".korvan-commit-set", synced with its folder): that is the moment the new set counts.
// After it, the removals and the renames onto the final names follow; the mark goes last.
// A rename onto an existing name is atomic on Linux file systems, FAT included, but a set of
// them is not, and FAT has no rename-exchange: so a writer killed between the mark and its
// removal is finished by the next writer, which holds the folder's lock and rolls forward
// whatever the mark covers (RecoverFileSet; the mark lists the staged names it covers). Without
// the mark the staged files are removed and the old set stands. Until that next writer comes, a
// reader finds each file through PathInCommittedSet; a power loss inside one rename on FAT is
// beyond what a program can guard.
// Callers hold the folder's FolderLock.
class FileSet {
 public:
  explicit FileSet(std::string folder);
  ~FileSet();  // a set not committed leaves the folder as it was
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  // Where the new content of name is to be written whole (with an AtomicWriter, committed).
  // Empty when name cannot be replaced (a folder, a device, a read-only file): reason() then
  // tells why, and Commit fails.
  std::string StagePath(const std::string& name);
  // The set has no file called name: Commit removes it.
  bool Remove(const std::string& name);
  // False on any failure. committed() then tells whether it came after the commit point: the
  // new set stands and the next reader or writer finishes its renames.
  bool Commit();
  bool committed() const { return committed_; }
  std::string reason() const;

 private:
  bool Fail(int error);
  std::string folder_;
  std::vector<std::string> staged_;  // staging and removal marks made so far
  int error_ = 0;
  bool committed_ = false;
};

// Run by the holder of a folder's lock: finishes a set whose commit mark is there, else removes
// the staged files of an unfinished one. False (with the reason) when a step failed.
bool RecoverFileSet(const std::string& folder, std::string* reason = nullptr);

// Whether folder holds a commit mark: a set committed there is not finished yet.
bool HasCommitMark(const std::string& folder);
// Where a reader finds the content of folder's file name as the committed set has it while that
// set is not finished: the staged file until it is renamed, nothing (empty) when the set removes
// the name. Without a mark, or for a name the set leaves alone, the file itself.
std::string PathInCommittedSet(const std::string& folder, const std::string& name);

// For tests of interrupted commits: called with 0 just before a set's commit mark is written,
// then after each later step (the mark, each removal, each rename, the mark's removal).
void SetFileSetStepHook(void (*hook)(int step));

// The name of a temporary of ours (".korvan-" and six characters).
bool IsTemporaryName(std::string_view name);

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
