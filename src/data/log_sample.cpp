#include "data/log_sample.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace korvan {

namespace {

constexpr uint64_t kStep = 1024;
constexpr uint64_t kMaxCapacity = 0xFFFFFC00;  // largest multiple of 1024 a count can index

uint64_t RoundUp(uint64_t n) { return (n + kStep - 1) / kStep * kStep; }

}  // namespace

TBuf::TBuf(TBuf&& other) noexcept
    : data_(other.data_), count_(other.count_), capacity_(other.capacity_), cursor_(other.cursor_) {
  other.data_ = nullptr;
  other.count_ = other.capacity_ = other.cursor_ = 0;
}

TBuf& TBuf::operator=(TBuf&& other) noexcept {
  if (this != &other) {
    Clear();
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(cursor_, other.cursor_);
  }
  return *this;
}

void TBuf::Clear() {
  std::free(data_);
  data_ = nullptr;
  count_ = capacity_ = cursor_ = 0;
}

void TBuf::Reserve(uint32_t n) {
  if (n <= capacity_) return;
  uint64_t capacity = RoundUp(n);
  if (capacity > kMaxCapacity) throw std::bad_alloc();
  // LogSample is trivially copyable, so realloc may move it (glibc remaps large blocks).
  void* grown = std::realloc(data_, capacity * sizeof(LogSample));
  if (!grown) throw std::bad_alloc();
  data_ = static_cast<LogSample*>(grown);
  capacity_ = static_cast<uint32_t>(capacity);
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
  uint64_t capacity = RoundUp(count_);
  if (capacity >= capacity_) return;
  void* shrunk = std::realloc(data_, capacity * sizeof(LogSample));
  if (!shrunk) return;  // keeping the larger block is harmless
  data_ = static_cast<LogSample*>(shrunk);
  capacity_ = static_cast<uint32_t>(capacity);
}

}  // namespace korvan
