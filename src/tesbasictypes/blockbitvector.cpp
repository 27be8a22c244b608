#include "blockbitvector.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

#include "bitblockcache.h"
#include "nelrealloc.h"
#include "sparseindices.h"

namespace {

constexpr int32_t kBlockShift = 15;
constexpr int32_t kWordShift = 5;
constexpr int32_t kWordMask = 31;
constexpr int32_t kBlockWordMask = BlockBitVector::kBlockWords - 1;
constexpr int32_t kBlockWords = BlockBitVector::kBlockWords;
constexpr uint32_t kAllOnes = ~uint32_t{0};
constexpr int32_t kMaxWords = BitVector::kMaxWords;
constexpr uint32_t kSparseFromVersion = 13;  // and version 0
constexpr uint32_t kSparseFromWords = 33;
constexpr int32_t kArrayEntryBytes = static_cast<int32_t>(sizeof(uint32_t*) + sizeof(int32_t));

const std::array<uint32_t, kBlockWords>& constantBlock(bool ones) {
    static const std::array<uint32_t, kBlockWords> zeros{};
    static const std::array<uint32_t, kBlockWords> allOnes = [] {
        std::array<uint32_t, kBlockWords> words;
        words.fill(kAllOnes);
        return words;
    }();
    return ones ? allOnes : zeros;
}

uint32_t runWord(const BitWordRun& run, int32_t index) {
    if (run.words != nullptr) return index < run.length ? run.words[index] : 0;
    return run.full ? kAllOnes : 0;
}

bool inputHolds(BinInput& in, int64_t values) {
    if (in.length() <= 0) return true;
    return values * 4 <= in.length() - in.tell();
}

// The first set bit of `words` at or after `start` (a bit offset in the
// block); -1 when none.
int32_t firstSetFrom(const uint32_t* words, int32_t start) {
    int32_t word = start >> kWordShift;
    uint32_t bits = words[word] & (kAllOnes << (start & kWordMask));
    while (bits == 0) {
        if (++word == kBlockWords) return -1;
        bits = words[word];
    }
    return word * 32 + std::countr_zero(bits);
}

// The last set bit of `words` at or before `start`; -1 when none.
int32_t lastSetUpTo(const uint32_t* words, int32_t start) {
    int32_t word = start >> kWordShift;
    uint32_t bits = words[word] & (kAllOnes >> (kWordMask - (start & kWordMask)));
    while (bits == 0) {
        if (--word < 0) return -1;
        bits = words[word];
    }
    return word * 32 + kWordMask - std::countl_zero(bits);
}

}  // namespace

BlockBitVector::BlockBitVector(int32_t bits) { growTo(std::max(1, bits >> kBlockShift)); }

BlockBitVector::BlockBitVector(const BlockBitVector& other) : TesShared() { copyFrom(other); }

BlockBitVector::BlockBitVector(BlockBitVector&& other) noexcept : TesShared() { swap(other); }

BlockBitVector::BlockBitVector(const BitVector& bits) { assignBits(bits); }

BlockBitVector::~BlockBitVector() { releaseBlocks(); }

BlockBitVector& BlockBitVector::operator=(const BlockBitVector& other) {
    if (this == &other) return *this;
    releaseBlocks();
    copyFrom(other);
    return *this;
}

BlockBitVector& BlockBitVector::operator=(const BitVector& bits) {
    releaseBlocks();
    assignBits(bits);
    return *this;
}

// Both arrays hold at least `blockCount` entries, new ones empty, and the last
// block is at least blockCount - 1.
void BlockBitVector::growTo(int32_t blockCount) {
    if (blockCount > capacity_) {
        const int64_t grown = tesGrowCapacity(blockCount, capacity_, static_cast<int32_t>(sizeof(uint32_t*)));
        const int32_t capacity = static_cast<int32_t>(std::min<int64_t>(grown, INT32_MAX / kArrayEntryBytes));
        nelRealloc(blocks_, capacity_, capacity);
        nelRealloc(counts_, capacity_, capacity);
        std::fill(blocks_ + capacity_, blocks_ + capacity, nullptr);
        std::fill(counts_ + capacity_, counts_ + capacity, 0);
        capacity_ = capacity;
    }
    lastBlock_ = std::max(lastBlock_, blockCount - 1);
}

