// BitVector: a growable set of non-negative integers stored as 32-bit words,
// bit i in word i >> 5 at position i & 31. Small vectors keep their words in
// one block; large ones (4096 words and more, when the host memory manager
// exists) in a paged word array whose pages exist only where a word is not 0.
// The number of set bits is cached; -1 means unknown. Bit 0 is reserved by the
// fill operations (set all, set first n), which set bits 1 ... n.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>

#include "binio.h"
#include "hostapi/infrastructure.h"
#include "iptr.h"
#include "tesmmarray.h"
#include "tesobject.h"

class BlockBitVector;
namespace TesMM {
class IntArray;
}

// The large word array splits like the integer array: 2048 words to a page.
struct BitVectorSplitter : TesMM::Splitter<uint32_t> {};

// The set bits among `count` words.
int32_t tesCountBits(const uint32_t* words, int32_t count);

// 1024 consecutive words of a bit set (a run), as the combining operations of
// BitVector and BlockBitVector read each other. With `words` set, words[0 ...
// length) are the run's first words and the rest are 0; without, every word is
// 0, or all ones when `full`. `count` is its set bits, -1 when unknown.
struct BitWordRun {
    static constexpr int32_t kWords = 1024;

    const uint32_t* words = nullptr;
    int32_t length = 0;
    bool full = false;
    int32_t count = 0;

    bool empty() const { return words == nullptr && !full; }
};

class BitVector : public TesShared {
public:
    // The record tag: tag 0x315E97, version 0xD6.
    static constexpr int32_t kMagicWord = 0x315E97D6;
    // Words beyond this would put the last index past a signed 32-bit value.
    static constexpr int32_t kMaxWords = 1 << 26;
    using LargeWords = TesMM::Array<uint32_t, BitVectorSplitter>;

    // One zero word: last index 31, count 0.
    BitVector();
    // Room for bit `bits`: max(bits >> 5, 0) + 1 words, all zero.
    explicit BitVector(int32_t bits);
    // The same storage kind, words, count and last index.
    BitVector(const BitVector& other);
    // The set bits of `blocks`, in words up to its highest used block.
    explicit BitVector(const BlockBitVector& blocks);
    ~BitVector() override;

    // Copies like the copy constructor, except that a small vector already
    // large enough keeps its storage (and last index), zeroing the words
    // beyond the other's.
    BitVector& operator=(const BitVector& other);
    BitVector& operator=(const BlockBitVector& blocks);

    // False beyond the last index.
    bool test(int32_t index) const {
        if (index < 0 || index > lastIndex_) return false;
        const uint32_t* word = wordAddress(index >> 5);
        return word != nullptr && (*word & (uint32_t{1} << (index & 31))) != 0;
    }
    // Grows the vector to hold `index` when needed. A negative index is ignored.
    void set(int32_t index) {
        uint32_t* word = index >= 0 && index <= lastIndex_ ? wordAddress(index >> 5) : nullptr;
        if (word == nullptr) {
            setSlow(index);
            return;
        }
        const uint32_t mask = uint32_t{1} << (index & 31);
        if ((*word & mask) == 0 && count_ >= 0) ++count_;
        *word |= mask;
    }
    // Nothing beyond the last index.
    void clear(int32_t index);
    // [first, last], last cut to the last index; nothing when first is beyond
    // it. The count becomes unknown (set) or stays 0 (clear).
    void setRange(int32_t first, int32_t last);
    void clearRange(int32_t first, int32_t last);
    // All words zero, count 0.
    void clearAll();
    // Bits 1 ... last index set, bit 0 clear, count = last index.
    void setAll();
    // Bits 1 ... n set and every other bit clear, count n; grows to hold n.
    void setFirst(int32_t n);
    // Every bit of the storage, up to the last index; the count becomes unknown.
    void invert();

    // Searches answer -1 when nothing is found; a start of -1 means a start
    // before bit 0.
    int32_t nextSet(int32_t after) const;
    int32_t nextClear(int32_t after) const;
    int32_t prevSet(int32_t before) const;
    int32_t prevClear(int32_t before) const;

