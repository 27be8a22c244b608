// The process-wide cache of spare blocks (1024 words each) from which block
// bit vectors take the storage of their partly filled blocks and to which
// they give it back. It keeps up to 512 spare blocks and hands out the most
// recently given one first; a block given back to a full cache is freed.
// Every take and give holds one process-wide lock for the list operation and
// the block fill.
#pragma once

#include <cstdint>

class BitBlockCache {
public:
    static constexpr int32_t kBlockWords = 1024;
    static constexpr int32_t kCapacity = 512;

    // A block whose first `onesWords` words are all ones and the rest 0.
    static uint32_t* take(int32_t onesWords);
    // A block holding a copy of `count` words, the rest 0.
    static uint32_t* takeCopy(const uint32_t* words, int32_t count);
    // Takes `block` back; null is ignored.
    static void give(uint32_t* block);
    // Frees every spare block.
    static void purge();
    static int32_t spareCount();
};