void BlockBitVector::releaseBlocks() {
    for (int32_t block = 0; block < capacity_; ++block) BitBlockCache::give(blocks_[block]);
    nelFree(blocks_);
    nelFree(counts_);
    blocks_ = nullptr;
    counts_ = nullptr;
    capacity_ = 0;
    lastBlock_ = -1;
    count_ = 0;
}

void BlockBitVector::copyFrom(const BlockBitVector& other) {
    growTo(other.lastBlock_ + 1);
    for (int32_t block = 0; block <= other.lastBlock_; ++block) {
        if (other.blocks_[block] != nullptr) blocks_[block] = BitBlockCache::takeCopy(other.blocks_[block], kBlockWords);
        counts_[block] = other.counts_[block];
    }
    lastBlock_ = other.lastBlock_;
    count_ = other.count_;
}

void BlockBitVector::assignBits(const BitVector& bits) {
    const int32_t words = bits.wordCount();
    growTo((words >> 10) + 1);
    for (int32_t block = 0; block <= (words - 1) >> 10; ++block) {
        const BitWordRun run = bits.run(block);
        if (run.words == nullptr) continue;
        blocks_[block] = BitBlockCache::takeCopy(run.words, run.length);
        counts_[block] = -1;
    }
    count_ = -1;
}

int32_t BlockBitVector::blockCount(int32_t block) const {
    return block >= 0 && block <= lastBlock_ ? counts_[block] : 0;
}

bool BlockBitVector::blockStored(int32_t block) const {
    return block >= 0 && block <= lastBlock_ && blocks_[block] != nullptr;
}

int64_t BlockBitVector::storageBytes() const {
    int64_t bytes = int64_t{capacity_} * kArrayEntryBytes;
    for (int32_t block = 0; block < capacity_; ++block) {
        if (blocks_[block] != nullptr) bytes += kBlockWords * static_cast<int64_t>(sizeof(uint32_t));
    }
    return bytes;
}

BitWordRun BlockBitVector::run(int32_t block) const {
    if (block < 0 || block > lastBlock_) return {};
    if (blocks_[block] != nullptr) return {blocks_[block], kBlockWords, false, counts_[block]};
    if (counts_[block] == 0) return {};
    return {nullptr, 0, true, kBlockBits};
}

void BlockBitVector::makeEmpty(int32_t block) {
    BitBlockCache::give(blocks_[block]);
    blocks_[block] = nullptr;
    counts_[block] = 0;
}

void BlockBitVector::makeFull(int32_t block) {
    BitBlockCache::give(blocks_[block]);
    blocks_[block] = nullptr;
    counts_[block] = kBlockBits;
}

// The block's words, given storage (all zero or all ones, as it reads) when
// it has none.
uint32_t* BlockBitVector::storedWords(int32_t block) {
    if (blocks_[block] == nullptr) blocks_[block] = BitBlockCache::take(counts_[block] != 0 ? kBlockWords : 0);
    return blocks_[block];
}

bool BlockBitVector::test(int32_t index) const {
    if (index < 0) return false;
    const int32_t block = index >> kBlockShift;
    if (block > lastBlock_) return false;
    const uint32_t* words = blocks_[block];
    if (words == nullptr) return counts_[block] != 0;
    return (words[(index >> kWordShift) & kBlockWordMask] & (uint32_t{1} << (index & kWordMask))) != 0;
}

bool BlockBitVector::set(int32_t index) {
    if (index < 0) return false;
    const int32_t block = index >> kBlockShift;
    if (block > lastBlock_) growTo(block + 2);
    if (isFull(block)) return true;
    uint32_t& word = storedWords(block)[(index >> kWordShift) & kBlockWordMask];
    const uint32_t mask = uint32_t{1} << (index & kWordMask);
    if ((word & mask) != 0) return true;
    word |= mask;
    if (counts_[block] >= 0) ++counts_[block];
    if (count_ >= 0) ++count_;
    return true;
}

bool BlockBitVector::clear(int32_t index) {
    if (index < 0) return false;
    const int32_t block = index >> kBlockShift;
    if (block > lastBlock_ || isEmpty(block)) return false;
    uint32_t& word = storedWords(block)[(index >> kWordShift) & kBlockWordMask];
    const uint32_t mask = uint32_t{1} << (index & kWordMask);
    if ((word & mask) == 0) return false;
    word &= ~mask;
    if (counts_[block] > 0) --counts_[block];
    if (count_ > 0) --count_;
    return true;
}