    // The cached count, or the set bits counted (and cached).
    int32_t count() const;
    // The cached count: -1 when unknown.
    int32_t knownCount() const { return count_; }
    int32_t lastIndex() const { return lastIndex_; }
    int32_t wordCount() const { return lastIndex_ / 32 + 1; }
    // True when the words are in the paged array.
    bool isLarge() const { return bvwordsLarge_ != nullptr; }
    const LargeWords* largeWords() const { return bvwordsLarge_; }
    uint32_t word(int32_t index) const;
    // The index of the highest word that is not 0; -1 when all are.
    int32_t highestNonZeroWord() const;
    // Words [run × 1024, + 1024); words beyond the vector are 0.
    BitWordRun run(int32_t run) const;

    // The combining operations leave the count unknown. And does nothing when
    // this count is 0, clears this when the other's is 0, and zeroes this
    // vector's words beyond the other's; or and exclusive or grow this to the
    // other's highest non-zero word; and-not does nothing when either count is 0.
    BitVector& operator&=(const BitVector& other);
    BitVector& operator|=(const BitVector& other);
    BitVector& operator^=(const BitVector& other);
    BitVector& andNot(const BitVector& other);
    BitVector& operator&=(const BlockBitVector& other);
    BitVector& operator|=(const BlockBitVector& other);
    BitVector& operator^=(const BlockBitVector& other);
    BitVector& andNot(const BlockBitVector& other);

    // The other's words, keeping this storage grown to the other's highest
    // non-zero word; this takes the other's count.
    void copyContents(const BitVector& other);
    // Known counts agree and every word agrees, a missing word counting as 0.
    bool operator==(const BitVector& other) const;
    // No word pair shares a bit.
    bool isDisjoint(const BitVector& other) const;
    // Grows (doubling the last index) or shrinks the storage to hold bit
    // `index` (at least 31). Shrinking makes the count unknown.
    void resize(int32_t index);
    // Shrinks to hold the other's highest non-zero word.
    void shrinkTo(const BitVector& other);

    // Keeps round(fraction × count) of the set bits, each subset equally
    // likely. Without a generator the host's "ITesRandom", seeded with
    // 2 × count + 412, is used; false, changing nothing, when there is none.
    bool thin(double fraction, ITesRandom* random = nullptr);
    // Parts 0 ... parts - 1 of the set bits: firstBits[k] is the set bit
    // numbered ⌊k × count / parts⌋ (counting from 0) and setBefore[k] that
    // number; entry `parts` holds -1 and the count. False, filling nothing,
    // for parts < 1 or arrays shorter than parts + 1.
    bool split(int32_t parts, std::span<int32_t> firstBits, std::span<int32_t> setBefore) const;

    // Through `map`, walking its non-zero entries k with v = map[k] in index
    // order (negative v skipped): bit v takes bit k of `other`; stays set only
    // where bit k is set; is set where bit k is set; is inverted.
    void assignMapped(const TesMM::IntArray& map, const BitVector& other);
    void andMapped(const TesMM::IntArray& map, const BitVector& other);
    void orMapped(const TesMM::IntArray& map, const BitVector& other);
    void toggleMapped(const TesMM::IntArray& map);
    // Bits that change place, the count staying exact. gather: the bits at the
    // set positions of `mask`, in ascending order, become bits 1, 2, ... and
    // every other bit is cleared (a selection following its points when they
    // are packed). moveMapped: each mapped bit k moves to v = map[k] (negative
    // v skipped), every source cleared before any target is written; unmapped
    // bits stay. remap: the same, but unmapped bits are dropped (the selection
    // of points renumbered by `map`, entry 0 or negative: removed).
    void gather(const BitVector& mask);
    void moveMapped(const TesMM::IntArray& map);
    void remap(const TesMM::IntArray& map);

