#include "platform/fat_volume.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace korvan {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | uint32_t{Le16(p + 2)} << 16; }

constexpr size_t kEntryBytes = 32;
// The driver keeps a folder within 65536 entries, so a longer folder chain is a loop.
constexpr uint64_t kMaxFolderBytes = 65536 * kEntryBytes;
constexpr size_t kChunk = 64 * 1024;  // a multiple of the entry size
constexpr uint8_t kAttrVolume = 0x08;
constexpr uint8_t kAttrFolder = 0x10;
constexpr uint8_t kLongNameMask = 0x3F;
constexpr uint8_t kLongName = 0x0F;
constexpr int kMaxLongParts = 20;  // 20 × 13 characters cover the longest name, 255
constexpr int kCharsPerPart = 13;

// Reads FAT entries through a window of the table: a chain mostly goes forward.
class FatTable {
 public:
  FatTable(VolumeReader& volume, const FatGeometry& geometry)
      : volume_(volume), geometry_(geometry) {}

  enum class Link { kNext, kEnd, kBroken };
  struct Step {
    Link link = Link::kBroken;
    uint32_t next = 0;
  };

  // What follows cluster (2 ... cluster_count + 1); nothing when the FAT cannot be read.
  std::optional<Step> Follow(uint32_t cluster) {
    uint32_t value = 0;
    switch (geometry_.bits) {
      case 12: {
        uint8_t lo = 0, hi = 0;
        const uint64_t at = uint64_t{cluster} + cluster / 2;
        if (!Byte(at, lo) || !Byte(at + 1, hi)) return std::nullopt;
        value = (cluster & 1) ? (lo >> 4 | hi << 4) : (lo | (hi & 0x0F) << 8);
        break;
      }
      case 16: {
        uint8_t b[2];
        for (uint64_t i = 0; i < 2; ++i) {
          if (!Byte(uint64_t{cluster} * 2 + i, b[i])) return std::nullopt;
        }
        value = Le16(b);
        break;
      }
      default: {
        uint8_t b[4];
        for (uint64_t i = 0; i < 4; ++i) {
          if (!Byte(uint64_t{cluster} * 4 + i, b[i])) return std::nullopt;
        }
        value = Le32(b) & 0x0FFFFFFF;  // the top four bits are reserved
        break;
      }
    }
    const uint32_t end_mark = geometry_.bits == 12   ? 0xFF8
                              : geometry_.bits == 16 ? 0xFFF8
                                                     : 0x0FFFFFF8;
    if (value >= end_mark) return Step{Link::kEnd};
    if (value >= 2 && value <= geometry_.cluster_count + 1) return Step{Link::kNext, value};
    return Step{Link::kBroken};  // free, reserved, bad, or beyond the volume
  }

 private:
  bool Byte(uint64_t offset, uint8_t& out) {
    if (offset >= geometry_.fat_bytes) return false;
    if (window_.empty() || offset < window_start_ || offset - window_start_ >= window_.size()) {
      window_start_ = offset - offset % kChunk;
      window_.resize(std::min<uint64_t>(kChunk, geometry_.fat_bytes - window_start_));
      if (!volume_.Read(geometry_.fat_offset + window_start_, window_.data(), window_.size())) {
        window_.clear();
        return false;
      }
    }
    out = window_[offset - window_start_];
    return true;
  }

  VolumeReader& volume_;
  const FatGeometry& geometry_;
  std::vector<uint8_t> window_;
  uint64_t window_start_ = 0;
};

bool SameAsciiFolded(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return fold(x) == fold(y);
  });
}

// The 8.3 name of a short entry as "NAME.EXT".
std::string ShortName(const uint8_t* entry) {
  std::string base(reinterpret_cast<const char*>(entry), 8);
  std::string ext(reinterpret_cast<const char*>(entry + 8), 3);
  if (static_cast<uint8_t>(base[0]) == 0x05) base[0] = static_cast<char>(0xE5);  // an escaped E5
  base.erase(base.find_last_not_of(' ') + 1);
  ext.erase(ext.find_last_not_of(' ') + 1);
  return ext.empty() ? base : base + "." + ext;
}

