#include "bitvector.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <iostream>

#include "blockbitvector.h"
#include "intarray.h"
#include "memorymanager.h"
#include "nelrealloc.h"
#include "sparseindices.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/bitvector";
constexpr const char* kRandomService = "ITesRandom";
constexpr const char* kProgressService = "ITesProgress";
constexpr const char* kCountLabel = "numSet=";

constexpr int32_t kWordShift = 5;
constexpr int32_t kWordMask = 31;
constexpr int32_t kRunWords = BitWordRun::kWords;
constexpr int32_t kPageWords = BitVector::LargeWords::kPageLength;
constexpr uint32_t kAllOnes = ~uint32_t{0};
constexpr int32_t kLanes = 16;

// Storage thresholds, in words.
constexpr int32_t kLargeFrom = 4096;         // construction and reading
constexpr int32_t kLargeOnGrowthFrom = 4097;
constexpr int32_t kSmallBelow = 1536;        // a shrinking large vector
constexpr int32_t kSmallOfferLimit = 6144;   // most words a growing small block is offered

constexpr uint32_t kSparseFromVersion = 13;  // and version 0
constexpr int32_t kSparseFromWords = 33;
constexpr uint32_t kThinSeedOffset = 412;
constexpr int32_t kBitsPerLine = 8;
constexpr int32_t kProgressSteps = 100;

bool memoryManagerExists() { return tesMemoryManager() != nullptr; }

int32_t wordsBelow(int32_t end) { return static_cast<int32_t>((int64_t{end} + kRunWords - 1) / kRunWords); }

// Zero words for pages a large vector does not have.
const std::array<uint32_t, kPageWords>& zeroPage() {
    static const std::array<uint32_t, kPageWords> zeros{};
    return zeros;
}

bool inputHolds(BinInput& in, int64_t values) {
    if (in.length() <= 0) return true;
    return values * 4 <= in.length() - in.tell();
}

// The capacity index reached by doubling (c -> 2c + 1) from `last`
// until it exceeds `index`, stopping at the largest 32-bit index.
int32_t doubledCapacity(int32_t last, int32_t index) {
    int32_t capacity = last;
    while (capacity <= index && capacity < INT32_MAX) {
        capacity = capacity >= INT32_MAX / 2 ? INT32_MAX : capacity * 2 + 1;
    }
    return capacity;
}

uint32_t runWord(const BitWordRun& run, int32_t index) {
    if (run.words != nullptr) return index < run.length ? run.words[index] : 0;
    return run.full ? kAllOnes : 0;
}

// words[i] = op(words[i], source[i]) for i < length. The fixed inner loop
// of kLanes words is what the compiler turns into vector instructions.
template <class Op>
void combineWords(uint32_t* __restrict words, const uint32_t* __restrict source, int32_t length, Op op) {
    int32_t index = 0;
    for (; index + kLanes <= length; index += kLanes) {
        for (int32_t lane = 0; lane < kLanes; ++lane) words[index + lane] = op(words[index + lane], source[index + lane]);
    }
    for (; index < length; ++index) words[index] = op(words[index], source[index]);
}

template <class Op>
void combineConstant(uint32_t* words, uint32_t value, int32_t length, Op op) {
    int32_t index = 0;
    for (; index + kLanes <= length; index += kLanes) {
        for (int32_t lane = 0; lane < kLanes; ++lane) words[index + lane] = op(words[index + lane], value);
    }
    for (; index < length; ++index) words[index] = op(words[index], value);
}

// The run's words into `words` (length of them): op with the run's words,
// then with its 0 or all-ones rest unless that leaves words unchanged.
template <class Op>
void applyRun(uint32_t* words, int32_t length, const BitWordRun& source, Op op, uint32_t neutral) {
    const int32_t fromSource = source.words != nullptr ? std::min(length, source.length) : 0;
    if (source.words == words) {
        for (int32_t index = 0; index < fromSource; ++index) words[index] = op(words[index], words[index]);
    } else if (fromSource > 0) {
        combineWords(words, source.words, fromSource, op);
    }
    const uint32_t rest = source.words == nullptr && source.full ? kAllOnes : 0;
    if (rest != neutral) combineConstant(words + fromSource, rest, length - fromSource, op);
}

}  // namespace

