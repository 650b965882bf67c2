#include "platform/file_extents.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "platform/drives.h"
#include "platform/fat_volume.h"
#include "platform/file_query.h"
#include "platform/udisks.h"

namespace korvan {

void AppendExtent(std::vector<Extent>& runs, const Extent& next) {
  if (!runs.empty()) {
    Extent& last = runs.back();
    if (last.logical + last.length == next.logical &&
        last.physical + last.length == next.physical) {
      last.length += next.length;
      return;
    }
  }
  runs.push_back(next);
}

Contiguity ContiguityOfRuns(const std::vector<Extent>& runs, uint64_t size) {
  if (runs.empty()) return size == 0 ? Contiguity::kContiguous : Contiguity::kFragmented;
  // A hole at the start or the end is data that is not on the device yet.
  return runs.size() == 1 && runs[0].logical == 0 && runs[0].length >= size
             ? Contiguity::kContiguous
             : Contiguity::kFragmented;
}

Contiguity FileContiguity(ExtentQuery& query, const std::string& path) {
  for (auto way : {&ExtentQuery::ByExtentMap, &ExtentQuery::ByBlockMap, &ExtentQuery::ByFatChain,
                   &ExtentQuery::ByGrantedDevice}) {
    const Contiguity answer = (query.*way)(path);
    if (answer != Contiguity::kUnknown) return answer;
  }
  return Contiguity::kUnknown;
}

namespace {

// A regular file opened for the extent questions, with its status.
class OpenFile {
 public:
  explicit OpenFile(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    if (fd_ >= 0 && (fstat(fd_, &status_) != 0 || !S_ISREG(status_.st_mode))) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int fd() const { return fd_; }
  const struct stat& status() const { return status_; }
  uint64_t size() const { return static_cast<uint64_t>(status_.st_size); }

 private:
  int fd_;
  struct stat status_ {};
};

// The device node of a mounted file system: the kernel's name for major:minor first, then
// the mount table's source; either only when it is that very device.
std::string DeviceNodeOf(const struct stat& file_status, const std::string& mount_source) {
  std::vector<std::string> candidates;
  const std::string uevent = "/sys/dev/block/" + std::to_string(major(file_status.st_dev)) + ":" +
                             std::to_string(minor(file_status.st_dev)) + "/uevent";
  const std::string text = ReadWholeFile(uevent, 64 * 1024).value_or("");
  if (const size_t at = text.find("DEVNAME="); at != std::string::npos) {
    const size_t end = text.find('\n', at);
    candidates.push_back("/dev/" +
                         text.substr(at + 8, end == std::string::npos ? end : end - at - 8));
  }
  candidates.push_back(mount_source);
  for (const std::string& candidate : candidates) {
    // Looking at a node needs no right to read it.
    struct stat device {};
    if (stat(candidate.c_str(), &device) == 0 && S_ISBLK(device.st_mode) &&
        device.st_rdev == file_status.st_dev) {
      return candidate;
    }
  }
  return "";
}

// Where the file's FAT entry puts it; its size must agree, or this is not the entry of the
// file that was written.
Contiguity ContiguityOnVolume(VolumeReader& volume, const FatFileOnDevice& file) {
  const FatFile found = LocateFatFile(volume, file.path_inside, true);
  if (found.status != FatFileStatus::kFound || found.size != file.size) {
    return Contiguity::kUnknown;
  }
  return ContiguityOfRuns(found.runs, found.size);
}

}  // namespace

Contiguity SystemExtentQuery::ByExtentMap(const std::string& path) {
  OpenFile file(path);
  if (file.fd() < 0) return Contiguity::kUnknown;
  constexpr uint32_t kBatch = 64;
  // struct fiemap ends in a flexible array; the buffer holds it and kBatch extents.
  std::vector<uint64_t> buffer((sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / 8 + 1);
  auto* query = reinterpret_cast<fiemap*>(buffer.data());
  std::vector<Extent> runs;
  uint64_t next = 0;
  // FIEMAP_FLAG_SYNC first writes delayed data out, so that its extents exist to be told.
  uint32_t flags = FIEMAP_FLAG_SYNC;
  while (next < file.size()) {
    std::fill(buffer.begin(), buffer.end(), 0);
    query->fm_start = next;
    query->fm_length = FIEMAP_MAX_OFFSET - next;
    query->fm_flags = flags;
    query->fm_extent_count = kBatch;
    if (ioctl(file.fd(), FS_IOC_FIEMAP, query) != 0) return Contiguity::kUnknown;
    flags = 0;
    if (query->fm_mapped_extents == 0) break;  // the rest is a hole
    for (uint32_t i = 0; i < query->fm_mapped_extents && i < kBatch; ++i) {
      const fiemap_extent& e = query->fm_extents[i];
      if (e.fe_flags & (FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_ENCODED |
                        FIEMAP_EXTENT_DATA_INLINE)) {
        return Contiguity::kUnknown;  // no place on the device to compare
      }
      if (e.fe_logical >= file.size()) break;  // space kept beyond the end is not the file's
      AppendExtent(runs, {e.fe_logical, e.fe_physical, e.fe_length});
      if (runs.size() > 1) return Contiguity::kFragmented;
    }
    const fiemap_extent& last = query->fm_extents[std::min(query->fm_mapped_extents, kBatch) - 1];
    if (last.fe_flags & FIEMAP_EXTENT_LAST) break;
    // Each question must start further on, or the loop would not end.
    if (last.fe_logical + last.fe_length <= next) return Contiguity::kUnknown;
    next = last.fe_logical + last.fe_length;
  }
  return ContiguityOfRuns(runs, file.size());
}

Contiguity SystemExtentQuery::ByBlockMap(const std::string& path) {
  OpenFile file(path);
  if (file.fd() < 0) return Contiguity::kUnknown;
  int block_bytes = 0;
  if (ioctl(file.fd(), FIGETBSZ, &block_bytes) != 0 || block_bytes <= 0) {
    return Contiguity::kUnknown;
  }
  const uint64_t block = static_cast<uint64_t>(block_bytes);
  // FAT gives a file whole clusters, so the first block of each tells where all of it lies:
  // one question per cluster instead of one per block.
  uint64_t step = block;
  struct statfs volume {};
  if (fstatfs(file.fd(), &volume) == 0 && volume.f_type == MSDOS_SUPER_MAGIC &&
      volume.f_bsize > 0 && static_cast<uint64_t>(volume.f_bsize) % block == 0) {
    step = static_cast<uint64_t>(volume.f_bsize);
  }
  std::vector<Extent> runs;
  for (uint64_t at = 0; at < file.size(); at += step) {
    if (at / block > INT_MAX) return Contiguity::kUnknown;
    int where = static_cast<int>(at / block);
    // Refused without the raw-I/O capability, and by file systems without a block map.
    if (ioctl(file.fd(), FIBMAP, &where) != 0) return Contiguity::kUnknown;
    if (where == 0) continue;  // a hole: the next piece then starts a new run
    AppendExtent(runs,
                 {at, static_cast<uint32_t>(where) * block, std::min(step, file.size() - at)});
    if (runs.size() > 1) return Contiguity::kFragmented;
  }
  return ContiguityOfRuns(runs, file.size());
}

std::optional<FatFileOnDevice> FatFileOnDeviceIn(const std::string& mountinfo, unsigned major,
                                                 unsigned minor, const std::string& path) {
  const std::optional<MountOfFile> mount = MountOfFileIn(mountinfo, major, minor, path);
  if (!mount || (mount->type != "vfat" && mount->type != "msdos") ||
      !mount->source.starts_with("/dev/")) {
    return std::nullopt;
  }
  return FatFileOnDevice{mount->source, mount->path_inside, 0};
}

std::optional<FatFileOnDevice> SystemExtentQuery::FatDeviceOf(const std::string& path) {
  std::error_code ec;
  const std::string real = std::filesystem::canonical(path, ec).string();
  if (ec) return std::nullopt;
  OpenFile file(real);
  if (file.fd() < 0) return std::nullopt;
  std::optional<FatFileOnDevice> on_device =
      FatFileOnDeviceIn(ReadWholeFile("/proc/self/mountinfo", 16 << 20).value_or(""),
                        major(file.status().st_dev), minor(file.status().st_dev), real);
  if (!on_device) return std::nullopt;
  on_device->device = DeviceNodeOf(file.status(), on_device->device);
  if (on_device->device.empty()) return std::nullopt;
  on_device->size = file.size();
  // The driver's folders and FAT go through the device's cache, which a reader of the device
  // shares; syncing puts them on the card too, for a reader through another descriptor.
  syncfs(file.fd());
  return on_device;
}

Contiguity SystemExtentQuery::ByFatChain(const std::string& path) {
  const std::optional<FatFileOnDevice> file = FatDeviceOf(path);
  if (!file) return Contiguity::kUnknown;
  FileVolume device(file->device);
  if (device.fd() < 0) return Contiguity::kUnknown;
  return ContiguityOnVolume(device, *file);
}

Contiguity SystemExtentQuery::ByGrantedDevice(const std::string& path) {
  const std::optional<FatFileOnDevice> file = FatDeviceOf(path);
  if (!file || DeviceReadable(file->device)) return Contiguity::kUnknown;
  int fd = -1;
  {
    std::optional<TerminalAuthAgent> agent;
    if (terminal_agent_) agent.emplace();
    fd = OpenDeviceThroughUDisks(file->device);
  }
  if (fd < 0) return Contiguity::kUnknown;
  FileVolume device(FileVolume::Owned{fd});
  return ContiguityOnVolume(device, *file);
}

}  // namespace korvan