uint8_t ShortNameChecksum(const uint8_t* entry) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[i]);
  return sum;
}

// UTF-16 to UTF-8; nothing for a broken surrogate pair.
std::optional<std::string> Utf8Of(const std::vector<uint16_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return std::nullopt;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Looks for one name among a folder's entries, fed in order. A long name is spelled by the
// entries just before its short entry, last part first, and counts only when all its parts
// are there and carry the short name's checksum; otherwise the short name alone is matched.
class NameMatcher {
 public:
  explicit NameMatcher(std::string_view name) : name_(name) {}

  enum class Result { kMore, kEnd, kMatch };

  Result Feed(const uint8_t* entry) {
    if (entry[0] == 0x00) return Result::kEnd;  // nothing is ever written after this one
    if (entry[0] == 0xE5) {                     // deleted
      parts_ = 0;
      return Result::kMore;
    }
    if ((entry[11] & kLongNameMask) == kLongName) {
      FeedLongPart(entry);
      return Result::kMore;
    }
    const bool long_name_complete =
        parts_ > 0 && next_part_ == 0 && checksum_ == ShortNameChecksum(entry);
    bool match = false;
    if ((entry[11] & kAttrVolume) == 0) {
      match = SameAsciiFolded(ShortName(entry), name_);
      if (!match && long_name_complete) {
        const auto long_name = LongName();
        match = long_name && SameAsciiFolded(*long_name, name_);
      }
    }
    parts_ = 0;
    return match ? Result::kMatch : Result::kMore;
  }

 private:
  void FeedLongPart(const uint8_t* entry) {
    const int order = entry[0] & 0x1F;
    if (entry[0] & 0x40) {  // the name's last part comes first
      if (order == 0 || order > kMaxLongParts) {
        parts_ = 0;
        return;
      }
      parts_ = order;
      checksum_ = entry[13];
      units_.assign(static_cast<size_t>(order) * kCharsPerPart, 0xFFFF);
    } else if (parts_ == 0 || order != next_part_ || order == 0 || entry[13] != checksum_) {
      parts_ = 0;
      return;
    }
    static constexpr int kCharOffsets[kCharsPerPart] = {1,  3,  5,  7,  9,  14, 16,
                                                        18, 20, 22, 24, 28, 30};
    const size_t base = static_cast<size_t>(order - 1) * kCharsPerPart;
    for (int i = 0; i < kCharsPerPart; ++i) units_[base + i] = Le16(entry + kCharOffsets[i]);
    next_part_ = order - 1;
  }

  std::optional<std::string> LongName() const {
    std::vector<uint16_t> units = units_;
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    return Utf8Of(units);
  }

  std::string_view name_;
  int parts_ = 0;  // parts of the long name being read; 0: none
  int next_part_ = 0;
  uint8_t checksum_ = 0;
  std::vector<uint16_t> units_;
};

// Reads entries in chunks and feeds them to matcher until it decides.
class FolderScan {
 public:
  FolderScan(VolumeReader& volume, NameMatcher& matcher) : volume_(volume), matcher_(matcher) {}

  // Nothing while the folder goes on; else the outcome, and the entry on kFound.
  std::optional<FatFileStatus> Span(uint64_t offset, uint64_t bytes) {
    for (uint64_t done = 0; done + kEntryBytes <= bytes;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, bytes - done));
      buffer_.resize(n);
      if (!volume_.Read(offset + done, buffer_.data(), n)) return FatFileStatus::kUnreadable;
      for (size_t at = 0; at + kEntryBytes <= n; at += kEntryBytes) {
        switch (matcher_.Feed(buffer_.data() + at)) {
          case NameMatcher::Result::kMore:
            break;
          case NameMatcher::Result::kEnd:
            return FatFileStatus::kNotFound;
          case NameMatcher::Result::kMatch:
            std::copy_n(buffer_.data() + at, kEntryBytes, entry.begin());
            return FatFileStatus::kFound;
        }
      }
      done += n;
    }
    return std::nullopt;
  }

  std::array<uint8_t, kEntryBytes> entry{};

 private:
  VolumeReader& volume_;
  NameMatcher& matcher_;
  std::vector<uint8_t> buffer_;
};

