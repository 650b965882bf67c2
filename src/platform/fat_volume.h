#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_extents.h"

namespace korvan {

// The bytes of a volume, read where they are asked for. Nothing read from it is trusted.
class VolumeReader {
 public:
  virtual ~VolumeReader() = default;
  // False unless all size bytes at offset could be read.
  virtual bool Read(uint64_t offset, uint8_t* out, size_t size) = 0;
};

// A block device or an image file, opened for reading only.
class FileVolume : public VolumeReader {
 public:
  // A descriptor that someone else opened (UDisks2); the volume closes it.
  struct Owned {
    int fd = -1;
  };

  explicit FileVolume(const std::string& path);
  explicit FileVolume(Owned owned) : fd_(owned.fd) {}
  ~FileVolume() override;
  FileVolume(const FileVolume&) = delete;
  FileVolume& operator=(const FileVolume&) = delete;

  int fd() const { return fd_; }  // -1 when it could not be opened
  bool Read(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  int fd_ = -1;
};

// Whether this process may open device (or any file) for reading itself.
bool DeviceReadable(const std::string& device);

// Bytes held in memory (an image, a fuzzer's input); the bytes must outlive it.
class MemoryVolume : public VolumeReader {
 public:
  explicit MemoryVolume(std::string_view bytes) : bytes_(bytes) {}
  bool Read(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  std::string_view bytes_;
};

// Where the boot sector puts things, in bytes from the volume's start.
struct FatGeometry {
  int bits = 0;                // 12, 16 or 32
  uint32_t cluster_count = 0;  // data clusters, numbered from 2
  uint64_t cluster_bytes = 0;
  uint64_t fat_offset = 0;  // the first FAT, the one the driver keeps current
  uint64_t fat_bytes = 0;
  uint64_t root_offset = 0;  // FAT12/16: the fixed root folder
  uint64_t root_bytes = 0;
  uint32_t root_cluster = 0;  // FAT32: the root folder's first cluster
  uint64_t data_offset = 0;   // where cluster 2 begins

  uint64_t ClusterOffset(uint32_t cluster) const {
    return data_offset + uint64_t{cluster - 2} * cluster_bytes;
  }
};

// Nothing when the volume does not begin with a FAT boot sector whose numbers hold together.
std::optional<FatGeometry> ReadFatGeometry(VolumeReader& volume);

enum class FatFileStatus {
  kFound,
  kNotFat,      // no usable boot sector
  kUnreadable,  // a sector that the volume should have could not be read
  kNotFound,    // no regular file of that path
  kDamaged,     // a folder or the file's cluster chain is broken
};

struct FatFile {
  FatFileStatus status = FatFileStatus::kNotFat;
  uint64_t size = 0;         // from its folder entry
  std::vector<Extent> runs;  // where its data lie, joined by AppendExtent
};

// Finds the regular file at path ("/"-separated, from the volume's root; each name matched
// as the driver matches it: the long or the short name, ASCII letters in either case) and
// follows its cluster chain, which must hold exactly the file's size. With stop_at_break the
// walk ends at the first cluster that does not follow its predecessor: the file is then
// known to be in more than one piece, and the rest of its chain is left unchecked.
FatFile LocateFatFile(VolumeReader& volume, std::string_view path, bool stop_at_break);

}  // namespace korvan
