#include "platform/fat_volume.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/fat_image.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::FatImage;
using testing::Pattern;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The file's data as its runs find them on the volume.
std::string DataOf(const std::string& image, const FatFile& file) {
  std::string data;
  for (const Extent& run : file.runs) data += image.substr(run.physical, run.length);
  return data;
}

class FatVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FatImage::ToolsPresent()) GTEST_SKIP() << "dosfstools or mtools is not installed";
  }
  TempDir dir_;
};

TEST_F(FatVolumeTest, FindsAFileInTheRootOrAFolderWhereItsDataLie) {
  const std::string log = Pattern(20000, 1);
  const std::string nested = Pattern(7000, 2);
  for (int bits : {12, 16, 32}) {
    SCOPED_TRACE(bits);
    FatImage image(dir_, bits);
    image.Copy("LOG.BIN", log);
    // Not an 8.3 name: mtools gives it a long name and the short alias ZAZNAM~1.
    image.MakeFolder("zaznamy-z-karty");
    image.Copy("zaznamy-z-karty/LOG.BIN", nested);
    const std::string bytes = ReadBytes(image.path());
    FileVolume volume(image.path());
    EXPECT_EQ(ReadFatGeometry(volume)->bits, bits);

    const FatFile root = LocateFatFile(volume, "LOG.BIN", false);
    ASSERT_EQ(root.status, FatFileStatus::kFound);
    EXPECT_EQ(root.size, log.size());
    EXPECT_EQ(root.runs.size(), 1u);
    EXPECT_EQ(DataOf(bytes, root), log);
    EXPECT_EQ(ContiguityOfRuns(root.runs, root.size), Contiguity::kContiguous);

    for (const char* path :
         {"zaznamy-z-karty/LOG.BIN", "/ZAZNAMY-Z-KARTY//log.bin", "ZAZNAM~1/LOG.BIN"}) {
      const FatFile file = LocateFatFile(volume, path, false);
      ASSERT_EQ(file.status, FatFileStatus::kFound) << path;
      EXPECT_EQ(DataOf(bytes, file), nested) << path;
    }
    // The volume label's entry and the folder are not regular files.
    for (const char* path : {"zaznamy-z-karty", "KARTA", "MISSING.BIN", "LOG.BIN/LOG.BIN", "",
                             "zaznamy-z-karty/MISSING.BIN"}) {
      EXPECT_EQ(LocateFatFile(volume, path, false).status, FatFileStatus::kNotFound) << path;
    }
  }
}

TEST_F(FatVolumeTest, ALogThatFillsTheHoleOfADeletedFileIsInTwoPieces) {
  const std::string log = Pattern(9000, 3);
  for (int bits : {12, 16, 32}) {
    SCOPED_TRACE(bits);
    FatImage image(dir_, bits);
    image.Copy("A.BIN", Pattern(3000, 4));
    image.Copy("B.BIN", Pattern(3000, 5));
    image.Copy("C.BIN", Pattern(3000, 6));
    image.Delete("B.BIN");
    image.Copy("LOG.BIN", log);
    const std::string bytes = ReadBytes(image.path());
    FileVolume volume(image.path());

    const FatFile whole = LocateFatFile(volume, "LOG.BIN", false);
    ASSERT_EQ(whole.status, FatFileStatus::kFound);
    EXPECT_EQ(whole.runs.size(), 2u);
    EXPECT_EQ(DataOf(bytes, whole), log);
    EXPECT_EQ(ContiguityOfRuns(whole.runs, whole.size), Contiguity::kFragmented);

    const FatFile stopped = LocateFatFile(volume, "LOG.BIN", true);
    EXPECT_EQ(stopped.status, FatFileStatus::kFound);
    EXPECT_EQ(stopped.runs.size(), 2u);
    EXPECT_EQ(stopped.runs[0], whole.runs[0]);
  }
}

void SetFatEntry(std::string& image, const FatGeometry& g, uint32_t cluster, uint32_t value) {
  auto at = [&](uint64_t offset) -> char& { return image[g.fat_offset + offset]; };
  if (g.bits == 12) {
    const uint64_t offset = cluster + cluster / 2;
    if (cluster & 1) {
      at(offset) = static_cast<char>((at(offset) & 0x0F) | (value << 4 & 0xF0));
      at(offset + 1) = static_cast<char>(value >> 4);
    } else {
      at(offset) = static_cast<char>(value);
      at(offset + 1) = static_cast<char>((at(offset + 1) & 0xF0) | (value >> 8 & 0x0F));
    }
    return;
  }
  const int bytes = g.bits / 8;
  for (int i = 0; i < bytes; ++i)
    at(uint64_t{cluster} * bytes + i) = static_cast<char>(value >> 8 * i);
}

