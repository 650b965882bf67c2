// The join of LOG.BIN files on arbitrary bytes: no read past the input, the same join whatever
// the chunk size, and a source joined with itself, or alone, keeps its copy's blocks.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "data/log_copy.h"
#include "data/log_merge.h"

namespace {

using Bytes = std::vector<uint8_t>;

korvan::CopyRead Reader(const Bytes& bytes, uint64_t offset) {
  return [&bytes, at = offset](uint8_t* buffer, size_t n) mutable {
    const size_t k = at >= bytes.size() ? 0 : std::min<size_t>(n, bytes.size() - at);
    if (k > 0) std::memcpy(buffer, bytes.data() + at, k);
    at += k;
    return static_cast<ptrdiff_t>(k);
  };
}

struct Joined {
  std::string bytes;
  korvan::MergeLogResult result;
};

Joined Join(const std::vector<const Bytes*>& sources, int lines, size_t chunk) {
  std::vector<korvan::MergeInput> inputs;
  for (const Bytes* source : sources) {
    korvan::MergeInput input;
    input.size = source->size();
    input.open = [source](uint64_t offset) { return Reader(*source, offset); };
    inputs.push_back(input);
  }
  Joined joined;
  joined.result = korvan::MergeLogBlocks(
      inputs,
      [&](const uint8_t* data, size_t size) {
        joined.bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
      },
      0xFFFFFFFF, lines, {}, chunk);
  return joined;
}

std::string Copy(const Bytes& bytes, int lines, uint64_t* blocks) {
  std::string out;
  const korvan::LogCopyResult result = korvan::CopyLogBlocks(
      Reader(bytes, 0),
      [&](const uint8_t* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
      },
      0, 0xFFFFFFFF, 0xFFFFFFFF, lines);
  *blocks = result.blocks;
  return out;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Line count (beyond 50 is clamped), a small chunk, and where the second source starts.
  const int lines = data[0] % 64;
  const size_t chunk = 1 + data[1] % 97;
  const size_t split = 3 + (size - 3) * data[2] / 255;
  const Bytes a(data + 3, data + split);
  const Bytes b(data + split, data + size);

  const Joined small = Join({&a, &b}, lines, chunk);
  const Joined large = Join({&a, &b}, lines, korvan::kMergeChunk);
  Check(small.bytes == large.bytes && small.result.conflicts == large.result.conflicts);
  if (large.result.outcome == korvan::MergeLogOutcome::kTooManyRuns) return 0;
  uint64_t a_blocks = 0, b_blocks = 0;
  const std::string a_copy = Copy(a, lines, &a_blocks);
  const std::string b_copy = Copy(b, lines, &b_blocks);
  Check(large.bytes.size() <= a_copy.size() + b_copy.size());

  const Joined alone = Join({&a}, lines, chunk);
  Check(alone.result.blocks == a_blocks && alone.bytes.size() == a_copy.size());
  const Joined twice = Join({&a, &a}, lines, chunk);
  Check(twice.bytes == alone.bytes && twice.result.conflicts == 0);
  return 0;
}
