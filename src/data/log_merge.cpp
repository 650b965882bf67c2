#include "data/log_merge.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>

#include "data/log_block.h"

namespace korvan {

namespace {

constexpr int kMaxMergeLines = 50;
constexpr size_t kMinRunChunk = 4096;
// Blocks of one moment gathered before they are decided; more is not a logger's doing.
constexpr size_t kMaxMomentBytes = 1 << 20;
constexpr size_t kWriteBatch = 256 << 10;

uint64_t MomentOf(uint32_t stamp, uint16_t milliseconds) {
  return uint64_t{stamp} << 16 | milliseconds;
}

// The copy's walk over LOG.BIN, one block at a time: chunks as there, a marker decided only
// when the BlockReach bytes after it are present (or the source has ended), so that a reader
// started at a block's offset meets the same blocks as one started at the file's start.
class BlockStream {
 public:
  struct Block {
    const uint8_t* bytes = nullptr;  // valid until the next call of Next
    size_t size = 0;
    uint64_t offset = 0;  // in the source
    uint64_t moment = 0;
    uint32_t stamp = 0;
  };

  BlockStream(CopyRead read, uint64_t offset, int lines, uint32_t run_limit, size_t chunk,
              const CopyProgress* progress)
      : read_(std::move(read)),
        progress_(progress),
        lines_(lines),
        run_limit_(run_limit),
        chunk_(std::max<size_t>(chunk, 1)),
        reach_(log_block::BlockReach(lines)),
        buffer_(new uint8_t[chunk_ + reach_]),
        base_(offset) {}

  // The next block, or false at the end of the source or after a failed read.
  bool Next(Block& block) {
    const uint8_t* buf = buffer_.get();
    for (;;) {
      const size_t stop = log_block::CandidateStop(avail_, reach_, at_end_);
      while (pos_ < stop) {
        const size_t m = log_block::FindMarker(buf, pos_, stop, avail_);
        if (m >= stop) {
          pos_ = stop;
          break;
        }
        if (!log_block::BlockAt(stamps_, buf, m, avail_, run_limit_)) {
          pos_ = m + 2;
          continue;
        }
        const log_block::BlockHead head = log_block::ReadBlockHead(buf, m, avail_);
        const size_t end =
            log_block::WalkEntries(buf, head.entries, avail_, lines_, [](uint16_t, uint32_t) {});
        block.bytes = buf + m;
        block.size = end - m;
        block.offset = base_ + m;
        block.stamp = log_block::Load32(buf + m + 4);
        block.moment = MomentOf(block.stamp, head.milliseconds);
        pos_ = end;
        return true;
      }
      if (at_end_) return false;
      Fill();
    }
  }

  bool failed() const { return failed_; }

 private:
  void Fill() {
    uint8_t* buf = buffer_.get();
    if (pos_ > 0) {
      std::memmove(buf, buf + pos_, avail_ - pos_);
      avail_ -= pos_;
      base_ += pos_;
      pos_ = 0;
    }
    // Carried bytes are fewer than reach_, so a whole chunk fits after them.
    const ptrdiff_t n = read_(buf + avail_, chunk_);
    if (n <= 0) {
      at_end_ = true;
      failed_ = n < 0;
      return;
    }
    avail_ += static_cast<size_t>(n);
    if (progress_ && *progress_) (*progress_)(static_cast<size_t>(n));
  }

  CopyRead read_;
  const CopyProgress* progress_;
  int lines_;
  uint32_t run_limit_;
  size_t chunk_;
  size_t reach_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint64_t base_;  // the source offset of buffer_[0]
  size_t avail_ = 0;
  size_t pos_ = 0;
  bool at_end_ = false;
  bool failed_ = false;
  log_block::StampCheck stamps_;
};

// A stretch of one source whose blocks are in time order.
struct TimeRun {
  size_t source = 0;
  uint64_t offset = 0;  // of its first block
  uint64_t blocks = 0;
};

struct Cursor {
  size_t source = 0;
  std::unique_ptr<BlockStream> stream;
  uint64_t left = 0;
  uint64_t done_to = 0;  // source offset up to which progress was told
  BlockStream::Block block;
};

class Merger {
 public:
  Merger(const std::vector<MergeInput>& sources, const CopyWrite& write, uint32_t run_limit,
         int lines, const CopyProgress& progress, size_t chunk)
      : sources_(sources),
        write_(write),
        run_limit_(run_limit),
        lines_(lines),
        progress_(progress),
        chunk_(chunk),
        out_(new uint8_t[kWriteBatch + log_block::BlockReach(kMaxMergeLines)]) {}

  MergeLogResult Merge() {
    if (!FindRuns()) return result_;
    RankSources();
    if (!MergeRuns()) return result_;
    if (!Flush()) result_.outcome = MergeLogOutcome::kWriteFailed;
    return result_;
  }

