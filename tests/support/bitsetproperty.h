// A seeded property test for BitVector and BlockBitVector: random sequences of
// every operation, including mixed combinations of the two classes, checked
// against the plain models of bitsetmodel.h after each step.
#pragma once

#include <string>

#include "bitsetmodel.h"

namespace bitsetmodel {

class MixedProperty {
public:
    // Indices up to maxIndex; `manager` says whether the process has a host
    // memory manager (paged storage from 4097 words).
    MixedProperty(uint32_t seed, int32_t maxIndex, bool manager)
        : random_(seed), maxIndex_(maxIndex), manager_(manager) {
        block_.growTo(0);
    }

    void run(int steps) {
        for (step_ = 0; step_ < steps && !::testing::Test::HasFatalFailure(); ++step_) {
            stepOnce();
            if (::testing::Test::HasFatalFailure()) return;
            expectSame(a_, modelA_, where().c_str());
            ASSERT_EQ(a_.count(), modelA_.count()) << where();
            ASSERT_EQ(c_.count(), block_.count()) << where();
            if (step_ % 16 == 0) expectSame(c_, block_, where().c_str());
        }
        expectSame(c_, block_, "at the end");
    }

private:
    std::string where() const { return "step " + std::to_string(step_) + ", operation " + std::to_string(operation_); }

    int32_t pick(int32_t limit) { return std::uniform_int_distribution<int32_t>(0, limit)(random_); }
    // Half the indices near the start (word and page edges), half anywhere.
    int32_t index() {
        if (pick(1) == 0) return pick(300);
        return pick(maxIndex_);
    }

    void stepOnce() {
        operation_ = pick(23);
        const int32_t i = index();
        const int32_t j = pick(3) == 0 ? i + pick(70000) : index();
        switch (operation_) {
            case 0: case 1: case 2: setA(i); break;
            case 3: clearA(i); break;
            case 4: rangeA(std::min(i, j), std::max(i, j), true); break;
            case 5: rangeA(std::min(i, j), std::max(i, j), false); break;
            case 6: invertA(); break;
            case 7: combineA(pick(3)); break;
            case 8: fillA(pick(2) == 0 ? -1 : pick(modelA_.storage.lastIndex + 100)); break;
            case 9: resizeA(pick(1) == 0 ? i : modelA_.storage.lastIndex / (1 + pick(8))); break;
            case 10: newOperand(); break;
            case 11: checkSearches(i); break;
            case 12: case 13: setC(i); break;
            case 14: clearC(i); break;
            case 15: rangeC(std::min(i, j), std::max(i, j), true); break;
            case 16: rangeC(std::min(i, j), std::max(i, j), false); break;
            case 17: c_.normalise(); break;
            case 18: combineC(pick(3), pick(1) == 0); break;
            case 19: combineAWithC(pick(3)); break;
            case 20: convert(pick(1) == 0); break;
            case 21: checkCopies(); break;
            default: ASSERT_EQ(a_.knownCount() < 0 || a_.knownCount() == modelA_.count(), true); break;
        }
    }

    void setA(int32_t i) {
        modelA_.storage.grow(i, manager_);
        modelA_.fitWords();
        modelA_.put(i, true);
        a_.set(i);
    }

    void clearA(int32_t i) {
        if (i <= modelA_.storage.lastIndex) modelA_.put(i, false);
        a_.clear(i);
    }

    void rangeA(int32_t first, int32_t last, bool value) {
        for (int64_t k = first; k <= std::min(last, modelA_.storage.lastIndex); ++k) modelA_.put(k, value);
        if (value) {
            a_.setRange(first, last);
        } else {
            a_.clearRange(first, last);
        }
    }

    void invertA() {
        for (uint32_t& word : modelA_.words) word = ~word;
        a_.invert();
        ASSERT_EQ(a_.knownCount(), -1);
    }