    // "numSet=" and the count, a line end, then the set bits ascending, each
    // followed by a space, a line end after every eighth and at the end.
    void print(std::ostream& out) const;
    void print() const;

    // The record: tag, words, last index, sparse flag, count, then the set
    // bits (sparse) or the words. Sparse when there are more than 32 words,
    // the stream's version is 0 or at least 13, and the count is below half
    // the words. The stream's status after the last value.
    bool write(BinOutput& out) const;
    // A tag of another kind answers false and reads no further. Once the
    // header is read the old storage is released: a record that fails from
    // then on leaves a partial vector. Refused, leaving the empty vector:
    // more than 2^26 words, a sparse flag other than 0 or 1, a negative count
    // in the sparse form, and a payload longer than the rest of an input of
    // known length. A negative sparse index stops the read with false. A word
    // count or last index below 1 gives the empty vector. The stored count is
    // not taken: a dense read leaves it unknown, a sparse one counts the bits.
    bool read(BinInput& in);
    const BinMagic& magic() const { return magic_; }
    static bool isMagic(uint32_t word) { return word == static_cast<uint32_t>(kMagicWord); }

private:
    enum class WordOp { kAnd, kOr, kXor, kAndNot };

    // Word `index` (below wordCount()); null in a missing page.
    uint32_t* wordAddress(int32_t index) const {
        if (bvwords_ != nullptr) return bvwords_ + index;
        auto* page = static_cast<uint32_t*>(bvwordsLarge_->page(BitVectorSplitter::page(index)));
        return page != nullptr ? page + BitVectorSplitter::offset(index) : nullptr;
    }

    void setSlow(int32_t index);
    void releaseStorage();
    void makeStorage(int32_t words);
    void copyFrom(const BitVector& other);
    uint32_t* wordsForWrite(int32_t run, bool allocate);
    void putWord(int32_t index, uint32_t value);
    void fillWords(int32_t first, int32_t end, uint32_t value);
    void changeRange(int32_t first, int32_t last, bool value);
    int32_t resizedWords(int32_t oldWords, int32_t neededWords, int32_t offeredWords);
    void toSmall(int32_t neededWords);
    void toLarge(int32_t oldWords, int32_t offeredWords);
    template <WordOp kOp, class Runs>
    void combine(const Runs& runs);
    void growToWord(int32_t wordIndex);
    void assignBlocks(const BlockBitVector& blocks);
    bool writeSparse(BinOutput& out) const;
    bool writeDense(BinOutput& out) const;
    bool readDense(BinInput& in);
    bool readSparse(BinInput& in, int32_t indices);

    uint32_t* bvwords_ = nullptr;
    LargeWords* bvwordsLarge_ = nullptr;
    BinMagic magic_{kMagicWord};
    int32_t lastIndex_ = 31;
    mutable int32_t count_ = 0;
};

// Walks the set bits (or the clear bits) of a vector and reports the position
// to the host's "ITesProgress" display about a hundred times over the vector;
// destruction reports completion (1.0).
class ProgBitVectorIter {
public:
    // setBits: true walks the set bits, false the clear bits.
    explicit ProgBitVectorIter(const BitVector& vector, bool setBits = true);
    ~ProgBitVectorIter();
    ProgBitVectorIter(const ProgBitVectorIter&) = delete;
    ProgBitVectorIter& operator=(const ProgBitVectorIter&) = delete;

    // Starts over on `vector`: index -1, counter 0, a new report interval.
    void reset(const BitVector& vector);
    // The next index; -1 at the end, and from the moment the display asked to
    // stop (stopped() tells which).
    int32_t next();
    int32_t index() const { return index_; }
    bool stopped() const { return stopped_; }

private:
    using Step = int32_t (BitVector::*)(int32_t) const;

    const BitVector* vector_;
    int32_t index_ = -1;
    Step step_;
    // The index from which the next report is due.
    int32_t counter_ = 0;
    IPtr<ITesProgress> progress_;
    int32_t interval_;
    bool ended_ = false;
    bool stopped_ = false;
};