// Bits [first, last] (offsets within the block) become `value`; the block's
// count becomes unknown.
void BlockBitVector::fillBits(int32_t block, int32_t first, int32_t last, bool value) {
    uint32_t* words = storedWords(block);
    const int32_t firstWord = first >> kWordShift;
    const int32_t lastWord = last >> kWordShift;
    for (int32_t word = firstWord; word <= lastWord; ++word) {
        uint32_t mask = kAllOnes;
        if (word == firstWord) mask &= kAllOnes << (first & kWordMask);
        if (word == lastWord) mask &= kAllOnes >> (kWordMask - (last & kWordMask));
        words[word] = value ? words[word] | mask : words[word] & ~mask;
    }
    counts_[block] = -1;
}

void BlockBitVector::setRange(int32_t first, int32_t last) {
    first = std::max(first, 0);
    if (first > last) return;
    if ((last >> kBlockShift) > lastBlock_) growTo((last >> kBlockShift) + 2);
    for (int32_t block = first >> kBlockShift; block <= last >> kBlockShift; ++block) {
        const int64_t blockStart = int64_t{block} * kBlockBits;
        const int32_t from = static_cast<int32_t>(std::max<int64_t>(first - blockStart, 0));
        const int32_t to = static_cast<int32_t>(std::min<int64_t>(last - blockStart, kBlockBits - 1));
        if (from == 0 && to == kBlockBits - 1) {
            makeFull(block);
        } else if (!isFull(block)) {
            fillBits(block, from, to, true);
        }
    }
    count_ = -1;
}

void BlockBitVector::clearRange(int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = static_cast<int32_t>(std::min<int64_t>(last, (int64_t{lastBlock_} + 1) * kBlockBits - 1));
    if (first > last) return;
    for (int32_t block = first >> kBlockShift; block <= last >> kBlockShift; ++block) {
        const int64_t blockStart = int64_t{block} * kBlockBits;
        const int32_t from = static_cast<int32_t>(std::max<int64_t>(first - blockStart, 0));
        const int32_t to = static_cast<int32_t>(std::min<int64_t>(last - blockStart, kBlockBits - 1));
        if (from == 0 && to == kBlockBits - 1) {
            makeEmpty(block);
        } else if (!isEmpty(block)) {
            fillBits(block, from, to, false);
        }
    }
    count_ = -1;
}

int32_t BlockBitVector::nextSet(int32_t after) const {
    if (after >= INT32_MAX) return -1;
    const int32_t start = std::max(after, -1) + 1;
    for (int32_t block = start >> kBlockShift; block <= lastBlock_; ++block) {
        if (isEmpty(block)) continue;
        const int64_t blockStart = int64_t{block} * kBlockBits;
        const int32_t from = static_cast<int32_t>(std::max<int64_t>(start - blockStart, 0));
        if (isFull(block)) return static_cast<int32_t>(blockStart + from);
        const int32_t found = firstSetFrom(blocks_[block], from);
        if (found >= 0) return static_cast<int32_t>(blockStart + found);
    }
    return -1;
}

int32_t BlockBitVector::prevSet(int32_t before) const {
    if (before <= 0 || lastBlock_ < 0) return -1;
    const int64_t lastBit = (int64_t{lastBlock_} + 1) * kBlockBits - 1;
    const int64_t start = std::min<int64_t>(int64_t{before} - 1, lastBit);
    for (int32_t block = static_cast<int32_t>(start >> kBlockShift); block >= 0; --block) {
        if (isEmpty(block)) continue;
        const int64_t blockStart = int64_t{block} * kBlockBits;
        const int32_t upTo = static_cast<int32_t>(std::min<int64_t>(start - blockStart, kBlockBits - 1));
        if (isFull(block)) return static_cast<int32_t>(blockStart + upTo);
        const int32_t found = lastSetUpTo(blocks_[block], upTo);
        if (found >= 0) return static_cast<int32_t>(blockStart + found);
    }
    return -1;
}

int32_t BlockBitVector::count() const {
    int64_t total = 0;
    for (int32_t block = 0; block <= lastBlock_; ++block) {
        if (counts_[block] < 0) counts_[block] = tesCountBits(blocks_[block], kBlockWords);
        total += counts_[block];
    }
    count_ = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    return count_;
}

void BlockBitVector::normalise() {
    count();
    for (int32_t block = 0; block <= lastBlock_; ++block) {
        if (blocks_[block] == nullptr) continue;
        if (counts_[block] == 0) makeEmpty(block);
        if (counts_[block] == kBlockBits) makeFull(block);
    }
}

