#include "platform/file_query.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(QueryFile, KindAndSize) {
  TempDir dir;
  WriteBytes(dir.File("a.bin"), std::string(1234, 'x'));
  const FileStatus file = QueryFile(dir.File("a.bin"));
  EXPECT_EQ(file.kind, FileKind::kRegular);
  EXPECT_EQ(file.size, 1234u);
  EXPECT_EQ(QueryFile(dir.path()).kind, FileKind::kDirectory);
  EXPECT_EQ(QueryFile(dir.File("missing")).kind, FileKind::kNone);
  EXPECT_EQ(QueryFile("/dev/null").kind, FileKind::kOther);
  EXPECT_TRUE(IsRegularFile(dir.File("a.bin")));
  EXPECT_FALSE(IsRegularFile(dir.path()));
  EXPECT_TRUE(IsDirectory(dir.path()));
  EXPECT_FALSE(IsDirectory(dir.File("a.bin")));
}

TEST(ReadOnlyFile, ReadsInPiecesToTheEndAndReportsErrors) {
  TempDir dir;
  WriteBytes(dir.File("a.bin"), "0123456789");
  ReadOnlyFile file(dir.File("a.bin"));
  ASSERT_TRUE(file.IsOpen());
  std::string read;
  char piece[4];
  for (ptrdiff_t n; (n = file.Read(piece, sizeof piece)) > 0;) read.append(piece, n);
  EXPECT_EQ(read, "0123456789");
  EXPECT_EQ(file.Read(piece, sizeof piece), 0);

  EXPECT_FALSE(ReadOnlyFile(dir.File("missing")).IsOpen());
  ReadOnlyFile folder(dir.path());
  EXPECT_EQ(folder.Read(piece, sizeof piece), -1);
}

}  // namespace
}  // namespace korvan
