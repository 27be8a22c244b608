#include "recordproperties.h"

#include <vector>

#include "bitvector.h"
#include "blockbitvector.h"
#include "intarray.h"
#include "memorystreams.h"
#include "refhost.h"

namespace {

// The dense form of a vector beyond this many words is not written: a few
// input bytes can name a bit near 2^31, whose dense record is 256 MiB.
constexpr int64_t kDenseWordLimit = int64_t{1} << 18;
constexpr uint32_t kSparseVersion = 0;
constexpr uint32_t kDenseVersion = 12;

std::vector<uint8_t> written(const auto& value, uint32_t version) {
    MemoryOutput out;
    out.setVersion(version);
    if (!value.write(out) || !out.flush()) return {};
    return out.bytes;
}

const char* checkBitVectorAt(const BitVector& first, uint32_t version) {
    const std::vector<uint8_t> bytes = written(first, version);
    if (bytes.empty()) return "BitVector: the write failed";
    MemoryInput in(bytes);
    BitVector second;
    if (!second.read(in) || in.tell() != static_cast<int64_t>(bytes.size())) return "BitVector: its record did not read back";
    second.count();
    if (!(second == first) || second.lastIndex() != first.lastIndex()) return "BitVector: read back differs";
    if (written(second, version) != bytes) return "BitVector: the second write differs";
    MemoryInput blockIn(bytes);
    BlockBitVector blocks;
    if (!blocks.read(blockIn)) return "BlockBitVector: a BitVector record did not read";
    if (!(BitVector(blocks) == first)) return "BlockBitVector: a BitVector record read differently";
    return nullptr;
}

const char* checkBlockBitVectorAt(const BlockBitVector& first, uint32_t version) {
    const std::vector<uint8_t> bytes = written(first, version);
    if (bytes.empty()) return "BlockBitVector: the write failed";
    MemoryInput in(bytes);
    BlockBitVector second;
    if (!second.read(in) || in.tell() != static_cast<int64_t>(bytes.size())) {
        return "BlockBitVector: its record did not read back";
    }
    if (!(second == first) || !(first == second)) return "BlockBitVector: read back differs";
    if (written(second, version) != bytes) return "BlockBitVector: the second write differs";
    MemoryInput bitsIn(bytes);
    BitVector bits;
    if (!bits.read(bitsIn)) return "BitVector: a BlockBitVector record did not read";
    if (!(bits == BitVector(first))) return "BitVector: a BlockBitVector record read differently";
    return nullptr;
}

}  // namespace

void installRecordHost() {
    static RefHost* host = new RefHost;  // kept to process exit, like a real host
    host->installInLibrary();
}

const char* checkBitVectorRecord(const uint8_t* data, size_t size) {
    MemoryInput in(std::vector<uint8_t>(data, data + size));
    BitVector first;
    if (!first.read(in)) return nullptr;
    first.count();
    const char* failure = checkBitVectorAt(first, kSparseVersion);
    if (failure == nullptr && first.wordCount() <= kDenseWordLimit) failure = checkBitVectorAt(first, kDenseVersion);
    return failure;
}

const char* checkBlockBitVectorRecord(const uint8_t* data, size_t size) {
    MemoryInput in(std::vector<uint8_t>(data, data + size));
    BlockBitVector first;
    if (!first.read(in)) return nullptr;
    const char* failure = checkBlockBitVectorAt(first, kSparseVersion);
    if (failure == nullptr && first.highestUsedBitBound() / 32 <= kDenseWordLimit) {
        failure = checkBlockBitVectorAt(first, kDenseVersion);
    }
    return failure;
}

const char* checkIntArrayRecord(const uint8_t* data, size_t size) {
    MemoryInput in(std::vector<uint8_t>(data, data + size));
    TesMM::IntArray first;
    if (!first.read(in)) return nullptr;
    const std::vector<uint8_t> bytes = written(first, 0);
    if (bytes.empty()) return "IntArray: the write failed";
    MemoryInput again(bytes);
    TesMM::IntArray second;
    if (!second.read(again) || again.tell() != static_cast<int64_t>(bytes.size())) {
        return "IntArray: its record did not read back";
    }
    if (!(second == first) || second.size() != first.size()) return "IntArray: read back differs";
    if (written(second, 0) != bytes) return "IntArray: the second write differs";
    return nullptr;
}
