#include "bitblockcache.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "nelrealloc.h"
#include "tesmutex.h"

namespace {

struct SpareList {
    TesMutex lock;  // the process-wide mutex of the spare blocks
    std::array<uint32_t*, BitBlockCache::kCapacity> blocks{};
    int32_t count = 0;
};

// Created on first use and kept to process exit, spare blocks included.
SpareList& spares() {
    static SpareList* list = new SpareList;
    return *list;
}

// The most recently given block, or a new one. The caller holds the lock.
uint32_t* popOrAllocate(SpareList& list) {
    if (list.count > 0) return list.blocks[static_cast<size_t>(--list.count)];
    uint32_t* block = nullptr;
    nelMalloc(block, BitBlockCache::kBlockWords);
    return block;
}

}  // namespace

uint32_t* BitBlockCache::take(int32_t onesWords) {
    SpareList& list = spares();
    const std::lock_guard<TesMutex> guard(list.lock);
    uint32_t* block = popOrAllocate(list);
    const int32_t ones = std::clamp(onesWords, 0, kBlockWords);
    std::fill(block, block + ones, ~uint32_t{0});
    std::fill(block + ones, block + kBlockWords, 0u);
    return block;
}

uint32_t* BitBlockCache::takeCopy(const uint32_t* words, int32_t count) {
    SpareList& list = spares();
    const std::lock_guard<TesMutex> guard(list.lock);
    uint32_t* block = popOrAllocate(list);
    const int32_t copied = std::clamp(count, 0, kBlockWords);
    if (copied > 0) std::memcpy(block, words, static_cast<size_t>(copied) * sizeof(uint32_t));
    std::fill(block + copied, block + kBlockWords, 0u);
    return block;
}

void BitBlockCache::give(uint32_t* block) {
    if (block == nullptr) return;
    SpareList& list = spares();
    const std::lock_guard<TesMutex> guard(list.lock);
    if (list.count < kCapacity) {
        list.blocks[static_cast<size_t>(list.count++)] = block;
    } else {
        nelFree(block);
    }
}

void BitBlockCache::purge() {
    SpareList& list = spares();
    const std::lock_guard<TesMutex> guard(list.lock);
    for (int32_t index = 0; index < list.count; ++index) nelFree(list.blocks[static_cast<size_t>(index)]);
    list.count = 0;
}

int32_t BitBlockCache::spareCount() {
    SpareList& list = spares();
    const std::lock_guard<TesMutex> guard(list.lock);
    return list.count;
}