TEST_F(FatVolumeTest, ABrokenChainIsDamageNotAnAnswer) {
  for (int bits : {12, 16, 32}) {
    SCOPED_TRACE(bits);
    FatImage image(dir_, bits);
    image.Copy("LOG.BIN", Pattern(6 * 512, 7));  // six clusters
    std::string bytes = ReadBytes(image.path());
    MemoryVolume intact(bytes);
    const FatGeometry g = *ReadFatGeometry(intact);
    const FatFile file = LocateFatFile(intact, "LOG.BIN", false);
    ASSERT_EQ(file.status, FatFileStatus::kFound);
    const auto first = static_cast<uint32_t>(2 + (file.runs[0].physical - g.data_offset) / 512);
    const uint32_t end = bits == 12 ? 0xFFF : bits == 16 ? 0xFFFF : 0x0FFFFFFF;
    struct Case {
      const char* what;
      uint32_t cluster;
      uint32_t value;
    };
    const Case cases[] = {
        {"a loop back to the start", first + 2, first},
        {"a cluster beyond the volume", first + 1, g.cluster_count + 2},
        {"a bad cluster", first + 1, end - 8},
        {"the end before the size", first + 1, end},
        {"a free cluster", first + 3, 0},
        {"no end after the size", first + 5, first + 10},
    };
    // Patched in place and put back: a copy of the 40 MB FAT32 image per case is slow under
    // the sanitizers.
    const std::string entries = bytes.substr(g.fat_offset, 4 * (first + 16));
    for (const Case& c : cases) {
      SetFatEntry(bytes, g, c.cluster, c.value);
      EXPECT_EQ(LocateFatFile(intact, "LOG.BIN", false).status, FatFileStatus::kDamaged) << c.what;
      bytes.replace(g.fat_offset, entries.size(), entries);
    }
    if (bits == 32) {
      // The top four bits of a FAT32 entry are reserved: they do not change the link.
      SetFatEntry(bytes, g, first + 1, 0xF0000000 | (first + 2));
      const FatFile same = LocateFatFile(intact, "LOG.BIN", false);
      EXPECT_EQ(same.status, FatFileStatus::kFound);
      EXPECT_EQ(same.runs, file.runs);
    }
  }
}

TEST_F(FatVolumeTest, ABootSectorThatDoesNotHoldTogetherIsNoFat) {
  FatImage image(dir_, 16);
  image.Copy("LOG.BIN", Pattern(1000, 8));
  std::string bytes = ReadBytes(image.path());
  const std::string boot = bytes.substr(0, 512);
  struct Case {
    const char* what;
    size_t offset;
    std::string patch;
  };
  const Case cases[] = {
      {"no signature", 510, std::string(1, '\0')},
      {"sectors of no bytes", 11, std::string(2, '\0')},
      {"sectors of 768 bytes", 11, std::string("\x00\x03", 2)},
      {"three sectors a cluster", 13, "\x03"},
      {"no reserved sector", 14, std::string(2, '\0')},
      {"no FAT", 16, std::string(1, '\0')},
      {"no root folder", 17, std::string(2, '\0')},
      {"fewer sectors than the FATs take", 19, std::string("\x10\x00", 2)},
      {"a FAT too small for the clusters", 22, std::string("\x01\x00", 2)},
  };
  MemoryVolume volume(bytes);
  for (const Case& c : cases) {
    bytes.replace(c.offset, c.patch.size(), c.patch);
    EXPECT_EQ(LocateFatFile(volume, "LOG.BIN", false).status, FatFileStatus::kNotFat) << c.what;
    bytes.replace(0, boot.size(), boot);
  }
  // A volume cut short: the boot sector is there, the folder is not.
  MemoryVolume cut(std::string_view(bytes).substr(0, 4096));
  EXPECT_EQ(LocateFatFile(cut, "LOG.BIN", false).status, FatFileStatus::kUnreadable);
}

}  // namespace
}  // namespace korvan
