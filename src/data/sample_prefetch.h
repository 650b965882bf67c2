#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "data/log_sample.h"
#include "platform/task_thread.h"

namespace korvan {

inline constexpr int kPrefetchLines = 50;

// Faults in each line's raw-value storage on a second thread, a little ahead of the scan that
// fills it, so that the scan does not stop for every fresh page: touching new memory costs
// more than decoding the samples that go into it. Only pages are populated, never a sample
// read or written, so the results cannot depend on how far ahead the thread has got.
class SamplePrefetch {
 public:
  // Reserves room for max_new more samples in buffers[0 .. lines-1] (address space only) and
  // starts the thread. Where either is refused, the scan simply runs without it.
  SamplePrefetch(TBuf* buffers, int lines, uint64_t max_new);
  ~SamplePrefetch();  // stops the thread
  SamplePrefetch(const SamplePrefetch&) = delete;
  SamplePrefetch& operator=(const SamplePrefetch&) = delete;

  // From the scanning thread after each chunk: lets the thread see how far each line is.
  void Advance();
  // Ends the thread; afterwards the buffers may be moved, grown or trimmed.
  void Stop();

 private:
  struct Line {
    uint32_t* data = nullptr;  // the line's raw values
    uint64_t capacity = 0;
    std::atomic<uint32_t> count{0};  // published by Advance
    uint32_t seen = 0;               // the thread's own: count at its last run
    uint64_t populated = 0;          // the thread's own: samples populated from the start
  };
  void Populate();  // on the thread

  TBuf* buffers_;
  int lines_;
  std::array<Line, kPrefetchLines> line_;
  std::atomic<uint64_t> chunks_{0};  // Advance calls
  uint64_t chunks_seen_ = 0;         // the thread's own: chunks_ at its last run
  std::unique_ptr<TaskThread> thread_;
};

}  // namespace korvan
