#include "support/fat_image.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/process.h"

namespace korvan::testing {

FatImage::FatImage(const TempDir& dir, int bits)
    : dir_(dir), path_(dir.File("card" + std::to_string(bits) + ".img")) {
  // FAT32 needs 65525 clusters at least: some 40 MB of 512-byte clusters.
  const char* kib = bits == 12 ? "1440" : bits == 16 ? "8192" : "40000";
  EXPECT_TRUE(
      Run("mkfs.fat", {"-F", std::to_string(bits), "-s", "1", "-n", "KARTA", "-C", path_, kib}));
  if (bits == 32) {
    // mtools takes the next free cluster from FAT32's information sector, where other
    // systems search from the start; unknown, it searches from the start too.
    char boot[512] = {};
    std::ifstream(path_, std::ios::binary).read(boot, sizeof boot);
    const int info_sector = static_cast<uint8_t>(boot[48]) | static_cast<uint8_t>(boot[49]) << 8;
    next_free_at_ = info_sector * 512 + 0x1EC;
  }
}

bool FatImage::ToolsPresent() {
  for (const char* tool : {"mkfs.fat", "mcopy", "mmd", "mdel"}) {
    if (FindProgram(tool).empty()) return false;
  }
  setenv("MTOOLS_SKIP_CHECK", "1", 1);  // images have no disk geometry to check
  return true;
}

void FatImage::Copy(const std::string& name, const std::string& bytes) {
  const std::string local = dir_.File("local");
  WriteBytes(local, bytes);
  EXPECT_TRUE(Run("mcopy", {"-i", path_, local, "::" + name})) << name;
  ForgetNextFree();
}

void FatImage::MakeFolder(const std::string& name) {
  EXPECT_TRUE(Run("mmd", {"-i", path_, "::" + name})) << name;
}

void FatImage::Delete(const std::string& name) {
  EXPECT_TRUE(Run("mdel", {"-i", path_, "::" + name})) << name;
  ForgetNextFree();
}

bool FatImage::Run(const std::string& tool, const std::vector<std::string>& arguments) {
  return SystemProcessRunner().Run(FindProgram(tool), arguments) == 0;
}

void FatImage::ForgetNextFree() {
  if (next_free_at_ == 0) return;
  std::fstream image(path_, std::ios::in | std::ios::out | std::ios::binary);
  image.seekp(next_free_at_);
  image.write("\xFF\xFF\xFF\xFF", 4);
}

std::string Pattern(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245 + 12345;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

}  // namespace korvan::testing