    // -1: set all; otherwise set first n.
    void fillA(int32_t n) {
        if (n < 0) {
            std::fill(modelA_.words.begin(), modelA_.words.end(), ~uint32_t{0});
            modelA_.words[0] &= ~uint32_t{1};
            a_.setAll();
            ASSERT_EQ(a_.knownCount(), a_.lastIndex());
            return;
        }
        modelA_.storage.grow(n, manager_);
        modelA_.fitWords();
        std::fill(modelA_.words.begin(), modelA_.words.end(), 0u);
        for (int64_t k = 1; k <= n; ++k) modelA_.put(k, true);
        a_.setFirst(n);
        ASSERT_EQ(a_.knownCount(), n);
    }

    void resizeA(int32_t index) {
        if (index > modelA_.storage.lastIndex) {
            modelA_.storage.grow(index, manager_);
        } else {
            modelA_.storage.shrink(index);
        }
        modelA_.fitWords();
        a_.resize(index);
    }

    void growAToWord(int32_t word) {
        if (word < 0) return;
        modelA_.storage.grow(word * 32, manager_);
        modelA_.fitWords();
    }

    // 0 and, 1 or, 2 exclusive or, 3 and-not with the operand b.
    void combineA(int32_t op) {
        if (op == 1 || op == 2) growAToWord(modelB_.highestWord());
        for (size_t k = 0; k < modelA_.words.size(); ++k) {
            const uint32_t other = modelB_.word(static_cast<int32_t>(k));
            uint32_t& word = modelA_.words[k];
            word = op == 0 ? word & other : op == 1 ? word | other : op == 2 ? word ^ other : word & ~other;
        }
        if (op == 0) a_ &= b_;
        if (op == 1) a_ |= b_;
        if (op == 2) a_ ^= b_;
        if (op == 3) a_.andNot(b_);
    }

    void combineAWithC(int32_t op) {
        int32_t highest = -1;
        for (size_t k = 0; k < block_.bits.size(); ++k) {
            if (block_.bits[k]) highest = static_cast<int32_t>(k);
        }
        if ((op == 1 || op == 2) && highest >= 0) growAToWord(highest >> 5);
        for (int64_t k = 0; k <= modelA_.storage.lastIndex; ++k) {
            const bool mine = modelA_.test(k);
            const bool other = block_.test(k);
            modelA_.put(k, op == 0 ? mine && other : op == 1 ? mine || other : op == 2 ? mine != other : mine && !other);
        }
        if (op == 0) a_ &= c_;
        if (op == 1) a_ |= c_;
        if (op == 2) a_ ^= c_;
        if (op == 3) a_.andNot(c_);
    }

    // A new operand b: a few bits and a range, or a copy of a.
    void newOperand() {
        if (pick(3) == 0) {
            b_ = a_;
            modelB_.words = modelA_.words;
            return;
        }
        b_.clearAll();
        BitModel fresh;
        fresh.storage = Storage{b_.lastIndex(), b_.isLarge()};
        fresh.fitWords();
        for (int n = pick(20); n > 0; --n) {
            const int32_t i = index();
            fresh.storage.grow(i, manager_);
            fresh.fitWords();
            fresh.put(i, true);
            b_.set(i);
        }
        const int32_t first = index();
        const int32_t last = first + pick(40000);
        for (int64_t k = first; k <= std::min(last, fresh.storage.lastIndex); ++k) fresh.put(k, true);
        b_.setRange(first, last);
        modelB_ = fresh;
    }

    void checkSearches(int32_t from) {
        const int32_t last = modelA_.storage.lastIndex;
        auto scan = [&](int64_t start, int step, bool value) -> int32_t {
            for (int64_t k = start; k >= 0 && k <= last; k += step) {
                if (modelA_.test(k) == value) return static_cast<int32_t>(k);
            }
            return -1;
        };
        for (int32_t at : {from - 1, from, from + 31, -1}) {
            ASSERT_EQ(a_.nextSet(at), scan(int64_t{at} + 1, 1, true)) << "nextSet " << at;
            ASSERT_EQ(a_.nextClear(at), scan(int64_t{at} + 1, 1, false)) << "nextClear " << at;
            const int64_t down = std::min<int64_t>(int64_t{at} - 1, last);
            ASSERT_EQ(a_.prevSet(at), at <= 0 ? -1 : scan(down, -1, true)) << "prevSet " << at;
            ASSERT_EQ(a_.prevClear(at), at <= 0 ? -1 : scan(down, -1, false)) << "prevClear " << at;
        }
    }

