// Plain reference models of BitVector and BlockBitVector for property tests:
// the words in a std::vector, the last index (or last block) tracked by the
// growth rules written out once more, independently of the library's code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bitvector.h"
#include "blockbitvector.h"

namespace bitsetmodel {

constexpr int32_t kPageWords = 2048;

// What BitVector's storage looks like after it had to hold `index`.
struct Storage {
    int32_t lastIndex = 31;
    bool large = false;

    int32_t words() const { return lastIndex / 32 + 1; }

    // The doubling rule (c -> 2c + 1 until above the index), the 6144-word
    // offer below 4097 needed words, the switch to pages at 4097 with a
    // memory manager, page-rounded growth of paged storage.
    void grow(int32_t index, bool manager) {
        if (index <= lastIndex) return;
        int64_t capacity = lastIndex;
        while (capacity <= index && capacity < INT32_MAX) capacity = std::min<int64_t>(capacity * 2 + 1, INT32_MAX);
        const int32_t offered = static_cast<int32_t>(capacity / 32 + 1);
        const int32_t needed = index / 32 + 1;
        int32_t words = offered;
        if (large) {
            words = (offered + kPageWords - 1) / kPageWords * kPageWords;
        } else if (needed >= 4097) {
            large = manager;
        } else {
            words = std::min(offered, 6144);
        }
        lastIndex = words * 32 - 1;
    }

    // Shrinking to hold `index`: paged storage below 1536 words becomes one
    // block, otherwise it keeps whole pages (which, for storage made with a
    // word count that is not a whole number of pages, can be more words).
    void shrink(int32_t index) {
        const int32_t needed = std::max(index, 31) / 32 + 1;
        if (needed >= words()) return;
        int32_t words = needed;
        if (large && needed >= 1536) {
            words = (needed + kPageWords - 1) / kPageWords * kPageWords;
        } else {
            large = false;
        }
        lastIndex = words * 32 - 1;
    }
};

struct BitModel {
    Storage storage;
    std::vector<uint32_t> words = std::vector<uint32_t>(1, 0);

    void fitWords() { words.resize(static_cast<size_t>(storage.words()), 0); }
    bool test(int64_t index) const {
        return index >= 0 && index < static_cast<int64_t>(words.size()) * 32 &&
               ((words[static_cast<size_t>(index >> 5)] >> (index & 31)) & 1u);
    }
    void put(int64_t index, bool value) {
        uint32_t& word = words[static_cast<size_t>(index >> 5)];
        const uint32_t mask = uint32_t{1} << (index & 31);
        word = value ? word | mask : word & ~mask;
    }
    int32_t count() const {
        int32_t total = 0;
        for (uint32_t word : words) total += std::popcount(word);
        return total;
    }
    int32_t highestWord() const {
        for (int32_t index = static_cast<int32_t>(words.size()) - 1; index >= 0; --index) {
            if (words[static_cast<size_t>(index)] != 0) return index;
        }
        return -1;
    }
    uint32_t word(int32_t index) const {
        return index < static_cast<int32_t>(words.size()) ? words[static_cast<size_t>(index)] : 0;
    }
};

struct BlockModel {
    int32_t lastBlock = 0;
    std::vector<uint8_t> bits;  // one byte a bit: quick to count

    void growTo(int32_t block) {
        if (block > lastBlock) lastBlock = block;
        const size_t size = (static_cast<size_t>(lastBlock) + 1) * 32768;
        if (bits.size() < size) bits.resize(size, 0);
    }
    bool test(int64_t index) const { return index >= 0 && static_cast<size_t>(index) < bits.size() && bits[static_cast<size_t>(index)]; }
    // Bytes are 0 or 1, so eight at a time have as many set bits as ones.
    int32_t count() const {
        int32_t total = 0;
        size_t index = 0;
        for (; index + 8 <= bits.size(); index += 8) {
            uint64_t eight = 0;
            std::memcpy(&eight, bits.data() + index, 8);
            total += std::popcount(eight);
        }
        for (; index < bits.size(); ++index) total += bits[index];
        return total;
    }
};

// Every word of the vector against the model, and the last index.
inline void expectSame(const BitVector& vector, const BitModel& model, const char* where) {
    ASSERT_EQ(vector.lastIndex(), model.storage.lastIndex) << where;
    ASSERT_EQ(vector.isLarge(), model.storage.large) << where;
    for (int32_t index = 0; index < vector.wordCount(); ++index) {
        ASSERT_EQ(vector.word(index), model.word(index)) << where << ", word " << index;
    }
    if (vector.knownCount() >= 0) {
        ASSERT_EQ(vector.knownCount(), model.count()) << where;
    }
}

inline void expectSame(const BlockBitVector& vector, const BlockModel& model, const char* where) {
    ASSERT_EQ(vector.lastBlock(), model.lastBlock) << where;
    int32_t expected = -1;
    for (size_t index = 0; index < model.bits.size(); ++index) {
        if (!model.bits[index]) continue;
        const int32_t found = vector.nextSet(expected);
        ASSERT_EQ(found, static_cast<int32_t>(index)) << where;
        expected = found;
    }
    ASSERT_EQ(vector.nextSet(expected), -1) << where;
}

}  // namespace bitsetmodel
