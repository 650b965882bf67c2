#include "data/sample_prefetch.h"

#include <algorithm>
#include <new>

#include "platform/memory.h"

namespace korvan {

namespace {

// How far ahead of a line's count its pages are populated, in chunks' worth of its growth:
// enough that the thread can fall a chunk behind and still be ahead of the writer.
constexpr uint64_t kChunksAhead = 4;

}  // namespace

SamplePrefetch::SamplePrefetch(TBuf* buffers, int lines, uint64_t max_new)
    : buffers_(buffers), lines_(std::clamp(lines, 0, kPrefetchLines)) {
  try {
    for (int i = 0; i < lines_; ++i) {
      TBuf& buffer = buffers_[i];
      const uint64_t wanted = std::min<uint64_t>(uint64_t{buffer.count()} + max_new, 0xFFFFFC00);
      buffer.Reserve(static_cast<uint32_t>(wanted));
    }
  } catch (const std::bad_alloc&) {
    // Lines reserved so far would keep address space the others then cannot grow into: all
    // go back, and the buffers grow on their own as the samples come.
    for (int i = 0; i < lines_; ++i) buffers_[i].ShrinkToFit();
    return;
  }
  for (int i = 0; i < lines_; ++i) {
    line_[i].data = buffers_[i].raw();
    line_[i].capacity = buffers_[i].capacity();
    line_[i].seen = line_[i].count = buffers_[i].count();
    line_[i].populated = buffers_[i].count();
  }
  thread_ = std::make_unique<TaskThread>([this] { Populate(); });
}

SamplePrefetch::~SamplePrefetch() { Stop(); }

void SamplePrefetch::Advance() {
  if (!thread_) return;
  for (int i = 0; i < lines_; ++i) {
    if (buffers_[i].raw() != line_[i].data) {
      // Storage moved after all (the file grew while read): the thread must not go on.
      Stop();
      return;
    }
    line_[i].count.store(buffers_[i].count(), std::memory_order_relaxed);
  }
  chunks_.fetch_add(1, std::memory_order_relaxed);
  thread_->Wake();
}

void SamplePrefetch::Stop() {
  if (thread_) thread_->Stop();
  thread_.reset();
}

void SamplePrefetch::Populate() {
  // All counts first, then the chunks: populating can take long enough for the scan to move
  // on many chunks, and counts a chunk older than the chunk count only make the estimate low.
  std::array<uint32_t, kPrefetchLines> counts;
  for (int i = 0; i < lines_; ++i) counts[i] = line_[i].count.load(std::memory_order_relaxed);
  const uint64_t advanced = chunks_.load(std::memory_order_relaxed);
  const uint64_t chunks = std::max<uint64_t>(advanced - chunks_seen_, 1);
  chunks_seen_ = advanced;
  for (int i = 0; i < lines_; ++i) {
    Line& line = line_[i];
    const uint32_t count = counts[i];
    // Per chunk: after falling behind, the growth of several chunks must not be taken for
    // that of one, or the thread would populate far more than the line will ever use.
    const uint64_t growth = (count - line.seen) / chunks;
    line.seen = count;
    const uint64_t target = std::min(line.capacity, count + kChunksAhead * growth);
    const uint64_t from = std::max<uint64_t>(line.populated, count);
    if (target <= from) continue;
    if (!PopulateMemory(line.data + from, (target - from) * sizeof(uint32_t))) {
      line.capacity = 0;  // refused: leave this line to the writer
      continue;
    }
    line.populated = target;
  }
}

}  // namespace korvan