int64_t BlockBitVector::highestUsedBitBound() const {
    for (int32_t block = lastBlock_; block >= 0; --block) {
        if (counts_[block] != 0) return (int64_t{block} + 1) * kBlockBits;
    }
    return 0;
}

bool BlockBitVector::operator==(const BlockBitVector& other) const {
    if (count() != other.count()) return false;
    for (int32_t block = 0; block <= lastBlock_; ++block) {
        if (counts_[block] == 0) continue;
        const BitWordRun theirs = other.run(block);
        if (isFull(block)) {
            if (theirs.count != kBlockBits) return false;
            continue;
        }
        for (int32_t word = 0; word < kBlockWords; ++word) {
            if ((blocks_[block][word] & ~runWord(theirs, word)) != 0) return false;
        }
    }
    return true;
}

void BlockBitVector::invertBlock(int32_t block) {
    if (blocks_[block] == nullptr) {
        counts_[block] = counts_[block] == 0 ? kBlockBits : 0;
        return;
    }
    for (int32_t word = 0; word < kBlockWords; ++word) blocks_[block][word] = ~blocks_[block][word];
    if (counts_[block] >= 0) counts_[block] = kBlockBits - counts_[block];
}

// The block (which has no storage) takes the run's words, or their inverse.
void BlockBitVector::takeRun(int32_t block, const BitWordRun& run, bool inverted) {
    uint32_t* words = BitBlockCache::takeCopy(run.words, run.length);
    if (inverted) {
        for (int32_t word = 0; word < kBlockWords; ++word) words[word] = ~words[word];
    }
    blocks_[block] = words;
    counts_[block] = run.count < 0 ? -1 : (inverted ? kBlockBits - run.count : run.count);
}

void BlockBitVector::combineBlock(int32_t block, const BitWordRun& run, BlockOp op) {
    const bool runEmpty = run.empty();
    const bool runFull = run.full && run.words == nullptr;
    if (op == BlockOp::kAnd) {
        if (runEmpty) return makeEmpty(block);
        if (runFull || isEmpty(block)) return;
        if (isFull(block)) return takeRun(block, run, false);
    } else {
        if (runEmpty) return;
        if (runFull) {
            if (op == BlockOp::kOr) return makeFull(block);
            if (op == BlockOp::kAndNot) return makeEmpty(block);
            return invertBlock(block);
        }
        if (isEmpty(block)) {
            if (op != BlockOp::kAndNot) takeRun(block, run, false);
            return;
        }
        if (isFull(block)) {
            if (op != BlockOp::kOr) takeRun(block, run, true);
            return;
        }
    }
    uint32_t* words = blocks_[block];
    for (int32_t word = 0; word < kBlockWords; ++word) {
        const uint32_t other = runWord(run, word);
        switch (op) {
            case BlockOp::kAnd: words[word] &= other; break;
            case BlockOp::kOr: words[word] |= other; break;
            case BlockOp::kXor: words[word] ^= other; break;
            case BlockOp::kAndNot: words[word] &= ~other; break;
        }
    }
    counts_[block] = -1;
}

template <class Runs>
void BlockBitVector::combine(const Runs& runs, int32_t sourceBlocks, BlockOp op) {
    if ((op == BlockOp::kOr || op == BlockOp::kXor) && sourceBlocks > lastBlock_ + 1) growTo(sourceBlocks);
    const int32_t end = op == BlockOp::kAnd ? lastBlock_ + 1 : std::min(lastBlock_ + 1, sourceBlocks);
    for (int32_t block = 0; block < end; ++block) combineBlock(block, runs(block), op);
    count_ = -1;
}

BlockBitVector& BlockBitVector::operator&=(const BlockBitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, other.lastBlock_ + 1, BlockOp::kAnd);
    return *this;
}

BlockBitVector& BlockBitVector::operator|=(const BlockBitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, other.lastBlock_ + 1, BlockOp::kOr);
    return *this;
}

BlockBitVector& BlockBitVector::operator^=(const BlockBitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, other.lastBlock_ + 1, BlockOp::kXor);
    return *this;
}

BlockBitVector& BlockBitVector::andNot(const BlockBitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, other.lastBlock_ + 1, BlockOp::kAndNot);
    return *this;
}

