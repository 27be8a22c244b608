// BitVector at 10^8 bits against boost::dynamic_bitset and std::vector<bool>:
// bulk and, or, exclusive or and invert, counting while the count is unknown,
// walking the set bits, random set and test. Run with --paged to give the
// process a host memory manager, so the vectors take the paged storage;
// without it they keep their words in one block.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <boost/dynamic_bitset.hpp>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bitvector.h"
#include "refhost.h"

namespace {

constexpr int32_t kBits = 100000000;
constexpr int32_t kRandomIndices = 1 << 20;
constexpr const char* kPagedFlag = "--paged";

using DynamicBitset = boost::dynamic_bitset<uint64_t>;

bool& pagedStorage() {
    static bool paged = false;
    return paged;
}

const char* storageLabel() { return pagedStorage() ? "paged" : "one block"; }

// Random bits at the given density (per 1024), the same for every class.
struct Pattern {
    std::vector<int32_t> setBits;
    Pattern(uint32_t seed, int32_t perMille) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int32_t> draw(0, 1023);
        for (int32_t bit = 0; bit < kBits; ++bit) {
            if (draw(random) < perMille) setBits.push_back(bit);
        }
    }
};

const Pattern& pattern(int which) {
    static const Pattern half(1, 512);
    static const Pattern otherHalf(2, 512);
    static const Pattern sparse(3, 10);
    return which == 0 ? half : which == 1 ? otherHalf : sparse;
}

BitVector makeBitVector(int which) {
    BitVector vector(kBits - 1);
    for (int32_t bit : pattern(which).setBits) vector.set(bit);
    return vector;
}

DynamicBitset makeDynamic(int which) {
    DynamicBitset bits(kBits);
    for (int32_t bit : pattern(which).setBits) bits.set(static_cast<size_t>(bit));
    return bits;
}

std::vector<bool> makeVectorBool(int which) {
    std::vector<bool> bits(kBits);
    for (int32_t bit : pattern(which).setBits) bits[static_cast<size_t>(bit)] = true;
    return bits;
}

const std::vector<int32_t>& randomIndices() {
    static const std::vector<int32_t> indices = [] {
        std::mt19937 random(9);
        std::uniform_int_distribution<int32_t> draw(0, kBits - 1);
        std::vector<int32_t> values(kRandomIndices);
        for (int32_t& value : values) value = draw(random);
        return values;
    }();
    return indices;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (kBits / 8));
}

// Bulk operations.

template <class Op>
void bitVectorBulk(benchmark::State& state, Op op) {
    BitVector target = makeBitVector(0);
    const BitVector other = makeBitVector(1);
    state.SetLabel(storageLabel());
    for (auto _ : state) {
        op(target, other);
        benchmark::ClobberMemory();
    }
    setBytes(state);
}

template <class Op>
void dynamicBulk(benchmark::State& state, Op op) {
    DynamicBitset target = makeDynamic(0);
    const DynamicBitset other = makeDynamic(1);
    for (auto _ : state) {
        op(target, other);
        benchmark::ClobberMemory();
    }
    setBytes(state);
}

void BitVectorAnd(benchmark::State& state) {
    bitVectorBulk(state, [](BitVector& a, const BitVector& b) { a &= b; });
}
void BitVectorOr(benchmark::State& state) {
    bitVectorBulk(state, [](BitVector& a, const BitVector& b) { a |= b; });
}
void BitVectorXor(benchmark::State& state) {
    bitVectorBulk(state, [](BitVector& a, const BitVector& b) { a ^= b; });
}
void BitVectorInvert(benchmark::State& state) {
    bitVectorBulk(state, [](BitVector& a, const BitVector&) { a.invert(); });
}
void DynamicBitsetAnd(benchmark::State& state) {
    dynamicBulk(state, [](DynamicBitset& a, const DynamicBitset& b) { a &= b; });
}
void DynamicBitsetOr(benchmark::State& state) {
    dynamicBulk(state, [](DynamicBitset& a, const DynamicBitset& b) { a |= b; });
}
void DynamicBitsetXor(benchmark::State& state) {
    dynamicBulk(state, [](DynamicBitset& a, const DynamicBitset& b) { a ^= b; });
}
void DynamicBitsetInvert(benchmark::State& state) {
    dynamicBulk(state, [](DynamicBitset& a, const DynamicBitset&) { a.flip(); });
}
void VectorBoolInvert(benchmark::State& state) {
    std::vector<bool> bits = makeVectorBool(0);
    for (auto _ : state) {
        bits.flip();
        benchmark::ClobberMemory();
    }
    setBytes(state);
}

// Counting from scratch: the BitVector's count is made unknown (outside the
// timing) by an invert, or by an or-assign of a vector with one bit.

