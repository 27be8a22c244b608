// Where the buffers of NelCString and TesString come from and go back to: the
// bucket memory pool.
// Every string buffer passes through these two calls, so the strings follow
// whatever block source the library uses for small blocks.
#pragma once

#include <cstdint>

// A block of at least `bytes` bytes; *usable receives the bytes the caller may
// use (at least `bytes`). Never null for bytes > 0.
void* tesStringBufferAllocate(int32_t bytes, uint32_t* usable);

// Returns a block taken with tesStringBufferAllocate; `usable` is the size that
// call reported. A null block is ignored.
void tesStringBufferFree(uint32_t usable, void* block);
