// The copy of LOG.BIN on arbitrary bytes: no read past the input, and the same copy whatever
// the chunk size.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "data/log_copy.h"

namespace {

std::string Copy(const std::vector<uint8_t>& bytes, int lines, size_t chunk) {
  size_t at = 0;
  std::string out;
  korvan::CopyLogBlocks(
      [&](uint8_t* buffer, size_t n) {
        const size_t k = std::min(n, bytes.size() - at);
        if (k > 0) std::memcpy(buffer, bytes.data() + at, k);
        at += k;
        return static_cast<ptrdiff_t>(k);
      },
      [&](const uint8_t* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
      },
      0, 0xFFFFFFFF, 0xFFFFFFFF, lines, {}, chunk);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte picks the line count (beyond 50 is clamped), the second a small chunk.
  const int lines = data[0] % 64;
  const size_t chunk = 1 + data[1] % 97;
  const std::vector<uint8_t> bytes(data + 2, data + size);
  if (Copy(bytes, lines, chunk) != Copy(bytes, lines, korvan::kCopyChunk)) __builtin_trap();
  return 0;
}