bool ValidCluster(const FatGeometry& geometry, uint32_t cluster) {
  return cluster >= 2 && cluster <= geometry.cluster_count + 1;
}

// The entry of name in the folder that starts at cluster (0: the fixed root of FAT12/16).
FatFileStatus FindEntry(VolumeReader& volume, const FatGeometry& geometry, FatTable& table,
                        uint32_t cluster, std::string_view name,
                        std::array<uint8_t, kEntryBytes>& entry) {
  NameMatcher matcher(name);
  FolderScan scan(volume, matcher);
  std::optional<FatFileStatus> outcome;
  if (cluster == 0) {
    outcome = scan.Span(geometry.root_offset, geometry.root_bytes);
  } else {
    const uint64_t max_clusters = std::min<uint64_t>(
        geometry.cluster_count, std::max<uint64_t>(1, kMaxFolderBytes / geometry.cluster_bytes));
    for (uint64_t n = 0;; ++n) {
      if (n == max_clusters) return FatFileStatus::kDamaged;
      outcome = scan.Span(geometry.ClusterOffset(cluster), geometry.cluster_bytes);
      if (outcome) break;
      const auto step = table.Follow(cluster);
      if (!step) return FatFileStatus::kUnreadable;
      if (step->link == FatTable::Link::kEnd) return FatFileStatus::kNotFound;
      if (step->link == FatTable::Link::kBroken) return FatFileStatus::kDamaged;
      cluster = step->next;
    }
  }
  if (!outcome) return FatFileStatus::kNotFound;
  if (*outcome == FatFileStatus::kFound) entry = scan.entry;
  return *outcome;
}

// Follows the chain from first, which must hold size bytes exactly.
FatFile WalkChain(const FatGeometry& geometry, FatTable& table, uint32_t first, uint64_t size,
                  bool stop_at_break) {
  FatFile file;
  file.size = size;
  file.status = FatFileStatus::kDamaged;
  if (size == 0) {
    file.status = FatFileStatus::kFound;
    return file;
  }
  const uint64_t needed = (size + geometry.cluster_bytes - 1) / geometry.cluster_bytes;
  if (needed > geometry.cluster_count || !ValidCluster(geometry, first)) return file;
  // Bounded by the cluster count; a loop never reaches the end mark that the last cluster
  // needs, so it ends as damage.
  uint32_t cluster = first;
  for (uint64_t i = 0; i < needed; ++i) {
    const uint64_t at = i * geometry.cluster_bytes;
    AppendExtent(file.runs, {at, geometry.ClusterOffset(cluster),
                             std::min<uint64_t>(geometry.cluster_bytes, size - at)});
    if (stop_at_break && file.runs.size() > 1) {
      file.status = FatFileStatus::kFound;
      return file;
    }
    const auto step = table.Follow(cluster);
    if (!step) {
      file.status = FatFileStatus::kUnreadable;
      return file;
    }
    const bool last = i + 1 == needed;
    if (step->link != (last ? FatTable::Link::kEnd : FatTable::Link::kNext)) return file;
    cluster = step->next;
  }
  file.status = FatFileStatus::kFound;
  return file;
}

}  // namespace

FileVolume::FileVolume(const std::string& path)
    : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}

bool DeviceReadable(const std::string& device) { return FileVolume(device).fd() >= 0; }

FileVolume::~FileVolume() {
  if (fd_ >= 0) close(fd_);
}

