#include "data/log_sample.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/memory.h"

namespace korvan {

namespace {

constexpr uint64_t kStep = 1024;
constexpr uint64_t kMaxCapacity = 0xFFFFFC00;  // largest multiple of 1024 a count can index
constexpr size_t kMapFrom = size_t{1} << 20;   // bytes from which storage is mapped

uint64_t RoundUp(uint64_t n) { return (n + kStep - 1) / kStep * kStep; }

size_t MapLength(uint64_t capacity) {
  const uint64_t page = PageBytes();
  return static_cast<size_t>((capacity * sizeof(LogSample) + page - 1) / page * page);
}

}  // namespace

TBuf::TBuf(TBuf&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      cursor_(std::exchange(other.cursor_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

TBuf& TBuf::operator=(TBuf&& other) noexcept {
  if (this != &other) {
    Clear();
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(cursor_, other.cursor_);
    std::swap(mapped_, other.mapped_);
  }
  return *this;
}

void TBuf::Clear() {
  if (mapped_) {
    UnmapMemory(data_, MapLength(capacity_));
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  count_ = capacity_ = cursor_ = 0;
  mapped_ = false;
}

void TBuf::Reserve(uint32_t n) {
  if (n <= capacity_) return;
  const uint64_t capacity = RoundUp(n);
  if (capacity > kMaxCapacity) throw std::bad_alloc();
  const size_t length = MapLength(capacity);
  void* grown;
  if (mapped_) {
    grown = RemapMemory(data_, MapLength(capacity_), length);
    if (!grown) throw std::bad_alloc();
  } else if (capacity * sizeof(LogSample) >= kMapFrom) {
    grown = MapMemory(length);
    if (!grown) throw std::bad_alloc();
    if (count_ > 0) std::memcpy(grown, data_, size_t{count_} * sizeof(LogSample));
    std::free(data_);
    mapped_ = true;
  } else {
    // LogSample is trivially copyable, so realloc may move it.
    grown = std::realloc(data_, capacity * sizeof(LogSample));
    if (!grown) throw std::bad_alloc();
  }
  data_ = static_cast<LogSample*>(grown);
  capacity_ = static_cast<uint32_t>(capacity);
}

void TBuf::Resize(uint32_t n) {
  if (n > capacity_) throw std::out_of_range("TBuf::Resize beyond the capacity");
  count_ = n;
}

void TBuf::Grow(uint64_t needed) {
  // Doubling keeps appending linear over a whole card; a fixed step would copy quadratically.
  uint64_t capacity = std::max<uint64_t>({kStep, needed, uint64_t{capacity_} * 2});
  capacity = std::min(RoundUp(capacity), kMaxCapacity);
  if (capacity < needed) throw std::bad_alloc();
  Reserve(static_cast<uint32_t>(capacity));
}

void TBuf::ShrinkToFit() {
  if (count_ == 0) {
    Clear();
    return;
  }
  const uint64_t capacity = RoundUp(count_);
  if (capacity >= capacity_) return;
  void* shrunk;
  if (mapped_) {
    shrunk = RemapMemory(data_, MapLength(capacity_), MapLength(capacity));
    if (!shrunk) return;  // keeping the larger block is harmless
  } else {
    shrunk = std::realloc(data_, capacity * sizeof(LogSample));
    if (!shrunk) return;
  }
  data_ = static_cast<LogSample*>(shrunk);
  capacity_ = static_cast<uint32_t>(capacity);
}

}  // namespace korvan