 private:
  bool Fail(MergeLogOutcome outcome, size_t source) {
    result_.outcome = outcome;
    result_.failed_source = source;
    return false;
  }

  // First pass: the runs of every source, and each source's latest block that a load takes.
  bool FindRuns() {
    latest_.assign(sources_.size(), 0);
    for (size_t s = 0; s < sources_.size(); ++s) {
      BlockStream stream(sources_[s].open(0), 0, lines_, run_limit_, chunk_, &progress_);
      BlockStream::Block block;
      uint64_t previous = 0;
      bool first = true;
      while (stream.Next(block)) {
        if (first || block.moment < previous) {
          if (runs_.size() == kMaxMergeRuns) return Fail(MergeLogOutcome::kTooManyRuns, s);
          runs_.push_back({s, block.offset, 0});
        }
        ++runs_.back().blocks;
        previous = block.moment;
        first = false;
        if (block.stamp <= run_limit_) latest_[s] = std::max(latest_[s], block.stamp);
      }
      if (stream.failed()) return Fail(MergeLogOutcome::kReadFailed, s);
    }
    return true;
  }

  void RankSources() {
    std::vector<size_t>& order = result_.oldest_first;
    order.resize(sources_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return latest_[a] < latest_[b]; });
    rank_.assign(sources_.size(), 0);
    for (size_t r = 0; r < order.size(); ++r) rank_[order[r]] = r;
    if (!order.empty()) result_.newest = order.back();
  }

  // Second pass: every run read from its first block, the least moment written first.
  bool MergeRuns() {
    if (runs_.empty()) return true;
    if (!OpenRuns()) return false;
    while (!heap_.empty()) {
      const size_t least = PopLeast();
      const uint64_t moment = cursors_[least].block.moment;
      if (heap_.empty() || cursors_[heap_.front()].block.moment != moment) {
        // Alone at its moment, as nearly every block is: written straight from its reader.
        const BlockStream::Block& block = cursors_[least].block;
        if (!Emit(block.bytes, block.size, block.stamp)) {
          return Fail(MergeLogOutcome::kWriteFailed, 0);
        }
        if (!Advance(least)) return false;
      } else {
        if (!GatherMoment(least, moment)) return false;
        if (!Decide()) return Fail(MergeLogOutcome::kWriteFailed, 0);
      }
    }
    for (const Cursor& c : cursors_) {
      if (c.stream->failed()) return Fail(MergeLogOutcome::kReadFailed, c.source);
    }
    Progress(0, true);
    return true;
  }

  // A reader per run, its first block on the heap; the runs share the budget.
  bool OpenRuns() {
    const size_t chunk =
        std::clamp(kMergeBudget / runs_.size(), std::min(kMinRunChunk, chunk_), chunk_);
    cursors_.resize(runs_.size());
    for (size_t i = 0; i < runs_.size(); ++i) {
      const TimeRun& run = runs_[i];
      Cursor& c = cursors_[i];
      c.source = run.source;
      c.left = run.blocks;
      c.done_to = run.offset;
      c.stream = std::make_unique<BlockStream>(sources_[run.source].open(run.offset), run.offset,
                                               lines_, run_limit_, chunk, nullptr);
      if (!Advance(i)) return false;
    }
    return true;
  }

  // Ties between runs go to the source given first, so a moment's blocks come grouped by
  // source and in each source's order.
  auto Later() const {
    return [this](size_t a, size_t b) {
      const Cursor& x = cursors_[a];
      const Cursor& y = cursors_[b];
      if (x.block.moment != y.block.moment) return x.block.moment > y.block.moment;
      return a > b;
    };
  }

  size_t PopLeast() {
    std::pop_heap(heap_.begin(), heap_.end(), Later());
    const size_t least = heap_.back();
    heap_.pop_back();
    return least;
  }

  // The run's next block onto the heap, if it has one left.
  bool Advance(size_t i) {
    Cursor& c = cursors_[i];
    if (c.left == 0) return true;
    if (!c.stream->Next(c.block)) return Fail(MergeLogOutcome::kReadFailed, c.source);
    --c.left;
    const uint64_t end = c.block.offset + c.block.size;
    if (end > c.done_to) Progress(end - c.done_to);
    c.done_to = std::max(c.done_to, end);
    heap_.push_back(i);
    std::push_heap(heap_.begin(), heap_.end(), Later());
    return true;
  }

