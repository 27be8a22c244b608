// A plain reference model of the bit sets for property tests (the bits as
// words in a std::vector), and the small helpers the bit set tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "bitvector.h"
#include "blockbitvector.h"
#include "memorystreams.h"

namespace bitsetmodel {

template <class Vector = BitVector>
Vector withBits(std::initializer_list<int32_t> bits, int32_t size = 0) {
    Vector vector(size);
    for (int32_t bit : bits) vector.set(bit);
    return vector;
}

template <class Vector>
std::vector<int32_t> setBits(const Vector& vector) {
    std::vector<int32_t> bits;
    for (int32_t bit = vector.nextSet(-1); bit >= 0; bit = vector.nextSet(bit)) bits.push_back(bit);
    return bits;
}

// 32-bit values, high byte first, as a record holds them.
inline std::vector<uint8_t> record(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes;
    for (uint32_t value : values) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    return bytes;
}

// The record `vector` writes on a stream of format `version`.
template <class Vector>
std::vector<uint8_t> written(const Vector& vector, uint32_t version = 0) {
    MemoryOutput out;
    out.setVersion(version);
    EXPECT_TRUE(vector.write(out));
    out.flush();
    return out.bytes;
}

// Bits as words; words beyond the model read 0, setting bits there grows it.
struct Words {
    std::vector<uint32_t> words;

    int64_t bits() const { return static_cast<int64_t>(words.size()) * 32; }
    void fit(int64_t count) { words.resize(static_cast<size_t>(count), 0); }
    uint32_t word(int64_t index) const { return index < bits() / 32 ? words[static_cast<size_t>(index)] : 0; }
    bool test(int64_t index) const { return index >= 0 && ((word(index >> 5) >> (index & 31)) & 1u); }
    // Bits [first, last].
    void put(int64_t first, int64_t last, bool value) {
        if (value && last >= bits()) fit(last / 32 + 1);
        for (int64_t index = std::max<int64_t>(first, 0); index <= std::min(last, bits() - 1); ++index) {
            uint32_t& word = words[static_cast<size_t>(index >> 5)];
            word = value ? word | (uint32_t{1} << (index & 31)) : word & ~(uint32_t{1} << (index & 31));
        }
    }
    int32_t count() const {
        int32_t total = 0;
        for (uint32_t word : words) total += std::popcount(word);
        return total;
    }
    // 0 and, 1 or, 2 exclusive or, 3 and-not.
    void combine(const Words& other, int op) {
        if (op == 1 || op == 2) fit(std::max(words.size(), other.words.size()));
        for (size_t index = 0; index < words.size(); ++index) {
            const uint32_t theirs = other.word(static_cast<int64_t>(index));
            uint32_t& mine = words[index];
            mine = op == 0 ? mine & theirs : op == 1 ? mine | theirs : op == 2 ? mine ^ theirs : mine & ~theirs;
        }
    }
};

}  // namespace bitsetmodel
