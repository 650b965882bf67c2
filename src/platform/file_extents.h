#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvan {

// How many extents the file system keeps the file's data in (FIEMAP); nothing when the file
// cannot be opened or the file system does not tell.
std::optional<uint32_t> FileExtentCount(const std::string& path);

// The same question behind a seam, for tests that need a chosen answer.
class ExtentQuery {
 public:
  virtual ~ExtentQuery() = default;
  virtual std::optional<uint32_t> Count(const std::string& path) = 0;
};

class SystemExtentQuery : public ExtentQuery {
 public:
  std::optional<uint32_t> Count(const std::string& path) override { return FileExtentCount(path); }
};

}  // namespace korvan
