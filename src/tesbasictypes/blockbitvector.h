// BlockBitVector: a bit set for very large index ranges with long empty or
// full stretches. Bits are cut into blocks of 32768 (bit i in block i >> 15,
// word (i >> 5) & 1023, position i & 31). An empty or a full block has no
// storage, only its count (0 or 32768); a partly filled block owns 1024 words
// from the process-wide BitBlockCache. Counts are signed, -1 meaning unknown.
// The binary record is BitVector's: each class reads what the other writes.
#pragma once

#include <cstdint>

#include "binio.h"
#include "bitvector.h"
#include "tesobject.h"

class BlockBitVector : public TesShared {
public:
    static constexpr int32_t kBlockBits = 32768;
    static constexpr int32_t kBlockWords = 1024;
    static constexpr int32_t kMagicWord = BitVector::kMagicWord;

    // max(1, bits >> 15) empty blocks; `bits` is a hint, setting a higher bit
    // grows the vector.
    explicit BlockBitVector(int32_t bits = 0);
    BlockBitVector(const BlockBitVector& other);
    // Takes the other's blocks; the other is left without any (last block -1).
    BlockBitVector(BlockBitVector&& other) noexcept;
    // Blocks up to (words >> 10) for the vector's words; blocks holding words
    // get storage with an unknown count, the total is unknown.
    explicit BlockBitVector(const BitVector& bits);
    ~BlockBitVector() override;

    BlockBitVector& operator=(const BlockBitVector& other);
    BlockBitVector& operator=(const BitVector& bits);

    // False beyond the last block.
    bool test(int32_t index) const;
    // Grows the vector when the bit's block is beyond the last block (which
    // then becomes that block + 1). True, except for a negative index.
    bool set(int32_t index);
    // Whether a bit changed.
    bool clear(int32_t index);
    // [first, last]: whole blocks become full or empty without storage, the end
    // blocks are worked word by word. setRange grows like set; clearRange is
    // cut to the vector.
    void setRange(int32_t first, int32_t last);
    void clearRange(int32_t first, int32_t last);
    // -1 when nothing is found; after = -1 starts at bit 0.
    int32_t nextSet(int32_t after) const;
    // -1 for before <= 0; a start beyond the vector starts at its last bit.
    int32_t prevSet(int32_t before) const;

    // Counts every block whose count is unknown and sums the block counts.
    int32_t count() const;
    // The total as it stands: -1 when unknown.
    int32_t knownCount() const { return count_; }
    // After counting, empty and full blocks give their storage back.
    void normalise();
    // (index of the last block with a non-zero count + 1) × 32768.
    int64_t highestUsedBitBound() const;
    int32_t lastBlock() const { return lastBlock_; }
    // -1 for a stored block whose count is unknown; 0 beyond the last block.
    int32_t blockCount(int32_t block) const;
    bool blockStored(int32_t block) const;
    // Bytes held: the two per-block arrays and the stored blocks.
    int64_t storageBytes() const;
    // Block `block` as a run of words.
    BitWordRun run(int32_t block) const;

    // Equal totals, and every set bit of this one set in the other.
    bool operator==(const BlockBitVector& other) const;

    // Block by block, deciding empty and full blocks from the counts alone;
    // the total becomes unknown. Or and exclusive or grow this vector to the
    // other's last block (or the last 1024-word run of a BitVector).
    BlockBitVector& operator&=(const BlockBitVector& other);
    BlockBitVector& operator|=(const BlockBitVector& other);
    BlockBitVector& operator^=(const BlockBitVector& other);
    BlockBitVector& andNot(const BlockBitVector& other);
    BlockBitVector& operator&=(const BitVector& other);
    BlockBitVector& operator|=(const BitVector& other);
    BlockBitVector& operator^=(const BitVector& other);
    BlockBitVector& andNot(const BitVector& other);

    void swap(BlockBitVector& other) noexcept;

    // BitVector's record over blocks 0 ... L, L the last block with a non-zero
    // count: dense words (full blocks as ones, empty as zeros) or sparse
    // indices, chosen as BitVector does.
    bool write(BinOutput& out) const;
    // Reads either form into this vector without clearing it first: blocks
    // beyond the record keep their contents, the sparse form only sets bits.
    // The stored last index is not used. Refused before anything changes: a
    // tag of another kind, 0 or more than 2^26 words, a sparse flag other
    // than 0 or 1, a negative count in the sparse form, and a payload longer
    // than the rest of an input of known length. A negative sparse index
    // stops the read with false. The vector is normalised after a whole read.
    bool read(BinInput& in);
    static bool isMagic(uint32_t word) { return BitVector::isMagic(word); }

private:
    enum class BlockOp { kAnd, kOr, kXor, kAndNot };

    bool isEmpty(int32_t block) const { return blocks_[block] == nullptr && counts_[block] == 0; }
    bool isFull(int32_t block) const { return blocks_[block] == nullptr && counts_[block] != 0; }
    void growTo(int32_t blockCount);
    void releaseBlocks();
    void copyFrom(const BlockBitVector& other);
    void assignBits(const BitVector& bits);
    void makeEmpty(int32_t block);
    void makeFull(int32_t block);
    uint32_t* storedWords(int32_t block);
    void fillBits(int32_t block, int32_t first, int32_t last, bool value);
    void invertBlock(int32_t block);
    void takeRun(int32_t block, const BitWordRun& run, bool inverted);
    void combineBlock(int32_t block, const BitWordRun& run, BlockOp op);
    template <class Runs>
    void combine(const Runs& runs, int32_t sourceBlocks, BlockOp op);
    bool writeSparse(BinOutput& out) const;
    bool writeDense(BinOutput& out, int32_t blockEnd) const;
    bool readDense(BinInput& in, uint32_t words);
    bool readSparse(BinInput& in, int32_t indices);

    uint32_t** blocks_ = nullptr;
    int32_t* counts_ = nullptr;
    int32_t lastBlock_ = -1;
    mutable int32_t count_ = 0;
    int32_t capacity_ = 0;  // entries of both arrays
};
