#include "platform/udisks.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/file_extents.h"
#include "platform/files.h"
#include "support/fat_image.h"
#include "support/mock_udisks.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using enum Contiguity;
using testing::FatImage;
using testing::ImageExtentQuery;
using testing::MockBlock;
using testing::MockUDisks;
using testing::Pattern;
using testing::TempDir;

TEST(UDisksDevice, TheMountTableLeadsFromTheCardsFileToItsBlockObject) {
  struct Case {
    const char* line;
    unsigned major, minor;
    const char* path;
    std::optional<std::string> object;  // under /org/freedesktop/UDisks2/block_devices/
    const char* inside;
  };
  const Case cases[] = {
      {"36 25 8:17 / /media/jan/KARTA rw,nosuid shared:120 - vfat /dev/sdb1 rw,uid=1000", 8, 17,
       "/media/jan/KARTA/LOG.BIN", "sdb1", "LOG.BIN"},
      {"41 25 179:1 / /media/jan/3A1B-0C2D rw - vfat /dev/mmcblk0p1 rw", 179, 1,
       "/media/jan/3A1B-0C2D/mereni/LOG.BIN", "mmcblk0p1", "mereni/LOG.BIN"},
      // A name with other bytes than letters and digits: each written as _ and hex.
      {"44 25 254:3 / /mnt/karta rw - msdos /dev/mapper/karta-1 rw", 254, 3, "/mnt/karta/LOG.BIN",
       "karta_2d1", "LOG.BIN"},
      // A folder of the card mounted on its own: the path inside starts at the card's root.
      {"45 25 8:33 /data /mnt/data rw - vfat /dev/sdc1 rw", 8, 33, "/mnt/data/LOG.BIN", "sdc1",
       "data/LOG.BIN"},
      // Not a FAT volume, not from a device, not that device: nothing to ask for.
      {"22 1 254:1 / / rw - ext4 /dev/vda1 rw", 254, 1, "/home/jan/LOG.BIN", std::nullopt, ""},
      {"50 25 0:51 / /media/share rw - vfat //server/karta rw", 0, 51, "/media/share/LOG.BIN",
       std::nullopt, ""},
      {"36 25 8:17 / /media/jan/KARTA rw - vfat /dev/sdb1 rw", 8, 18, "/media/jan/KARTA/LOG.BIN",
       std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto file = FatFileOnDeviceIn(std::string(c.line) + "\n", c.major, c.minor, c.path);
    ASSERT_EQ(file.has_value(), c.object.has_value());
    if (!file) continue;
    EXPECT_EQ(UDisksBlockPath(file->device), "/org/freedesktop/UDisks2/block_devices/" + *c.object);
    EXPECT_EQ(file->path_inside, c.inside);
  }
}

constexpr size_t kLogBytes = 300000;
constexpr const char* kCard = "/dev/sdz9";  // no such device here: this process cannot read it

class UDisksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FatImage::ToolsPresent()) GTEST_SKIP() << "dosfstools or mtools is not installed";
    FatImage whole(whole_dir_, 12);
    whole.Copy("LOG.BIN", Pattern(kLogBytes, 1));
    // The log fills the hole of a deleted file first: two pieces.
    FatImage pieces(pieces_dir_, 12);
    pieces.Copy("A.BIN", Pattern(3000, 2));
    pieces.Copy("B.BIN", Pattern(3000, 3));
    pieces.Copy("C.BIN", Pattern(3000, 4));
    pieces.Delete("B.BIN");
    pieces.Copy("LOG.BIN", Pattern(kLogBytes, 5));
    contiguous_ = whole.path();
    fragmented_ = pieces.path();
    // The card's LOG.BIN as the file system shows it; its data lie on the "device".
    log_ = dir_.File("LOG.BIN");
    ASSERT_TRUE(WriteFileAtomically(log_, std::string(kLogBytes, '\xFF')));
  }

  TempDir dir_, whole_dir_, pieces_dir_;
  std::string contiguous_, fragmented_, log_;
};

TEST_F(UDisksTest, TheFatIsReadThroughTheDescriptorThatUDisks2HandsOut) {
  const std::string kRefused = "org.freedesktop.UDisks2.Error.NotAuthorized";
  const std::string kCancelled = "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed";
  struct Case {
    const char* what;
    std::vector<MockBlock> blocks;
    Contiguity answer;
    int opened;
  };
  const Case cases[] = {
      {"one piece", {{kCard, contiguous_, "", ""}}, kContiguous, 1},
      {"two pieces", {{kCard, fragmented_, "", ""}}, kFragmented, 1},
      {"refused", {{kCard, contiguous_, kRefused, ""}}, kUnknown, 0},
      {"prompt cancelled", {{kCard, contiguous_, kCancelled, ""}}, kUnknown, 0},
      // Found by its Device among all block devices when its name does not lead to it.
      {"elsewhere",
       {{"/dev/sdy1", fragmented_, "", ""},
        {kCard, contiguous_, "", "/org/freedesktop/UDisks2/block_devices/dm_2d0"}},
       kContiguous,
       1},
      // Another device's object where the card's would be is not the card.
      {"another device",
       {{"/dev/sdy1", contiguous_, "", "/org/freedesktop/UDisks2/block_devices/sdz9"}},
       kUnknown,
       0},
      {"no block devices", {}, kUnknown, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MockUDisks udisks(c.blocks);
    if (!udisks.failure().empty()) GTEST_SKIP() << udisks.failure();
    ImageExtentQuery query(kCard, "LOG.BIN", true);
    EXPECT_EQ(FileContiguity(query, log_), c.answer);
    EXPECT_EQ(udisks.opened(), c.opened);
  }
  // No system bus at all.
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir_.File("no-bus")).c_str(), 1);
  ImageExtentQuery query(kCard, "LOG.BIN", true);
  EXPECT_EQ(FileContiguity(query, log_), kUnknown);
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

TEST_F(UDisksTest, NothingIsAskedOfUDisks2WhenTheFileSystemOrTheDeviceAnswered) {
  MockUDisks udisks({{kCard, contiguous_, "", ""}});
  if (!udisks.failure().empty()) GTEST_SKIP() << udisks.failure();
  // The device readable directly (the image itself): its FAT tells, without a prompt.
  ImageExtentQuery readable(contiguous_, "LOG.BIN", true);
  EXPECT_EQ(FileContiguity(readable, log_), kContiguous);
  EXPECT_EQ(readable.ByGrantedDevice(log_), kUnknown);
  EXPECT_EQ(udisks.calls(), 0);
  // The file system's extent map answers for the temporary folder.
  ImageExtentQuery file_system(kCard, "LOG.BIN", false);
  if (file_system.ByExtentMap(log_) == kUnknown) {
    GTEST_SKIP() << "no FIEMAP in " << dir_.path();
  }
  EXPECT_NE(FileContiguity(file_system, log_), kUnknown);
  EXPECT_EQ(udisks.calls(), 0);
}

}  // namespace
}  // namespace korvan
