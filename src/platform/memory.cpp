#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>

namespace korvan {

namespace {

#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older kernels answer EINVAL
#endif

// Cleared once the kernel has said that it does not know MADV_POPULATE_WRITE.
std::atomic<bool> populate_known{true};

// Before MADV_POPULATE_WRITE, mlock was the way to fault pages in for writing without writing
// to them. Locked memory is scarce (RLIMIT_MEMLOCK), so it is locked and unlocked in pieces.
bool PopulateByLocking(uint8_t* memory, size_t bytes) {
  constexpr size_t kPiece = size_t{1} << 20;
  for (size_t done = 0; done < bytes; done += kPiece) {
    const size_t n = std::min(kPiece, bytes - done);
    if (mlock(memory + done, n) != 0) return false;
    munlock(memory + done, n);
  }
  return true;
}

}  // namespace

size_t PageBytes() {
  static const size_t page = [] {
    const long n = sysconf(_SC_PAGESIZE);
    return n > 0 ? static_cast<size_t>(n) : size_t{4096};
  }();
  return page;
}

void* MapMemory(size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  // Only advice: where huge pages are off, the memory simply keeps small ones.
  madvise(memory, bytes, MADV_HUGEPAGE);
  return memory;
}

void* RemapMemory(void* memory, size_t old_bytes, size_t new_bytes) {
  void* moved = mremap(memory, old_bytes, new_bytes, MREMAP_MAYMOVE);
  return moved == MAP_FAILED ? nullptr : moved;
}

void UnmapMemory(void* memory, size_t bytes) {
  if (memory) munmap(memory, bytes);
}

bool PopulateMemory(void* memory, size_t bytes) {
  if (bytes == 0) return true;
  // Whole pages: the kernel refuses a start inside a page.
  const uintptr_t page = PageBytes();
  const uintptr_t start = reinterpret_cast<uintptr_t>(memory) / page * page;
  bytes += reinterpret_cast<uintptr_t>(memory) - start;
  memory = reinterpret_cast<void*>(start);
  if (populate_known.load(std::memory_order_relaxed)) {
    if (madvise(memory, bytes, MADV_POPULATE_WRITE) == 0) return true;
    if (errno != EINVAL) return false;
    populate_known.store(false, std::memory_order_relaxed);
  }
  return PopulateByLocking(static_cast<uint8_t*>(memory), bytes);
}

}  // namespace korvan
