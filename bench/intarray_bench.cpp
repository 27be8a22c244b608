// Equivalence classes over 10^7 elements: the paged integer array's join and
// find (find shortens only the entry asked; join points the larger root at
// the smaller) against the disjoint-set forest a user would write over a
// std::vector (path halving, union by size), and against the array's own
// rules over a std::vector, which shows what the paging costs.
//
// Random joins keep the trees shallow. Joins in descending order,
// join(n - 1, n - 2), join(n - 2, n - 3), ..., build one chain n - 1 -> ... -> 0,
// and every find from its top walks the whole chain: ChainFind shows it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "intarray.h"

namespace {

constexpr int32_t kElements = 10000000;
constexpr int32_t kChainFinds = 4;

// A small fast generator, the same sequence for every forest.
class XorShift {
public:
    explicit XorShift(uint64_t seed) : state_(seed) {}
    int32_t below(int32_t bound) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<int32_t>(state_ % static_cast<uint64_t>(bound));
    }

private:
    uint64_t state_;
};

// The array's rules over a std::vector.
struct FlatForest {
    std::vector<int32_t> parent;
    explicit FlatForest(int32_t size) : parent(static_cast<size_t>(size)) { std::iota(parent.begin(), parent.end(), 0); }
    int32_t find(int32_t index) {
        int32_t root = index;
        while (parent[static_cast<size_t>(root)] != root) root = parent[static_cast<size_t>(root)];
        parent[static_cast<size_t>(index)] = root;
        return root;
    }
    int32_t join(int32_t a, int32_t b) {
        const int32_t rootA = find(a);
        const int32_t rootB = find(b);
        if (rootA == rootB) return rootA;
        parent[static_cast<size_t>(std::max(rootA, rootB))] = std::min(rootA, rootB);
        return std::min(rootA, rootB);
    }
};

// Path halving and union by size.
struct TextbookForest {
    std::vector<int32_t> parent;
    std::vector<int32_t> size;
    explicit TextbookForest(int32_t count) : parent(static_cast<size_t>(count)), size(static_cast<size_t>(count), 1) {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int32_t find(int32_t index) {
        while (parent[static_cast<size_t>(index)] != index) {
            parent[static_cast<size_t>(index)] = parent[static_cast<size_t>(parent[static_cast<size_t>(index)])];
            index = parent[static_cast<size_t>(index)];
        }
        return index;
    }
    int32_t join(int32_t a, int32_t b) {
        int32_t rootA = find(a);
        int32_t rootB = find(b);
        if (rootA == rootB) return rootA;
        if (size[static_cast<size_t>(rootA)] < size[static_cast<size_t>(rootB)]) std::swap(rootA, rootB);
        parent[static_cast<size_t>(rootB)] = rootA;
        size[static_cast<size_t>(rootA)] += size[static_cast<size_t>(rootB)];
        return rootA;
    }
};

struct PagedForest {
    TesMM::IntArray array;
    explicit PagedForest(int32_t size) { array.identity(0, size - 1); }
    int32_t find(int32_t index) { return array.find(index); }
    int32_t join(int32_t a, int32_t b) { return array.join(a, b); }
};

// range(0) 0: kElements random joins; 1: the same joins, then kElements
// random finds (only the finds timed).
template <class Forest>
void randomJoinsAndFinds(benchmark::State& state) {
    const bool finds = state.range(0) == 1;
    for (auto _ : state) {
        state.PauseTiming();
        Forest forest(kElements);
        XorShift random(42);
        if (!finds) state.ResumeTiming();
        for (int32_t step = 0; step < kElements; ++step) {
            benchmark::DoNotOptimize(forest.join(random.below(kElements), random.below(kElements)));
        }
        if (finds) state.ResumeTiming();
        if (!finds) continue;
        int64_t sum = 0;
        for (int32_t step = 0; step < kElements; ++step) sum += forest.find(random.below(kElements));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kElements);
}

// Descending joins, then a few finds from the top of the chain (finds timed).
template <class Forest>
void chainFind(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Forest forest(kElements);
        for (int32_t index = kElements - 1; index > 0; --index) forest.join(index, index - 1);
        state.ResumeTiming();
        for (int32_t step = 0; step < kChainFinds; ++step) benchmark::DoNotOptimize(forest.find(kElements - 1 - step));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kChainFinds);
}

void IntArrayUnionFind(benchmark::State& state) { randomJoinsAndFinds<PagedForest>(state); }
void FlatVectorUnionFind(benchmark::State& state) { randomJoinsAndFinds<FlatForest>(state); }
void TextbookUnionFind(benchmark::State& state) { randomJoinsAndFinds<TextbookForest>(state); }
void IntArrayChainFind(benchmark::State& state) { chainFind<PagedForest>(state); }
void TextbookChainFind(benchmark::State& state) { chainFind<TextbookForest>(state); }

}  // namespace

BENCHMARK(IntArrayUnionFind)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(FlatVectorUnionFind)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(TextbookUnionFind)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(IntArrayChainFind)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TextbookChainFind)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