int32_t tesCountBits(const uint32_t* words, int32_t count) {
    // Bits counted in parallel within each word, kLanes words side by side so
    // the compiler can use vector instructions; no popcount instruction is
    // assumed of the target. A lane sum stays below 2 x count: no overflow.
    uint32_t sums[kLanes] = {};
    int32_t index = 0;
    for (; index + kLanes <= count; index += kLanes) {
        for (int32_t lane = 0; lane < kLanes; ++lane) {
            uint32_t x = words[index + lane];
            x -= (x >> 1) & 0x55555555u;
            x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
            x = (x + (x >> 4)) & 0x0F0F0F0Fu;
            x += x >> 8;
            x += x >> 16;
            sums[lane] += x & 0x3Fu;
        }
    }
    int64_t total = 0;
    for (uint32_t sum : sums) total += sum;
    for (; index < count; ++index) total += std::popcount(words[index]);
    return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

BitVector::BitVector() { makeStorage(1); }

BitVector::BitVector(int32_t bits) { makeStorage(std::max(bits >> kWordShift, 0) + 1); }

BitVector::BitVector(const BitVector& other) : TesShared() { copyFrom(other); }

BitVector::BitVector(const BlockBitVector& blocks) {
    makeStorage(std::max<int32_t>(1, static_cast<int32_t>(blocks.highestUsedBitBound() >> kWordShift)));
    assignBlocks(blocks);
}

BitVector::~BitVector() { releaseStorage(); }

void BitVector::releaseStorage() {
    nelFree(bvwords_);
    bvwords_ = nullptr;
    delete bvwordsLarge_;
    bvwordsLarge_ = nullptr;
}

// Storage for `words` zero words, large from 4096 words when the host memory
// manager exists.
void BitVector::makeStorage(int32_t words) {
    if (words >= kLargeFrom && memoryManagerExists()) {
        bvwordsLarge_ = new LargeWords(words);
    } else {
        nelMalloc(bvwords_, words);
        std::memset(bvwords_, 0, static_cast<size_t>(words) * sizeof(uint32_t));
    }
    lastIndex_ = static_cast<int32_t>(int64_t{words} * 32 - 1);
}

void BitVector::copyFrom(const BitVector& other) {
    magic_ = other.magic_;
    lastIndex_ = other.lastIndex_;
    count_ = other.count_;
    if (other.bvwordsLarge_ != nullptr) {
        bvwordsLarge_ = new LargeWords(other.bvwordsLarge_->size());
        bvwordsLarge_->copyFrom(*other.bvwordsLarge_);
    } else {
        nelMalloc(bvwords_, wordCount());
        std::memcpy(bvwords_, other.bvwords_, static_cast<size_t>(wordCount()) * sizeof(uint32_t));
    }
}

BitVector& BitVector::operator=(const BitVector& other) {
    if (this == &other) return *this;
    if (bvwords_ != nullptr && wordCount() >= other.wordCount()) {
        copyContents(other);
        return *this;
    }
    releaseStorage();
    copyFrom(other);
    return *this;
}

BitVector& BitVector::operator=(const BlockBitVector& blocks) {
    assignBlocks(blocks);
    return *this;
}

// This vector's words become the blocks' words, up to the highest used block.
void BitVector::assignBlocks(const BlockBitVector& blocks) {
    const int64_t bound = blocks.highestUsedBitBound();
    const int32_t blockWords = static_cast<int32_t>(bound >> kWordShift);
    if (blockWords > wordCount()) resize(static_cast<int32_t>(bound - 1));
    for (int32_t run = 0; run < wordsBelow(wordCount()); ++run) {
        const BitWordRun source = blocks.run(run);
        const int32_t first = run * kRunWords;
        const int32_t length = std::min(kRunWords, wordCount() - first);
        uint32_t* words = wordsForWrite(run, !source.empty());
        if (words == nullptr) continue;
        for (int32_t index = 0; index < length; ++index) words[index] = runWord(source, index);
    }
    count_ = blocks.knownCount();
}

uint32_t BitVector::word(int32_t index) const {
    if (index < 0 || index >= wordCount()) return 0;
    return bvwords_ != nullptr ? bvwords_[index] : bvwordsLarge_->get(index);
}

// The words of run `run` for writing: null for a missing page unless
// `allocate` (and then only when memory is short).
uint32_t* BitVector::wordsForWrite(int32_t run, bool allocate) {
    const int32_t first = run * kRunWords;
    if (bvwords_ != nullptr) return bvwords_ + first;
    const int32_t page = BitVectorSplitter::page(first);
    uint32_t* entries = bvwordsLarge_->pageEntries(page);
    if (entries == nullptr && allocate) entries = bvwordsLarge_->ensurePageEntries(page);
    return entries != nullptr ? entries + BitVectorSplitter::offset(first) : nullptr;
}

void BitVector::putWord(int32_t index, uint32_t value) {
    if (bvwords_ != nullptr) {
        bvwords_[index] = value;
    } else {
        bvwordsLarge_->put(index, value);
    }
}

// Words [first, end) become `value`; zero words of a large vector free the
// pages they cover whole and allocate none.
void BitVector::fillWords(int32_t first, int32_t end, uint32_t value) {
    if (bvwords_ != nullptr) {
        if (first < end) std::fill(bvwords_ + first, bvwords_ + end, value);
        return;
    }
    while (first < end) {
        const int32_t page = BitVectorSplitter::page(first);
        const int32_t length = std::min(end, (page + 1) * kPageWords) - first;
        uint32_t* entries = bvwordsLarge_->pageEntries(page);
        if (value == 0 && entries != nullptr && length == kPageWords) {
            bvwordsLarge_->freePage(page);
            entries = nullptr;
        } else if (value != 0 && entries == nullptr) {
            entries = bvwordsLarge_->ensurePageEntries(page);
        }
        if (entries != nullptr) {
            std::fill_n(entries + BitVectorSplitter::offset(first), length, value);
        }
        first += length;
    }
}

BitWordRun BitVector::run(int32_t run) const {
    const int32_t words = wordCount();
    if (run < 0 || run >= wordsBelow(words)) return {};
    const int32_t first = run * kRunWords;
    const int32_t length = std::min(kRunWords, words - first);
    if (bvwords_ != nullptr) return {bvwords_ + first, length, false, -1};
    const uint32_t* entries = bvwordsLarge_->pageEntries(BitVectorSplitter::page(first));
    if (entries == nullptr) return {};
    return {entries + BitVectorSplitter::offset(first), length, false, -1};
}

// Set beyond the last index or in a missing page.
void BitVector::setSlow(int32_t index) {
    if (index < 0) return;
    if (index > lastIndex_) resize(index);
    const int32_t wordIndex = index >> kWordShift;
    uint32_t* word = wordAddress(wordIndex);
    if (word == nullptr) {
        uint32_t* entries = bvwordsLarge_->ensurePageEntries(BitVectorSplitter::page(wordIndex));
        if (entries == nullptr) return;
        word = entries + BitVectorSplitter::offset(wordIndex);
    }
    const uint32_t mask = uint32_t{1} << (index & kWordMask);
    if ((*word & mask) == 0 && count_ >= 0) ++count_;
    *word |= mask;
}

void BitVector::clear(int32_t index) {
    uint32_t* word = index >= 0 && index <= lastIndex_ ? wordAddress(index >> kWordShift) : nullptr;
    const uint32_t mask = uint32_t{1} << (index & kWordMask);
    if (word == nullptr || (*word & mask) == 0) return;
    *word &= ~mask;
    if (count_ > 0) --count_;
}

void BitVector::setRange(int32_t first, int32_t last) { changeRange(first, last, true); }

void BitVector::clearRange(int32_t first, int32_t last) {
    if (count_ != 0) changeRange(first, last, false);
}

// Bits [first, last], cut to the vector, become `value`: the whole words
// inside at once, the partial end words masked.
void BitVector::changeRange(int32_t first, int32_t last, bool value) {
    first = std::max(first, 0);
    last = std::min(last, lastIndex_);
    if (first > last) return;
    const int32_t firstWord = first >> kWordShift;
    const int32_t lastWord = last >> kWordShift;
    const int32_t wholeFrom = (first & kWordMask) == 0 ? firstWord : firstWord + 1;
    const int32_t wholeEnd = (last & kWordMask) == kWordMask ? lastWord + 1 : lastWord;
    auto applyMask = [this, value](int32_t index, uint32_t mask) {
        putWord(index, value ? word(index) | mask : word(index) & ~mask);
    };
    const uint32_t head = kAllOnes << (first & kWordMask);
    const uint32_t tail = kAllOnes >> (kWordMask - (last & kWordMask));
    if (firstWord == lastWord) {
        applyMask(firstWord, head & tail);
    } else {
        if (wholeFrom > firstWord) applyMask(firstWord, head);
        fillWords(wholeFrom, wholeEnd, value ? kAllOnes : 0);
        if (wholeEnd <= lastWord) applyMask(lastWord, tail);
    }
    count_ = -1;
}

void BitVector::clearAll() {
    if (count_ == 0) return;
    fillWords(0, wordCount(), 0);
    count_ = 0;
}

void BitVector::setAll() {
    fillWords(0, wordCount(), kAllOnes);
    putWord(0, word(0) & ~uint32_t{1});
    count_ = lastIndex_;
}

void BitVector::setFirst(int32_t n) {
    n = std::max(n, 0);
    if (n > lastIndex_) resize(n);
    fillWords(0, wordCount(), 0);
    if (n > 0) setRange(1, n);
    count_ = n;
}

void BitVector::invert() {
    const int32_t words = wordCount();
    for (int32_t run = 0; run < wordsBelow(words); ++run) {
        uint32_t* entries = wordsForWrite(run, true);
        if (entries == nullptr) continue;
        const int32_t length = std::min(kRunWords, words - run * kRunWords);
        combineConstant(entries, kAllOnes, length, [](uint32_t word, uint32_t ones) { return word ^ ones; });
    }
    count_ = -1;
}

namespace {

// The first index at or after `start` whose bit, xor `flip`, is set; -1 when
// none is within the vector.
int32_t scanUp(const BitVector& vector, int32_t start, uint32_t flip) {
    const int32_t words = vector.wordCount();
    int32_t wordIndex = start >> kWordShift;
    uint32_t bits = (vector.word(wordIndex) ^ flip) & (kAllOnes << (start & kWordMask));
    while (bits == 0) {
        if (++wordIndex >= words) return -1;
        const BitWordRun run = vector.run(wordIndex / kRunWords);
        const int32_t runEnd = std::min(words, (wordIndex / kRunWords + 1) * kRunWords);
        if (run.words == nullptr) {
            if (flip != 0) return wordIndex * 32;
            wordIndex = runEnd - 1;
            continue;
        }
        const int32_t runStart = (wordIndex / kRunWords) * kRunWords;
        while (wordIndex < runEnd - 1 && (run.words[wordIndex - runStart] ^ flip) == 0) ++wordIndex;
        bits = run.words[wordIndex - runStart] ^ flip;
    }
    return wordIndex * 32 + std::countr_zero(bits);
}

// The last index at or before `start` whose bit, xor `flip`, is set; -1 when
// none is.
int32_t scanDown(const BitVector& vector, int32_t start, uint32_t flip) {
    int32_t wordIndex = start >> kWordShift;
    uint32_t bits = (vector.word(wordIndex) ^ flip) & (kAllOnes >> (kWordMask - (start & kWordMask)));
    while (bits == 0) {
        if (--wordIndex < 0) return -1;
        const BitWordRun run = vector.run(wordIndex / kRunWords);
        const int32_t runStart = (wordIndex / kRunWords) * kRunWords;
        if (run.words == nullptr) {
            if (flip != 0) return wordIndex * 32 + kWordMask;
            wordIndex = runStart;
            continue;
        }
        while (wordIndex > runStart && (run.words[wordIndex - runStart] ^ flip) == 0) --wordIndex;
        bits = run.words[wordIndex - runStart] ^ flip;
    }
    return wordIndex * 32 + kWordMask - std::countl_zero(bits);
}

}  // namespace

int32_t BitVector::nextSet(int32_t after) const {
    if (after >= lastIndex_) return -1;
    const int32_t start = std::max(after, -1) + 1;
    // Most steps of a walk end in the word they start in.
    if (const uint32_t* word = wordAddress(start >> kWordShift)) {
        const uint32_t bits = *word & (kAllOnes << (start & kWordMask));
        if (bits != 0) return (start & ~kWordMask) + std::countr_zero(bits);
    }
    return scanUp(*this, start, 0);
}

int32_t BitVector::nextClear(int32_t after) const {
    if (after >= lastIndex_) return -1;
    return scanUp(*this, std::max(after, -1) + 1, kAllOnes);
}

int32_t BitVector::prevSet(int32_t before) const {
    if (before <= 0) return -1;
    return scanDown(*this, std::min(before - 1, lastIndex_), 0);
}

int32_t BitVector::prevClear(int32_t before) const {
    if (before <= 0) return -1;
    return scanDown(*this, std::min(before - 1, lastIndex_), kAllOnes);
}

int32_t BitVector::count() const {
    if (count_ >= 0) return count_;
    int64_t total = 0;
    for (int32_t index = 0; index < wordsBelow(wordCount()); ++index) {
        const BitWordRun words = run(index);
        if (words.words != nullptr) total += tesCountBits(words.words, words.length);
    }
    count_ = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    return count_;
}

int32_t BitVector::highestNonZeroWord() const {
    for (int32_t index = wordsBelow(wordCount()) - 1; index >= 0; --index) {
        const BitWordRun words = run(index);
        if (words.words == nullptr) continue;
        for (int32_t offset = words.length - 1; offset >= 0; --offset) {
            if (words.words[offset] != 0) return index * kRunWords + offset;
        }
    }
    return -1;
}

void BitVector::resize(int32_t index) {
    const int32_t needIndex = std::max(index, kWordMask);
    if (needIndex == lastIndex_) return;
    const int32_t capacity = needIndex > lastIndex_ ? doubledCapacity(lastIndex_, needIndex) : needIndex;
    const int32_t oldWords = wordCount();
    const int32_t neededWords = needIndex / 32 + 1;
    if (oldWords == neededWords) return;
    if (neededWords < oldWords) count_ = -1;
    const int32_t words = resizedWords(oldWords, neededWords, capacity / 32 + 1);
    lastIndex_ = static_cast<int32_t>(int64_t{words} * 32 - 1);
}

// Moves the words to storage for `neededWords` (offering `offeredWords` when
// growing); the number of words the storage now holds.
int32_t BitVector::resizedWords(int32_t oldWords, int32_t neededWords, int32_t offeredWords) {
    if (bvwordsLarge_ != nullptr && neededWords < kSmallBelow) {
        toSmall(neededWords);
        return neededWords;
    }
    if (bvwords_ != nullptr && neededWords >= kLargeOnGrowthFrom && memoryManagerExists()) {
        toLarge(oldWords, offeredWords);
        return offeredWords;
    }
    if (bvwords_ != nullptr) {
        const int32_t offer = neededWords >= kLargeOnGrowthFrom ? offeredWords : std::min(offeredWords, kSmallOfferLimit);
        return nelRealloc(bvwords_, oldWords, neededWords, offer);
    }
    if (bvwordsLarge_ != nullptr) {
        bvwordsLarge_->resize(neededWords > oldWords ? offeredWords : neededWords, true);
        return bvwordsLarge_->size();
    }
    TES_ASSERT(false, "0");
    return oldWords;
}

void BitVector::toSmall(int32_t neededWords) {
    TES_ASSERT(!bvwords_, "!bvwords_");
    nelMalloc(bvwords_, neededWords);
    for (int32_t index = 0; index < neededWords; ++index) bvwords_[index] = bvwordsLarge_->get(index);
    delete bvwordsLarge_;
    bvwordsLarge_ = nullptr;
}

void BitVector::toLarge(int32_t oldWords, int32_t offeredWords) {
    TES_ASSERT(!bvwordsLarge_, "!bvwordsLarge_");
    bvwordsLarge_ = new LargeWords(offeredWords);
    for (int32_t index = 0; index < oldWords; ++index) bvwordsLarge_->put(index, bvwords_[index]);
    nelFree(bvwords_);
    bvwords_ = nullptr;
}

// Room for word `wordIndex`: the vector grows to hold the word's first bit.
void BitVector::growToWord(int32_t wordIndex) {
    if (wordIndex >= wordCount()) resize(wordIndex * 32);
}

void BitVector::shrinkTo(const BitVector& other) {
    const int32_t index = (other.highestNonZeroWord() + 1) * 32 - 1;
    if (index < lastIndex_) resize(index);
}

// this = this op source, run by run over this vector's words. A missing page
// of a large vector is 0, so and and and-not leave it missing.
template <BitVector::WordOp kOp, class Runs>
void BitVector::combine(const Runs& runs) {
    const int32_t words = wordCount();
    const bool allocate = kOp == WordOp::kOr || kOp == WordOp::kXor;
    for (int32_t run = 0; run < wordsBelow(words); ++run) {
        const BitWordRun source = runs(run);
        if (kOp == WordOp::kAnd ? (source.full && source.words == nullptr) : source.empty()) continue;
        uint32_t* target = wordsForWrite(run, allocate);
        if (target == nullptr) continue;
        const int32_t length = std::min(kRunWords, words - run * kRunWords);
        if constexpr (kOp == WordOp::kAnd) {
            applyRun(target, length, source, [](uint32_t a, uint32_t b) { return a & b; }, kAllOnes);
        } else if constexpr (kOp == WordOp::kOr) {
            applyRun(target, length, source, [](uint32_t a, uint32_t b) { return a | b; }, 0);
        } else if constexpr (kOp == WordOp::kXor) {
            applyRun(target, length, source, [](uint32_t a, uint32_t b) { return a ^ b; }, 0);
        } else {
            applyRun(target, length, source, [](uint32_t a, uint32_t b) { return a & ~b; }, 0);
        }
    }
    count_ = -1;
}

BitVector& BitVector::operator&=(const BitVector& other) {
    if (count_ == 0) return *this;
    if (other.count_ == 0) {
        clearAll();
        return *this;
    }
    combine<WordOp::kAnd>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::operator|=(const BitVector& other) {
    if (other.count_ == 0) return *this;
    growToWord(other.highestNonZeroWord());
    combine<WordOp::kOr>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::operator^=(const BitVector& other) {
    if (other.count_ == 0) return *this;
    growToWord(other.highestNonZeroWord());
    combine<WordOp::kXor>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::andNot(const BitVector& other) {
    if (count_ == 0 || other.count_ == 0) return *this;
    combine<WordOp::kAndNot>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::operator&=(const BlockBitVector& other) {
    if (count_ == 0) return *this;
    if (other.knownCount() == 0) {
        clearAll();
        return *this;
    }
    combine<WordOp::kAnd>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::operator|=(const BlockBitVector& other) {
    if (other.knownCount() == 0) return *this;
    growToWord(other.prevSet(INT32_MAX) >> kWordShift);
    combine<WordOp::kOr>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::operator^=(const BlockBitVector& other) {
    if (other.knownCount() == 0) return *this;
    growToWord(other.prevSet(INT32_MAX) >> kWordShift);
    combine<WordOp::kXor>([&other](int32_t run) { return other.run(run); });
    return *this;
}

BitVector& BitVector::andNot(const BlockBitVector& other) {
    if (count_ == 0 || other.knownCount() == 0) return *this;
    combine<WordOp::kAndNot>([&other](int32_t run) { return other.run(run); });
    return *this;
}

void BitVector::copyContents(const BitVector& other) {
    growToWord(other.highestNonZeroWord());
    const int32_t words = wordCount();
    for (int32_t run = 0; run < wordsBelow(words); ++run) {
        const BitWordRun source = other.run(run);
        uint32_t* target = wordsForWrite(run, !source.empty());
        if (target == nullptr) continue;
        const int32_t length = std::min(kRunWords, words - run * kRunWords);
        for (int32_t index = 0; index < length; ++index) target[index] = runWord(source, index);
    }
    count_ = other.count_;
}

bool BitVector::operator==(const BitVector& other) const {
    if (count_ >= 0 && other.count_ >= 0 && count_ != other.count_) return false;
    const int32_t runs = std::max(wordsBelow(wordCount()), wordsBelow(other.wordCount()));
    for (int32_t index = 0; index < runs; ++index) {
        const BitWordRun mine = run(index);
        const BitWordRun theirs = other.run(index);
        if (mine.empty() && theirs.empty()) continue;
        for (int32_t offset = 0; offset < kRunWords; ++offset) {
            if (runWord(mine, offset) != runWord(theirs, offset)) return false;
        }
    }
    return true;
}

bool BitVector::isDisjoint(const BitVector& other) const {
    const int32_t runs = std::min(wordsBelow(wordCount()), wordsBelow(other.wordCount()));
    for (int32_t index = 0; index < runs; ++index) {
        const BitWordRun mine = run(index);
        const BitWordRun theirs = other.run(index);
        if (mine.empty() || theirs.empty()) continue;
        for (int32_t offset = 0; offset < kRunWords; ++offset) {
            if ((runWord(mine, offset) & runWord(theirs, offset)) != 0) return false;
        }
    }
    return true;
}

bool BitVector::thin(double fraction, ITesRandom* random) {
    const int32_t total = count();
    IPtr<ITesRandom> service;
    if (random == nullptr) {
        service = SPtr<ITesRandom>(kRandomService);
        if (!service) return false;
        service->seed(static_cast<uint32_t>(total) * 2 + kThinSeedOffset);
        random = service.get();
    }
    int64_t keep = 0;
    if (fraction >= 1.0) {
        keep = total;
    } else if (fraction > 0.0) {
        keep = std::llround(fraction * total);
    }
    int32_t remaining = total;
    for (int32_t bit = nextSet(-1); bit >= 0; bit = nextSet(bit)) {
        if (random->below(remaining) < keep) {
            --keep;
        } else {
            clear(bit);
        }
        --remaining;
    }
    return true;
}

bool BitVector::split(int32_t parts, std::span<int32_t> firstBits, std::span<int32_t> setBefore) const {
    if (parts < 1) return false;
    const size_t entries = static_cast<size_t>(parts) + 1;
    if (firstBits.size() < entries || setBefore.size() < entries) return false;
    const int64_t total = count();
    int32_t bit = nextSet(-1);
    int64_t ordinal = 0;
    for (int32_t part = 0; part < parts; ++part) {
        const int64_t target = part * total / parts;
        for (; ordinal < target && bit >= 0; ++ordinal) bit = nextSet(bit);
        firstBits[static_cast<size_t>(part)] = bit;
        setBefore[static_cast<size_t>(part)] = static_cast<int32_t>(target);
    }
    firstBits[static_cast<size_t>(parts)] = -1;
    setBefore[static_cast<size_t>(parts)] = static_cast<int32_t>(total);
    return true;
}

void BitVector::assignMapped(const TesMM::IntArray& map, const BitVector& other) {
    TesMM::IntArray::NonZeroIter entry(map);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (entry.value() < 0) continue;
        if (other.test(entry.index())) {
            set(entry.value());
        } else {
            clear(entry.value());
        }
    }
}

void BitVector::andMapped(const TesMM::IntArray& map, const BitVector& other) {
    TesMM::IntArray::NonZeroIter entry(map);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (entry.value() >= 0 && !other.test(entry.index())) clear(entry.value());
    }
}

void BitVector::orMapped(const TesMM::IntArray& map, const BitVector& other) {
    TesMM::IntArray::NonZeroIter entry(map);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (other.test(entry.index())) set(entry.value());
    }
}

void BitVector::toggleMapped(const TesMM::IntArray& map) {
    TesMM::IntArray::NonZeroIter entry(map);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (test(entry.value())) {
            clear(entry.value());
        } else {
            set(entry.value());
        }
    }
}

void BitVector::print(std::ostream& out) const {
    out << kCountLabel << count() << '\n';
    int32_t printed = 0;
    for (int32_t bit = nextSet(-1); bit >= 0; bit = nextSet(bit)) {
        out << bit << ' ';
        if (++printed % kBitsPerLine == 0) out << '\n';
    }
    out << '\n';
}

void BitVector::print() const {
    print(std::cout);
    std::cout.flush();
}

bool BitVector::write(BinOutput& out) const {
    const uint32_t words = static_cast<uint32_t>(wordCount());
    const uint32_t version = out.version();
    const bool sparse = words >= kSparseFromWords && (version == 0 || version >= kSparseFromVersion) &&
                        count() < static_cast<int32_t>(words / 2);
    const int32_t sparseFlag = sparse ? 1 : 0;
    const bool header = magic_.write(out) && out.write(&words, 1) && out.write(&lastIndex_, 1) &&
                        out.write(&sparseFlag, 1) && out.write(&count_, 1);
    if (!header) return false;
    return sparse ? writeSparse(out) : writeDense(out);
}

bool BitVector::writeSparse(BinOutput& out) const {
    return tesWriteSparseIndices(out, *this);
}

bool BitVector::writeDense(BinOutput& out) const {
    const int32_t words = wordCount();
    if (bvwords_ != nullptr) return out.write(bvwords_, static_cast<size_t>(words));
    for (int32_t first = 0; first < words; first += kPageWords) {
        const uint32_t* entries = bvwordsLarge_->pageEntries(BitVectorSplitter::page(first));
        if (entries == nullptr) entries = zeroPage().data();
        if (!out.write(entries, static_cast<size_t>(std::min(kPageWords, words - first)))) return false;
    }
    return true;
}

bool BitVector::read(BinInput& in) {
    BinMagic tag = magic_;
    if (!tag.readCompatible(in)) return false;
    magic_ = tag;
    uint32_t words = 0;
    int32_t last = 0;
    int32_t sparse = 0;
    int32_t stored = 0;
    if (!in.read(&words, 1) || !in.read(&last, 1) || !in.read(&sparse, 1) || !in.read(&stored, 1)) return false;
    releaseStorage();
    makeStorage(1);
    count_ = 0;
    if (words < 1 || last < 1) return true;
    if (words > static_cast<uint32_t>(kMaxWords) || (sparse != 0 && sparse != 1)) return false;
    const int64_t payload = sparse == 1 ? stored : int64_t{words};
    if (payload < 0 || !inputHolds(in, payload)) return false;
    releaseStorage();
    makeStorage(static_cast<int32_t>(words));
    count_ = -1;
    return sparse == 1 ? readSparse(in, stored) : readDense(in);
}

bool BitVector::readDense(BinInput& in) {
    const int32_t words = wordCount();
    if (bvwords_ != nullptr) return in.read(bvwords_, static_cast<size_t>(words));
    std::array<uint32_t, kPageWords> values;
    for (int32_t first = 0; first < words; first += kPageWords) {
        const int32_t length = std::min(kPageWords, words - first);
        values.fill(0);
        const bool complete = in.read(values.data(), static_cast<size_t>(length));
        for (int32_t offset = 0; offset < length; ++offset) bvwordsLarge_->put(first + offset, values[offset]);
        if (!complete) return false;
    }
    return true;
}

bool BitVector::readSparse(BinInput& in, int32_t indices) {
    count_ = 0;
    return tesReadSparseIndices(in, indices, [this](int32_t index) { set(index); });
}

ProgBitVectorIter::ProgBitVectorIter(const BitVector& vector, bool setBits)
    : vector_(&vector), step_(setBits ? &BitVector::nextSet : &BitVector::nextClear),
      progress_(SPtr<ITesProgress>(kProgressService)), interval_(std::max(1, vector.lastIndex() / kProgressSteps)) {}

ProgBitVectorIter::~ProgBitVectorIter() {
    if (progress_) progress_->report(1.0f);
}

void ProgBitVectorIter::reset(const BitVector& vector) {
    vector_ = &vector;
    index_ = -1;
    counter_ = 0;
    interval_ = std::max(1, vector.lastIndex() / kProgressSteps);
    ended_ = false;
    stopped_ = false;
}

int32_t ProgBitVectorIter::next() {
    if (ended_) return -1;
    index_ = (vector_->*step_)(index_);
    ended_ = index_ < 0;
    if (ended_ || index_ < counter_ || !progress_) return index_;
    counter_ = static_cast<int32_t>(std::min<int64_t>(int64_t{index_} + interval_, INT32_MAX));
    const double fraction = static_cast<double>(index_) / (static_cast<double>(vector_->lastIndex()) + 1.0);
    if (progress_->report(static_cast<float>(fraction))) return index_;
    stopped_ = true;
    ended_ = true;
    index_ = -1;
    return -1;
}
