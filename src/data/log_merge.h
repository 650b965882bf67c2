#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "data/log_copy.h"

namespace korvan {

// Joining saved copies (or cards) of one logger into one measurement: every valid block of
// every source once, in time order.
//
// Each source's LOG.BIN is read as the copy reads it; its blocks form runs in time order (a
// card that wrapped holds two: the newer blocks at the start of the file). The runs of all
// sources are merged by (stamp, milliseconds). Where several sources hold blocks of the same
// moment, their blocks of that moment are written once when they are the same bytes; when they
// differ (two loggers, or a card reused with another clock) the newer source's are kept and the
// moment is counted as a conflict. The newer source is the one whose latest block (of those
// the load accepts) is later; of equals, the one given later.

// Bytes read per chunk by the first pass over a source; the runs of the second pass share a
// fixed budget, so that memory stays flat whatever the sizes.
inline constexpr size_t kMergeChunk = 1 << 20;
inline constexpr size_t kMergeBudget = 16 << 20;
// Runs in time order, over all sources, that a merge takes: a genuine card has one or two per
// wrap of its file or reset of the logger's clock.
inline constexpr size_t kMaxMergeRuns = 4096;

// One source's LOG.BIN: a reader from a byte offset, and its size (for progress).
struct MergeInput {
  std::function<CopyRead(uint64_t offset)> open;
  uint64_t size = 0;
};

enum class MergeLogOutcome { kDone, kReadFailed, kWriteFailed, kTooManyRuns };

struct MergeLogResult {
  MergeLogOutcome outcome = MergeLogOutcome::kDone;
  uint64_t blocks = 0;      // blocks written
  uint64_t duplicates = 0;  // blocks left out: the same moment and bytes as one written
  uint64_t conflicts = 0;   // moments whose blocks differed between sources
  uint32_t first_conflict = 0;
  size_t newest = 0;                 // index of the newer source of all (conflicts keep its blocks)
  std::vector<size_t> oldest_first;  // the sources' indices from the older to the newer
  size_t failed_source = 0;          // the source a failed read or too many runs concern
  // Earliest and latest written stamp that the load accepts (not after run_limit).
  uint32_t earliest = 0xFFFFFFFF;
  uint32_t latest = 0;
};

// Merges the sources' blocks (line_count clamped to 0-50, blocks recognised as the copy does
// with run_limit) into write. progress gets bytes: the sources once for finding their runs,
// then once more while merging. Nothing is written unless every source was read whole.
MergeLogResult MergeLogBlocks(const std::vector<MergeInput>& sources, const CopyWrite& write,
                              uint32_t run_limit, int line_count, const CopyProgress& progress = {},
                              size_t chunk_size = kMergeChunk);

}  // namespace korvan