void BitVectorCountAfterInvert(benchmark::State& state) {
    BitVector vector = makeBitVector(0);
    state.SetLabel(storageLabel());
    for (auto _ : state) {
        state.PauseTiming();
        vector.invert();
        state.ResumeTiming();
        benchmark::DoNotOptimize(vector.count());
    }
    setBytes(state);
}

void BitVectorCountAfterOr(benchmark::State& state) {
    BitVector vector = makeBitVector(0);
    BitVector oneBit;
    oneBit.set(7);
    state.SetLabel(storageLabel());
    for (auto _ : state) {
        state.PauseTiming();
        vector |= oneBit;
        state.ResumeTiming();
        benchmark::DoNotOptimize(vector.count());
    }
    setBytes(state);
}

void DynamicBitsetCount(benchmark::State& state) {
    const DynamicBitset bits = makeDynamic(0);
    for (auto _ : state) benchmark::DoNotOptimize(bits.count());
    setBytes(state);
}

void VectorBoolCount(benchmark::State& state) {
    const std::vector<bool> bits = makeVectorBool(0);
    for (auto _ : state) benchmark::DoNotOptimize(std::count(bits.begin(), bits.end(), true));
    setBytes(state);
}

// Walking the set bits; range(0) picks the half-full or the sparse (1 %) pattern.

int patternOf(const benchmark::State& state) { return state.range(0) == 0 ? 0 : 2; }

void BitVectorWalk(benchmark::State& state) {
    const BitVector vector = makeBitVector(patternOf(state));
    state.SetLabel(storageLabel());
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t bit = vector.nextSet(-1); bit >= 0; bit = vector.nextSet(bit)) sum += bit;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pattern(patternOf(state)).setBits.size()));
}

void DynamicBitsetWalk(benchmark::State& state) {
    const DynamicBitset bits = makeDynamic(patternOf(state));
    for (auto _ : state) {
        int64_t sum = 0;
        for (size_t bit = bits.find_first(); bit != DynamicBitset::npos; bit = bits.find_next(bit)) {
            sum += static_cast<int64_t>(bit);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pattern(patternOf(state)).setBits.size()));
}

void VectorBoolWalk(benchmark::State& state) {
    const std::vector<bool> bits = makeVectorBool(patternOf(state));
    for (auto _ : state) {
        int64_t sum = 0;
        for (size_t bit = 0; bit < bits.size(); ++bit) {
            if (bits[bit]) sum += static_cast<int64_t>(bit);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pattern(patternOf(state)).setBits.size()));
}

// Random set, then test, of 2^20 indices.

void BitVectorRandomSetTest(benchmark::State& state) {
    BitVector vector(kBits - 1);
    state.SetLabel(storageLabel());
    for (auto _ : state) {
        for (int32_t index : randomIndices()) vector.set(index);
        int32_t found = 0;
        for (int32_t index : randomIndices()) found += vector.test(index ^ 1);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * kRandomIndices);
}

void DynamicBitsetRandomSetTest(benchmark::State& state) {
    DynamicBitset bits(kBits);
    for (auto _ : state) {
        for (int32_t index : randomIndices()) bits.set(static_cast<size_t>(index));
        int32_t found = 0;
        for (int32_t index : randomIndices()) found += bits.test(static_cast<size_t>(index ^ 1));
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * kRandomIndices);
}

void VectorBoolRandomSetTest(benchmark::State& state) {
    std::vector<bool> bits(kBits);
    for (auto _ : state) {
        for (int32_t index : randomIndices()) bits[static_cast<size_t>(index)] = true;
        int32_t found = 0;
        for (int32_t index : randomIndices()) found += bits[static_cast<size_t>(index ^ 1)];
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * kRandomIndices);
}

}  // namespace

BENCHMARK(BitVectorAnd)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetAnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorOr)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetOr)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorXor)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetXor)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorInvert)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetInvert)->Unit(benchmark::kMillisecond);
BENCHMARK(VectorBoolInvert)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorCountAfterInvert)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorCountAfterOr)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetCount)->Unit(benchmark::kMillisecond);
BENCHMARK(VectorBoolCount)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(VectorBoolWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BitVectorRandomSetTest)->Unit(benchmark::kMillisecond);
BENCHMARK(DynamicBitsetRandomSetTest)->Unit(benchmark::kMillisecond);
BENCHMARK(VectorBoolRandomSetTest)->Unit(benchmark::kMillisecond);

// --paged installs the reference host (and its memory manager) before
// anything allocates: the library looks the manager up once per process.
int main(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int index = 0; index < argc; ++index) {
        if (std::strcmp(argv[index], kPagedFlag) == 0) {
            pagedStorage() = true;
        } else {
            arguments.push_back(argv[index]);
        }
    }
    if (pagedStorage()) {
        static RefHost* host = new RefHost;
        host->installInLibrary();
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