  // The blocks of one moment, from first (already off the heap) on, copied into arena_.
  bool GatherMoment(size_t first, uint64_t moment) {
    pieces_.clear();
    arena_.clear();
    for (size_t i = first;;) {
      const Cursor& c = cursors_[i];
      pieces_.push_back({c.source, arena_.size(), c.block.size, c.block.stamp});
      arena_.insert(arena_.end(), c.block.bytes, c.block.bytes + c.block.size);
      if (!Advance(i)) return false;
      if (arena_.size() >= kMaxMomentBytes) return true;
      if (heap_.empty() || cursors_[heap_.front()].block.moment != moment) return true;
      i = PopLeast();
    }
  }

  // Told in steps of about a chunk, as the first pass tells it.
  void Progress(uint64_t bytes, bool last = false) {
    pending_progress_ += bytes;
    if (progress_ && pending_progress_ > 0 && (last || pending_progress_ >= chunk_)) {
      progress_(static_cast<size_t>(pending_progress_));
      pending_progress_ = 0;
    }
  }

  struct Piece {
    size_t source;
    size_t at;  // in arena_
    size_t size;
    uint32_t stamp;
  };

  bool SameSequence(size_t a_begin, size_t a_end, size_t b_begin, size_t b_end) const {
    if (a_end - a_begin != b_end - b_begin) return false;
    for (size_t k = 0; k < a_end - a_begin; ++k) {
      const Piece& x = pieces_[a_begin + k];
      const Piece& y = pieces_[b_begin + k];
      if (x.size != y.size || std::memcmp(&arena_[x.at], &arena_[y.at], x.size) != 0) return false;
    }
    return true;
  }

  // The blocks of one moment, grouped by source: one source's are written as they are; the
  // same sequence from several sources once; differing ones: the newer source's.
  bool Decide() {
    std::pair<size_t, size_t> keep{0, pieces_.size()};
    if (pieces_.front().source != pieces_.back().source) keep = KeptGroup();
    for (size_t k = keep.first; k < keep.second; ++k) {
      const Piece& p = pieces_[k];
      if (!Emit(&arena_[p.at], p.size, p.stamp)) return false;
    }
    return true;
  }

  // Of a moment that several sources hold: the pieces to write, counted as duplicates or as
  // a conflict.
  std::pair<size_t, size_t> KeptGroup() {
    std::vector<std::pair<size_t, size_t>> groups;
    for (size_t k = 0; k < pieces_.size(); ++k) {
      if (k == 0 || pieces_[k].source != pieces_[k - 1].source) groups.push_back({k, k});
      groups.back().second = k + 1;
    }
    bool same = true;
    for (const auto& g : groups) {
      same = same && SameSequence(groups[0].first, groups[0].second, g.first, g.second);
    }
    if (same) {
      result_.duplicates += pieces_.size() - (groups[0].second - groups[0].first);
      return groups[0];
    }
    auto newer = groups.begin();
    for (auto g = groups.begin(); g != groups.end(); ++g) {
      if (rank_[pieces_[g->first].source] > rank_[pieces_[newer->first].source]) newer = g;
    }
    if (result_.conflicts++ == 0) result_.first_conflict = pieces_.front().stamp;
    return *newer;
  }

  bool Emit(const uint8_t* bytes, size_t size, uint32_t stamp) {
    std::memcpy(out_.get() + out_size_, bytes, size);
    out_size_ += size;
    ++result_.blocks;
    if (stamp <= run_limit_) {
      result_.earliest = std::min(result_.earliest, stamp);
      result_.latest = std::max(result_.latest, stamp);
    }
    return out_size_ < kWriteBatch || Flush();
  }

  bool Flush() {
    if (out_size_ == 0) return true;
    const bool ok = write_(out_.get(), out_size_);
    out_size_ = 0;
    return ok;
  }

  const std::vector<MergeInput>& sources_;
  const CopyWrite& write_;
  uint32_t run_limit_;
  int lines_;
  const CopyProgress& progress_;
  size_t chunk_;
  MergeLogResult result_;
  std::vector<TimeRun> runs_;
  std::vector<uint32_t> latest_;
  std::vector<size_t> rank_;
  std::vector<Piece> pieces_;
  std::vector<uint8_t> arena_;
  std::vector<Cursor> cursors_;  // one per run
  std::vector<size_t> heap_;     // runs with a block in hand, the least moment on top
  std::unique_ptr<uint8_t[]> out_;
  size_t out_size_ = 0;
  uint64_t pending_progress_ = 0;
};

}  // namespace

MergeLogResult MergeLogBlocks(const std::vector<MergeInput>& sources, const CopyWrite& write,
                              uint32_t run_limit, int line_count, const CopyProgress& progress,
                              size_t chunk_size) {
  const int lines = std::clamp(line_count, 0, kMaxMergeLines);
  Merger merger(sources, write, run_limit, lines, progress, std::max<size_t>(chunk_size, 1));
  return merger.Merge();
}

}  // namespace korvan