    void growC(int32_t index) {
        if ((index >> 15) > block_.lastBlock) block_.growTo((index >> 15) + 1);
    }

    void setC(int32_t i) {
        growC(i);
        block_.bits[static_cast<size_t>(i)] = true;
        ASSERT_TRUE(c_.set(i));
    }

    void clearC(int32_t i) {
        const bool was = block_.test(i);
        if (was) block_.bits[static_cast<size_t>(i)] = false;
        ASSERT_EQ(c_.clear(i), was);
    }

    void rangeC(int32_t first, int32_t last, bool value) {
        if (value) growC(last);
        const int64_t end = std::min<int64_t>(last, int64_t{block_.lastBlock + 1} * 32768 - 1);
        for (int64_t k = first; k <= end; ++k) block_.bits[static_cast<size_t>(k)] = value;
        if (value) {
            c_.setRange(first, last);
        } else {
            c_.clearRange(first, last);
        }
    }

    // 0 and, 1 or, 2 exclusive or, 3 and-not with a (a BitVector) or with a
    // block copy of b.
    void combineC(int32_t op, bool withBitVector) {
        const BitVector& source = withBitVector ? a_ : b_;
        const BitModel& sourceModel = withBitVector ? modelA_ : modelB_;
        BlockBitVector blocks(b_);
        const int32_t sourceLastBlock = withBitVector ? (source.wordCount() + 1023) / 1024 - 1 : blocks.lastBlock();
        if ((op == 1 || op == 2) && sourceLastBlock > block_.lastBlock) block_.growTo(sourceLastBlock);
        for (size_t k = 0; k < block_.bits.size(); ++k) {
            const bool mine = block_.bits[k];
            const bool other = sourceModel.test(static_cast<int64_t>(k));
            block_.bits[k] = op == 0 ? mine && other : op == 1 ? mine || other : op == 2 ? mine != other : mine && !other;
        }
        if (withBitVector) {
            if (op == 0) c_ &= source;
            if (op == 1) c_ |= source;
            if (op == 2) c_ ^= source;
            if (op == 3) c_.andNot(source);
        } else {
            if (op == 0) c_ &= blocks;
            if (op == 1) c_ |= blocks;
            if (op == 2) c_ ^= blocks;
            if (op == 3) c_.andNot(blocks);
        }
        ASSERT_EQ(c_.knownCount(), -1);
    }

    // c from a, or b from c, through the converting constructors.
    void convert(bool blocksFromA) {
        if (blocksFromA) {
            c_ = BlockBitVector(a_);
            block_ = BlockModel{};
            block_.growTo(a_.wordCount() >> 10);
            for (int64_t k = 0; k <= modelA_.storage.lastIndex; ++k) block_.bits[static_cast<size_t>(k)] = modelA_.test(k);
            return;
        }
        const BitVector fromBlocks(c_);
        for (size_t k = 0; k < block_.bits.size(); ++k) ASSERT_EQ(fromBlocks.test(static_cast<int32_t>(k)), bool(block_.bits[k]));
        ASSERT_GE(int64_t{fromBlocks.lastIndex()} + 1, c_.highestUsedBitBound());
    }

    void checkCopies() {
        const BitVector copy(a_);
        ASSERT_TRUE(copy == a_);
        ASSERT_EQ(copy.isLarge(), a_.isLarge());
        ASSERT_EQ(copy.lastIndex(), a_.lastIndex());
        const BlockBitVector blocks(c_);
        ASSERT_TRUE(blocks == c_);
        ASSERT_TRUE(c_ == blocks);
    }

    std::mt19937 random_;
    int32_t maxIndex_;
    bool manager_;
    int step_ = 0;
    int32_t operation_ = 0;
    BitVector a_;
    BitVector b_;
    BitModel modelA_;
    BitModel modelB_;
    BlockBitVector c_;
    BlockModel block_;
};

}  // namespace bitsetmodel
