#pragma once

#include <cstddef>

namespace korvan {

// Anonymous memory for large buffers that grow in place. Pages cost nothing until first
// touched, so address space can be reserved generously; the kernel is asked for huge pages,
// which turns hundreds of first-touch faults into one.

// Readable and writable zero-filled memory of bytes (a multiple of PageBytes), not charged
// against the commit limit up front; nullptr when the system refuses.
void* MapMemory(size_t bytes);
// Grows or shrinks a mapping, keeping its contents; may move it. nullptr when refused (the
// old mapping then stays as it was).
void* RemapMemory(void* memory, size_t old_bytes, size_t new_bytes);
void UnmapMemory(void* memory, size_t bytes);

// Faults in the pages of [memory, memory + bytes) for writing without changing what they
// hold, so that it is safe while another thread writes there. False when the system cannot.
bool PopulateMemory(void* memory, size_t bytes);

size_t PageBytes();

}  // namespace korvan
