#include "platform/file_extents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using enum Contiguity;

TEST(FileExtents, PiecesThatLieEndToEndInTheFileAndOnTheDeviceAreOne) {
  constexpr uint64_t kM = 1 << 20;
  struct Case {
    const char* what;
    std::vector<Extent> extents;
    uint64_t size;
    size_t runs;
    Contiguity contiguity;
  };
  const Case cases[] = {
      {"one piece", {{0, 7 * kM, 4 * kM}}, 4 * kM, 1, kContiguous},
      {"pieces of a large file, end to end",
       {{0, 9 * kM, 128 * kM}, {128 * kM, 137 * kM, 128 * kM}, {256 * kM, 265 * kM, 8 * kM}},
       264 * kM,
       1,
       kContiguous},
      {"the last block rounded up", {{0, 0, 8192}}, 5000, 1, kContiguous},
      {"a gap on the device", {{0, 0, kM}, {kM, kM + 4096, kM}}, 2 * kM, 2, kFragmented},
      {"the second piece before the first",
       {{0, 5 * kM, kM}, {kM, 4 * kM, kM}},
       2 * kM,
       2,
       kFragmented},
      // The device would continue, but the file has a hole between: not written yet.
      {"a hole in the file", {{0, 0, kM}, {2 * kM, kM, kM}}, 3 * kM, 2, kFragmented},
      {"a hole at the start", {{kM, 0, kM}}, 2 * kM, 1, kFragmented},
      {"a hole at the end", {{0, 0, kM}}, 2 * kM, 1, kFragmented},
      {"no data at all", {}, kM, 0, kFragmented},
      {"an empty file", {}, 0, 0, kContiguous},
  };
  for (const Case& c : cases) {
    std::vector<Extent> runs;
    for (const Extent& e : c.extents) AppendExtent(runs, e);
    EXPECT_EQ(runs.size(), c.runs) << c.what;
    EXPECT_EQ(ContiguityOfRuns(runs, c.size), c.contiguity) << c.what;
  }
}

// The block map, asked block by block, is an independent witness of the extent map.
TEST(FileExtents, TheExtentMapAndTheBlockMapAgreeOnARealFile) {
  testing::TempDir dir;
  const std::string path = dir.File("LOG.BIN");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(8 << 20, '\xFF')));
  SystemExtentQuery system;
  const Contiguity by_extents = system.ByExtentMap(path);
  const Contiguity by_blocks = system.ByBlockMap(path);
  if (by_extents == kUnknown || by_blocks == kUnknown) {
    GTEST_SKIP() << "no FIEMAP in " << dir.path() << ", or FIBMAP refused (raw-I/O capability)";
  }
  EXPECT_EQ(by_extents, by_blocks);
}

TEST(FileExtents, NoWayTellsAboutWhatIsNotARegularFile) {
  testing::TempDir dir;
  SystemExtentQuery system;
  for (const std::string& path : {dir.File("missing"), dir.path(), std::string("/dev/null")}) {
    EXPECT_EQ(system.ByExtentMap(path), kUnknown) << path;
    EXPECT_EQ(system.ByBlockMap(path), kUnknown) << path;
    EXPECT_EQ(system.ByFatChain(path), kUnknown) << path;
  }
}

}  // namespace
}  // namespace korvan
