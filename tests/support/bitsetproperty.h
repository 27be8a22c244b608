// A seeded property test for BitVector and BlockBitVector: random sequences of
// every operation, the two classes mixed, checked against the plain model of
// bitsetmodel.h. Storage rules (last index, pages) are the unit tests' part.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bitsetmodel.h"
#include "memorystreams.h"

namespace bitsetmodel {

// 0 and, 1 or, 2 exclusive or, 3 and-not.
template <class Target, class Other>
void combine(Target& target, const Other& other, int op) {
    if (op == 0) target &= other;
    if (op == 1) target |= other;
    if (op == 2) target ^= other;
    if (op == 3) target.andNot(other);
}

// A BitVector a and a BlockBitVector c, each the other's operand, with indices
// up to maxIndex; a is checked after every step, c in whole every 16 steps.
class MixedProperty {
public:
    MixedProperty(uint32_t seed, int32_t maxIndex) : random_(seed), maxIndex_(maxIndex) {}

    void run(int steps) {
        for (int step = 0; step <= steps && !::testing::Test::HasFatalFailure(); ++step) {
            const int operation = step < steps ? pick(11) : -1;
            SCOPED_TRACE("step " + std::to_string(step) + ", operation " + std::to_string(operation));
            apply(operation);
            if (!::testing::Test::HasFatalFailure()) check(step % 16 == 0 || step == steps);
        }
    }

private:
    int32_t pick(int32_t limit) { return std::uniform_int_distribution<int32_t>(0, limit)(random_); }
    // Half the indices near the start (word edges, a few negative), half anywhere.
    int32_t index() { return pick(1) == 0 ? pick(300) - 4 : pick(maxIndex_); }

    void apply(int operation) {
        const int32_t i = index();
        const int32_t j = pick(3) == 0 ? i + pick(70000) : index();
        const int32_t first = std::min(i, j);
        const int32_t last = std::max(i, j);
        const int op = pick(3);
        const bool value = pick(2) != 0;
        modelA_.fit(a_.wordCount());
        switch (operation) {
            case 0:
                modelA_.put(i, i, value);
                value ? a_.set(i) : a_.clear(i);
                break;
            case 1:  // cut to the last index
                modelA_.put(first, std::min(last, a_.lastIndex()), value);
                value ? a_.setRange(first, last) : a_.clearRange(first, last);
                break;
            case 2:
                for (uint32_t& word : modelA_.words) word = ~word;
                a_.invert();
                break;
            case 3: {  // words beyond the new size are dropped
                const int32_t to = value ? i : a_.lastIndex() / (1 + pick(8));
                a_.resize(to);
                ASSERT_GE(a_.lastIndex(), std::max(to, 31));
                modelA_.fit(a_.wordCount());
                break;
            }
            case 4:
                checkSearches(i);
                break;
            case 5:
                modelA_.combine(modelC_, op);
                value ? combine(a_, BitVector(c_), op) : combine(a_, c_, op);
                break;
            case 6:
                ASSERT_EQ(value ? c_.set(i) : c_.clear(i), value ? i >= 0 : modelC_.test(i));
                modelC_.put(i, i, value);
                break;
            case 7:
                modelC_.put(first, last, value);
                value ? c_.setRange(first, last) : c_.clearRange(first, last);
                break;
            case 8:  // no block left stored empty or full
                c_.normalise();
                for (int32_t block = 0; block <= c_.lastBlock(); ++block) {
                    ASSERT_TRUE(!c_.blockStored(block) || c_.blockCount(block) % BlockBitVector::kBlockBits != 0);
                }
                break;
            case 9:
                modelC_.combine(modelA_, op);
                value ? combine(c_, BlockBitVector(a_), op) : combine(c_, a_, op);
                break;
            case 10:
                c_ = BlockBitVector(a_);
                modelC_ = modelA_;
                break;
            case 11: {  // each class reads what the other wrote, dense from version 1 to 12; c takes a's
                MemoryOutput out;
                out.setVersion(value ? 0 : 7);
                ASSERT_TRUE(a_.write(out) && c_.write(out));
                out.flush();
                MemoryInput in(out.bytes);
                BlockBitVector blocks;
                BitVector bits;
                ASSERT_TRUE(blocks.read(in) && bits.read(in));
                for (int32_t word = 0; word < bits.wordCount(); ++word) ASSERT_EQ(bits.word(word), modelC_.word(word));
                ASSERT_EQ(bits.count(), modelC_.count());
                c_ = blocks;
                modelC_ = modelA_;
                break;
            }
        }
    }

    // a word by word, the counts; with `whole` c's bits through nextSet, copies.
    void check(bool whole) {
        for (int32_t word = 0; word < a_.wordCount(); ++word) ASSERT_EQ(a_.word(word), modelA_.word(word)) << word;
        ASSERT_TRUE(a_.knownCount() < 0 || a_.knownCount() == modelA_.count()) << a_.knownCount();
        ASSERT_TRUE(c_.knownCount() < 0 || c_.knownCount() == modelC_.count()) << c_.knownCount();
        ASSERT_EQ(a_.count(), modelA_.count()) << "a holds every bit set";
        ASSERT_EQ(c_.count(), modelC_.count());
        if (!whole) return;
        int32_t found = 0;
        for (int32_t bit = c_.nextSet(-1); bit >= 0; bit = c_.nextSet(bit), ++found) ASSERT_TRUE(modelC_.test(bit));
        ASSERT_EQ(found, modelC_.count());
        const BitVector copy(a_);
        ASSERT_TRUE(copy == a_ && copy.lastIndex() == a_.lastIndex() && copy.isLarge() == a_.isLarge());
        ASSERT_TRUE(BlockBitVector(c_) == c_ && c_ == BlockBitVector(c_));
    }

    // The searches from around `from` against walks over the models.
    void checkSearches(int32_t from) {
        auto walk = [](const Words& model, int64_t last, int64_t k, int step, bool value) {
            while (k >= 0 && k <= last && model.test(k) != value) k += step;
            return k < 0 || k > last ? -1 : static_cast<int32_t>(k);
        };
        const int64_t last = a_.lastIndex();
        for (int32_t at : {from - 1, from, from + 31, -1}) {
            const int64_t up = std::max(at, -1) + 1;
            const int64_t down = at <= 0 ? -1 : std::min<int64_t>(int64_t{at} - 1, last);
            ASSERT_EQ(a_.nextSet(at), walk(modelA_, last, up, 1, true)) << at;
            ASSERT_EQ(a_.nextClear(at), walk(modelA_, last, up, 1, false)) << at;
            ASSERT_EQ(a_.prevSet(at), walk(modelA_, last, down, -1, true)) << at;
            ASSERT_EQ(a_.prevClear(at), walk(modelA_, last, down, -1, false)) << at;
            ASSERT_EQ(c_.prevSet(at), walk(modelC_, INT32_MAX, at <= 0 ? -1 : at - 1, -1, true)) << at;
        }
    }

    std::mt19937 random_;
    int32_t maxIndex_;
    BitVector a_;
    BlockBitVector c_;
    Words modelA_;
    Words modelC_;
};

}  // namespace bitsetmodel
