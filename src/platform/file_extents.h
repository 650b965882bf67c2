#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvan {

// A piece of a file's data: length bytes from logical in the file lie from physical on the
// device.
struct Extent {
  uint64_t logical = 0;
  uint64_t physical = 0;
  uint64_t length = 0;

  bool operator==(const Extent&) const = default;
};

// Adds the file's next piece (in file order) to runs. A piece that begins where the last run
// ends, both in the file and on the device, lengthens that run: the file systems cut a long
// file into pieces that often lie end to end, and those are one piece on the card.
void AppendExtent(std::vector<Extent>& runs, const Extent& next);

enum class Contiguity { kUnknown, kContiguous, kFragmented };

// Whether runs (built by AppendExtent) hold the first size bytes of a file in one piece.
Contiguity ContiguityOfRuns(const std::vector<Extent>& runs, uint64_t size);

// The ways of learning where a file lies on its device. Each answers kUnknown when it cannot
// tell: the file system does not offer it, the process may not use it, the device is not
// readable.
class ExtentQuery {
 public:
  virtual ~ExtentQuery() = default;
  virtual Contiguity ByExtentMap(const std::string& path) = 0;  // FIEMAP
  virtual Contiguity ByBlockMap(const std::string& path) = 0;   // FIBMAP
  virtual Contiguity ByFatChain(const std::string& path) = 0;   // the FAT read from the device
  // The FAT read through the device that UDisks2 opens after polkit's consent.
  virtual Contiguity ByGrantedDevice(const std::string& path) = 0;
};

// Asks the ways in the order above until one tells.
Contiguity FileContiguity(ExtentQuery& query, const std::string& path);

// A file of a mounted FAT volume: the volume's device and the file's place on it.
struct FatFileOnDevice {
  std::string device;       // /dev/sdb1
  std::string path_inside;  // from the volume's root, no leading "/"
  uint64_t size = 0;        // as the file system tells it
};

// From a /proc/self/mountinfo text: the FAT volume (vfat, msdos) of device major:minor that
// holds path (absolute, links resolved), with the device the mount table names; nothing when
// the file is not on a FAT volume mounted from a /dev device. The size is left 0.
std::optional<FatFileOnDevice> FatFileOnDeviceIn(const std::string& mountinfo, unsigned major,
                                                 unsigned minor, const std::string& path);

class SystemExtentQuery : public ExtentQuery {
 public:
  // With terminal_agent, polkit's password prompt asks in the terminal when no desktop agent
  // does (korvan-cli).
  explicit SystemExtentQuery(bool terminal_agent = false) : terminal_agent_(terminal_agent) {}

  Contiguity ByExtentMap(const std::string& path) override;
  // Needs the raw-I/O capability; works on FAT, which has no FIEMAP.
  Contiguity ByBlockMap(const std::string& path) override;
  // Needs read access to the card's block device.
  Contiguity ByFatChain(const std::string& path) override;
  // Only for a device that this process cannot read itself: a device read directly has told
  // what it can, and a prompt would add nothing.
  Contiguity ByGrantedDevice(const std::string& path) override;

 protected:
  // The FAT volume's device that holds path, from the mount table, verified against the
  // file's device number; the file system's data are synced to it first.
  virtual std::optional<FatFileOnDevice> FatDeviceOf(const std::string& path);

 private:
  bool terminal_agent_;
};

}  // namespace korvan