namespace {
int32_t runsOf(const BitVector& bits) { return (bits.wordCount() + BlockBitVector::kBlockWords - 1) >> 10; }
}  // namespace

BlockBitVector& BlockBitVector::operator&=(const BitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, runsOf(other), BlockOp::kAnd);
    return *this;
}

BlockBitVector& BlockBitVector::operator|=(const BitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, runsOf(other), BlockOp::kOr);
    return *this;
}

BlockBitVector& BlockBitVector::operator^=(const BitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, runsOf(other), BlockOp::kXor);
    return *this;
}

BlockBitVector& BlockBitVector::andNot(const BitVector& other) {
    combine([&other](int32_t block) { return other.run(block); }, runsOf(other), BlockOp::kAndNot);
    return *this;
}

void BlockBitVector::swap(BlockBitVector& other) noexcept {
    std::swap(blocks_, other.blocks_);
    std::swap(counts_, other.counts_);
    std::swap(lastBlock_, other.lastBlock_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
}

bool BlockBitVector::write(BinOutput& out) const {
    int32_t lastUsed = 0;
    for (int32_t block = lastBlock_; block > 0; --block) {
        if (counts_[block] != 0) {
            lastUsed = block;
            break;
        }
    }
    const uint32_t words = static_cast<uint32_t>(lastUsed + 1) * kBlockWords;
    const int32_t lastIndex = static_cast<int32_t>(int64_t{words} * 32 - 1);
    const uint32_t version = out.version();
    const bool sparse = words >= kSparseFromWords && (version == 0 || version >= kSparseFromVersion) &&
                        count() < static_cast<int32_t>(words / 2);
    const int32_t sparseFlag = sparse ? 1 : 0;
    const int32_t magic = kMagicWord;
    const bool header = out.write(&magic, 1) && out.write(&words, 1) && out.write(&lastIndex, 1) &&
                        out.write(&sparseFlag, 1) && out.write(&count_, 1);
    if (!header) return false;
    return sparse ? writeSparse(out) : writeDense(out, lastUsed + 1);
}

bool BlockBitVector::writeSparse(BinOutput& out) const {
    return tesWriteSparseIndices(out, *this);
}

bool BlockBitVector::writeDense(BinOutput& out, int32_t blockEnd) const {
    for (int32_t block = 0; block < blockEnd; ++block) {
        const uint32_t* words = block <= lastBlock_ ? blocks_[block] : nullptr;
        if (words == nullptr) words = constantBlock(block <= lastBlock_ && counts_[block] != 0).data();
        if (!out.write(words, kBlockWords)) return false;
    }
    return true;
}

bool BlockBitVector::read(BinInput& in) {
    BinMagic tag(kMagicWord);
    if (!tag.readCompatible(in)) return false;
    uint32_t words = 0;
    int32_t lastIndex = 0;
    int32_t sparse = 0;
    int32_t stored = 0;
    if (!in.read(&words, 1) || !in.read(&lastIndex, 1) || !in.read(&sparse, 1) || !in.read(&stored, 1)) return false;
    // No words at all is refused: the block count ((words - 1) >> 10) + 1 of
    // unsigned arithmetic would grow the arrays to some 4 million blocks.
    if (words == 0 || words > static_cast<uint32_t>(kMaxWords) || (sparse != 0 && sparse != 1)) return false;
    const int64_t payload = sparse == 1 ? stored : int64_t{words};
    if (payload < 0 || !inputHolds(in, payload)) return false;
    growTo(static_cast<int32_t>((words - 1) >> 10) + 1);
    const bool complete = sparse == 1 ? readSparse(in, stored) : readDense(in, words);
    if (complete) normalise();
    return complete;
}

bool BlockBitVector::readDense(BinInput& in, uint32_t words) {
    count_ = -1;
    for (int32_t block = 0; int64_t{block} * kBlockWords < words; ++block) {
        BitBlockCache::give(blocks_[block]);
        blocks_[block] = BitBlockCache::take(0);
        counts_[block] = -1;
        const uint32_t length = std::min<uint32_t>(words - static_cast<uint32_t>(block) * kBlockWords, kBlockWords);
        if (!in.read(blocks_[block], length)) return false;
    }
    return true;
}

bool BlockBitVector::readSparse(BinInput& in, int32_t indices) {
    count_ = 0;
    if (tesReadSparseIndices(in, indices, [this](int32_t index) { set(index); })) return true;
    count_ = -1;
    return false;
}
