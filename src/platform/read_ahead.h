#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/task_thread.h"

namespace korvan {

class ReadOnlyFile;

// Reads a file in chunks on a second thread, one chunk ahead of the caller, so that copying
// the bytes out of the page cache overlaps the caller's work on the chunk before.
class ReadAhead {
 public:
  struct Chunk {
    uint8_t* data = nullptr;  // front_room writable bytes lie before it
    ptrdiff_t size = 0;       // bytes read; 0 at the end of the file, -1 when a read failed
  };

  // The file must outlive the reader. Without background (or without a thread to be had), each
  // chunk is read by Next itself.
  ReadAhead(ReadOnlyFile& file, size_t chunk_size, size_t front_room, bool background = true);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next chunk, in file order. The chunk returned by the call before stays as it is until
  // the following call; after the end or a failure every further call returns the same.
  Chunk Next();

 private:
  static constexpr uint64_t kSlots = 3;  // the caller holds two, the thread fills the third
  void Fill();                           // on the thread: reads while a slot is free
  ptrdiff_t ReadInto(uint64_t chunk);

  ReadOnlyFile& file_;
  size_t chunk_size_;
  size_t front_room_;
  std::unique_ptr<uint8_t[]> storage_;
  ptrdiff_t sizes_[kSlots] = {};
  std::mutex mutex_;
  std::condition_variable filled_;
  uint64_t read_ = 0;   // chunks read
  uint64_t taken_ = 0;  // chunks handed out
  bool ended_ = false;  // the thread has read the end or a failure
  std::unique_ptr<TaskThread> thread_;
};

}  // namespace korvan
