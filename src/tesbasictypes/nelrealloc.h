// The library's array allocation: nelMalloc and nelRealloc retry through the
// host memory manager and hand over to the exhaustion handler when memory is
// gone, so a caller never sees a null block for a non-zero request.
#pragma once

#include <cstdint>

// Called when every attempt failed. Returns a block of attemptedBytes holding
// the old block's contents, or does not return. oldBlock is null for a fresh
// allocation.
using TesExhaustionHandler = void* (*)(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes);

void tesSetExhaustionHandler(TesExhaustionHandler handler);

// Allocates elementSize x count bytes (uninitialised) into *block; returns count.
int32_t nelMalloc(void** block, int32_t elementSize, int32_t count);

// Resizes *block from curSize elements to between minNewSize and maxNewSize
// (-1: minNewSize) and returns the new element count. Growth zeroes the new
// tail; a maximum of 0 below curSize frees the block.
int32_t nelRealloc(void** block, int32_t elementSize, int32_t curSize, int32_t minNewSize,
                   int32_t maxNewSize = -1);

template <class T>
int32_t nelMalloc(T*& block, int32_t count) {
    void* raw = block;
    const int32_t result = nelMalloc(&raw, static_cast<int32_t>(sizeof(T)), count);
    block = static_cast<T*>(raw);
    return result;
}

template <class T>
int32_t nelRealloc(T*& block, int32_t curSize, int32_t minNewSize, int32_t maxNewSize = -1) {
    void* raw = block;
    const int32_t result = nelRealloc(&raw, static_cast<int32_t>(sizeof(T)), curSize, minNewSize, maxNewSize);
    block = static_cast<T*>(raw);
    return result;
}

void nelFree(void* block);

// Allocates `bytes` from the system, asking the host memory manager to release
// memory for as long as it releases something; null when memory stays
// exhausted (the exhaustion handler is not called). nelFree frees it.
void* tesAllocateWithRelease(int64_t bytes);

// The capacity the library's containers grow to for `needed` elements of
// `elementSize` bytes from `current`: doubling below 4 MiB, then +1/2, from
// 32 MiB +1/4, from 256 MiB +1/8, until needed x elementSize < capacity bytes.
int64_t tesGrowCapacity(int64_t needed, int64_t current, int32_t elementSize);
