// The index list of a sparse bit-set record, shared by BitVector and
// BlockBitVector: signed 32-bit big-endian indices, read in batches.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "binio.h"

inline constexpr int32_t kTesSparseIndexBatch = 256;

// Hands each of the `count` indices to `setBit`. False at the first index that
// is missing or negative: a batch is pre-filled with -1, which no record holds,
// so one cut short ends there.
template <class SetBit>
bool tesReadSparseIndices(BinInput& in, int32_t count, SetBit&& setBit) {
    std::array<int32_t, kTesSparseIndexBatch> batch;
    for (int32_t done = 0; done < count;) {
        const int32_t length = std::min(kTesSparseIndexBatch, count - done);
        batch.fill(-1);
        in.read(batch.data(), static_cast<size_t>(length));
        for (int32_t i = 0; i < length; ++i) {
            if (batch[static_cast<size_t>(i)] < 0) return false;
            setBit(batch[static_cast<size_t>(i)]);
        }
        done += length;
    }
    return true;
}

// Writes the set bits of `bits` (anything with nextSet(previous) -> next or -1)
// as the index list, in batches; false when the stream refuses a batch.
template <class Bits>
bool tesWriteSparseIndices(BinOutput& out, const Bits& bits) {
    std::array<int32_t, kTesSparseIndexBatch> batch;
    size_t filled = 0;
    for (int32_t bit = bits.nextSet(-1); bit >= 0; bit = bits.nextSet(bit)) {
        batch[filled++] = bit;
        if (filled == batch.size()) {
            if (!out.write(batch.data(), filled)) return false;
            filled = 0;
        }
    }
    return out.write(batch.data(), filled);
}