bool FileVolume::Read(uint64_t offset, uint8_t* out, size_t size) {
  if (fd_ < 0) return false;
  while (size > 0) {
    const ssize_t n = pread(fd_, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool MemoryVolume::Read(uint64_t offset, uint8_t* out, size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
  std::copy_n(bytes_.data() + offset, size, out);
  return true;
}

std::optional<FatGeometry> ReadFatGeometry(VolumeReader& volume) {
  uint8_t b[512];
  if (!volume.Read(0, b, sizeof b) || b[510] != 0x55 || b[511] != 0xAA) return std::nullopt;
  const uint32_t sector_bytes = Le16(b + 11);
  const uint32_t sectors_per_cluster = b[13];
  const uint32_t reserved = Le16(b + 14);
  const uint32_t fats = b[16];
  const uint32_t root_entries = Le16(b + 17);
  const uint64_t total = Le16(b + 19) != 0 ? Le16(b + 19) : Le32(b + 32);
  // The driver takes a volume whose 16-bit FAT size is zero for FAT32.
  const bool fat32 = Le16(b + 22) == 0;
  const uint64_t fat_sectors = fat32 ? Le32(b + 36) : Le16(b + 22);
  auto power_of_two = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power_of_two(sector_bytes) || sector_bytes < 512 || sector_bytes > 4096 ||
      !power_of_two(sectors_per_cluster) || reserved == 0 || fats == 0 || fat_sectors == 0 ||
      fat32 != (root_entries == 0)) {
    return std::nullopt;
  }
  const uint64_t root_sectors =
      (uint64_t{root_entries} * kEntryBytes + sector_bytes - 1) / sector_bytes;
  const uint64_t first_data = reserved + fats * fat_sectors + root_sectors;
  if (first_data >= total) return std::nullopt;
  const uint64_t clusters = (total - first_data) / sectors_per_cluster;

  FatGeometry g;
  g.bits = fat32 ? 32 : clusters <= 0xFF4 ? 12 : 16;
  const uint64_t max_clusters = g.bits == 12 ? 0xFF4 : g.bits == 16 ? 0xFFF4 : 0x0FFFFFF6;
  const uint64_t fat_entries = fat_sectors * sector_bytes * 8 / static_cast<uint64_t>(g.bits);
  if (clusters == 0 || clusters > max_clusters || fat_entries < clusters + 2) return std::nullopt;
  g.cluster_count = static_cast<uint32_t>(clusters);
  g.cluster_bytes = uint64_t{sector_bytes} * sectors_per_cluster;
  g.fat_offset = uint64_t{reserved} * sector_bytes;
  g.fat_bytes = fat_sectors * sector_bytes;
  g.root_offset = (reserved + fats * fat_sectors) * sector_bytes;
  g.root_bytes = uint64_t{root_entries} * kEntryBytes;
  g.data_offset = first_data * sector_bytes;
  if (fat32) {
    g.root_cluster = Le32(b + 44);
    if (!ValidCluster(g, g.root_cluster)) return std::nullopt;
  }
  return g;
}

FatFile LocateFatFile(VolumeReader& volume, std::string_view path, bool stop_at_break) {
  FatFile file;
  const std::optional<FatGeometry> geometry = ReadFatGeometry(volume);
  if (!geometry) return file;
  FatTable table(volume, *geometry);
  uint32_t folder = geometry->bits == 32 ? geometry->root_cluster : 0;
  file.status = FatFileStatus::kNotFound;
  // One step per name of the path: its depth is ours, not the volume's.
  for (size_t start = 0; start < path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::array<uint8_t, kEntryBytes> entry{};
    file.status = FindEntry(volume, *geometry, table, folder, name, entry);
    if (file.status != FatFileStatus::kFound) return file;
    const uint8_t attributes = entry[11];
    const uint32_t first = Le16(entry.data() + 26) |
                           (geometry->bits == 32 ? uint32_t{Le16(entry.data() + 20)} << 16 : 0);
    const bool last = path.find_first_not_of('/', start) == std::string_view::npos;
    if (last) {
      if (attributes & (kAttrFolder | kAttrVolume)) {
        file.status = FatFileStatus::kNotFound;
        return file;
      }
      return WalkChain(*geometry, table, first, Le32(entry.data() + 28), stop_at_break);
    }
    if (!(attributes & kAttrFolder)) {
      file.status = FatFileStatus::kNotFound;
      return file;
    }
    if (!ValidCluster(*geometry, first)) {
      file.status = FatFileStatus::kDamaged;
      return file;
    }
    folder = first;
  }
  file.status = FatFileStatus::kNotFound;
  return file;
}

}  // namespace korvan
