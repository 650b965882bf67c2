#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace korvan::testing {

// A FAT image formatted by mkfs.fat and filled by mtools, as a computer fills a card.
class FatImage {
 public:
  FatImage(const TempDir& dir, int bits);

  static bool ToolsPresent();

  void Copy(const std::string& name, const std::string& bytes);
  void MakeFolder(const std::string& name);
  void Delete(const std::string& name);

  const std::string& path() const { return path_; }

 private:
  bool Run(const std::string& tool, const std::vector<std::string>& arguments);
  void ForgetNextFree();

  const TempDir& dir_;
  std::string path_;
  std::streamoff next_free_at_ = 0;
};

// Distinct bytes, so that data read from the wrong place cannot pass for the file's.
std::string Pattern(size_t size, uint32_t seed);

}  // namespace korvan::testing
