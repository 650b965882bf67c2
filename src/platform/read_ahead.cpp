#include "platform/read_ahead.h"

#include "platform/file_query.h"

namespace korvan {

ReadAhead::ReadAhead(ReadOnlyFile& file, size_t chunk_size, size_t front_room, bool background)
    : file_(file),
      chunk_size_(chunk_size > 0 ? chunk_size : 1),
      front_room_(front_room),
      storage_(new uint8_t[kSlots * (front_room_ + chunk_size_)]) {
  if (!background) return;
  thread_ = std::make_unique<TaskThread>([this] { Fill(); });
  if (!thread_->running()) thread_.reset();
  if (thread_) thread_->Wake();
}

ReadAhead::~ReadAhead() {
  if (thread_) thread_->Stop();
}

ptrdiff_t ReadAhead::ReadInto(uint64_t chunk) {
  uint8_t* slot = storage_.get() + (chunk % kSlots) * (front_room_ + chunk_size_);
  return file_.Read(slot + front_room_, chunk_size_);
}

void ReadAhead::Fill() {
  std::unique_lock<std::mutex> lock(mutex_);
  // The caller holds the last two chunks handed out, so the thread reads one chunk ahead.
  while (!ended_ && read_ + 2 < taken_ + kSlots) {
    const uint64_t chunk = read_;
    lock.unlock();
    const ptrdiff_t n = ReadInto(chunk);
    lock.lock();
    sizes_[chunk % kSlots] = n;
    read_ = chunk + 1;
    ended_ = n <= 0;
    filled_.notify_one();
  }
}

ReadAhead::Chunk ReadAhead::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (taken_ > 0 && taken_ == read_ && ended_) {
    // Past the end: the last chunk again.
    const uint64_t last = taken_ - 1;
    return {storage_.get() + (last % kSlots) * (front_room_ + chunk_size_) + front_room_,
            sizes_[last % kSlots]};
  }
  const uint64_t chunk = taken_;
  if (thread_) {
    filled_.wait(lock, [&] { return read_ > chunk; });
  } else {
    // No thread: read here.
    sizes_[chunk % kSlots] = ReadInto(chunk);
    read_ = chunk + 1;
    ended_ = sizes_[chunk % kSlots] <= 0;
  }
  taken_ = chunk + 1;
  const bool more = !ended_;
  lock.unlock();
  if (more && thread_) thread_->Wake();  // a slot has come free
  return {storage_.get() + (chunk % kSlots) * (front_room_ + chunk_size_) + front_room_,
          sizes_[chunk % kSlots]};
}

}  // namespace korvan
