// The FAT reader on arbitrary volumes: no read outside the volume, and a file that is found
// lies inside the data area and, walked whole, holds exactly its size.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/fat_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the path and whether the walk stops at the first break.
  static constexpr std::string_view kPaths[] = {"LOG.BIN", "ZAZNAMY/LOG.BIN",
                                                "zaznamy-z-karty/log.bin", "A/B/C/LOG.BIN"};
  const std::string_view path = kPaths[data[0] % 4];
  const bool stop_at_break = data[0] & 4;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  korvan::MemoryVolume volume(bytes);
  const korvan::FatFile file = korvan::LocateFatFile(volume, path, stop_at_break);
  if (file.status != korvan::FatFileStatus::kFound) return 0;
  const auto geometry = korvan::ReadFatGeometry(volume);
  if (!geometry) __builtin_trap();
  const uint64_t data_end =
      geometry->data_offset + uint64_t{geometry->cluster_count} * geometry->cluster_bytes;
  uint64_t covered = 0;
  for (const korvan::Extent& run : file.runs) {
    if (run.logical != covered || run.length == 0 || run.physical < geometry->data_offset ||
        run.physical + run.length > data_end) {
      __builtin_trap();
    }
    covered += run.length;
  }
  if (!stop_at_break && covered != file.size) __builtin_trap();
  return 0;
}
