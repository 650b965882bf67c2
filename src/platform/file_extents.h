#pragma once

#include <cstdint>
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
};

// Asks the ways in the order above until one tells.
Contiguity FileContiguity(ExtentQuery& query, const std::string& path);

class SystemExtentQuery : public ExtentQuery {
 public:
  Contiguity ByExtentMap(const std::string& path) override;
  // Needs the raw-I/O capability; works on FAT, which has no FIEMAP.
  Contiguity ByBlockMap(const std::string& path) override;
  // Needs read access to the card's block device (the disk group, usually).
  Contiguity ByFatChain(const std::string& path) override;
};

}  // namespace korvan
