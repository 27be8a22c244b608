// Memory of BlockBitVector against CRoaring (run-optimised) over a range of
// 10^9, for three sets: 10^6 random members; 1000 runs of 10^5 to 10^6
// consecutive members at random offsets; each of the first 10^8 indices with
// probability 1/2. The counters give bytes per member for both and for a
// plain bitset of the range; the time is that of building the set.
#include <benchmark/benchmark.h>

#include <roaring/roaring.h>

#include <cstdint>
#include <random>

#include "blockbitvector.h"

namespace {

constexpr int64_t kRange = 1000000000;
constexpr int32_t kRandomMembers = 1000000;
constexpr int32_t kRuns = 1000;
constexpr int32_t kShortestRun = 100000;
constexpr int32_t kLongestRun = 1000000;
constexpr int32_t kDenseSpan = 100000000;
constexpr double kPlainBitsetBytes = static_cast<double>(kRange) / 8.0;

enum SetKind { kRandom, kRunsOfMembers, kDenseHalf };

// Builds the set through add(member) and addRange(first, last), from the
// same seed each time.
template <class Add, class AddRange>
void build(int kind, Add add, AddRange addRange) {
    std::mt19937_64 random(static_cast<uint64_t>(kind) + 1);
    if (kind == kRandom) {
        std::uniform_int_distribution<uint32_t> member(0, kRange - 1);
        for (int32_t index = 0; index < kRandomMembers; ++index) add(member(random));
    } else if (kind == kRunsOfMembers) {
        std::uniform_int_distribution<uint32_t> length(kShortestRun, kLongestRun);
        std::uniform_int_distribution<uint32_t> offset(0, kRange - kLongestRun);
        for (int32_t index = 0; index < kRuns; ++index) {
            const uint32_t first = offset(random);
            addRange(first, first + length(random) - 1);
        }
    } else {
        for (uint32_t base = 0; base < kDenseSpan; base += 64) {
            const uint64_t bits = random();
            for (uint32_t bit = 0; bit < 64; ++bit) {
                if ((bits >> bit) & 1) add(base + bit);
            }
        }
    }
}

void report(benchmark::State& state, double bytes, double members) {
    state.counters["bytes_per_member"] = bytes / members;
    state.counters["plain_bitset_bytes_per_member"] = kPlainBitsetBytes / members;
    state.counters["megabytes"] = bytes / 1e6;
}

void BlockBitVectorMemory(benchmark::State& state) {
    double bytes = 0;
    double members = 0;
    for (auto _ : state) {
        BlockBitVector vector(static_cast<int32_t>(kRange));
        build(
            static_cast<int>(state.range(0)), [&vector](uint32_t member) { vector.set(static_cast<int32_t>(member)); },
            [&vector](uint32_t first, uint32_t last) {
                vector.setRange(static_cast<int32_t>(first), static_cast<int32_t>(last));
            });
        vector.normalise();
        bytes = static_cast<double>(vector.storageBytes());
        members = vector.count();
    }
    report(state, bytes, members);
}

void RoaringMemory(benchmark::State& state) {
    double bytes = 0;
    double members = 0;
    for (auto _ : state) {
        roaring_bitmap_t* bitmap = roaring_bitmap_create();
        build(
            static_cast<int>(state.range(0)), [bitmap](uint32_t member) { roaring_bitmap_add(bitmap, member); },
            [bitmap](uint32_t first, uint32_t last) { roaring_bitmap_add_range_closed(bitmap, first, last); });
        roaring_bitmap_run_optimize(bitmap);
        roaring_bitmap_shrink_to_fit(bitmap);
        roaring_statistics_t statistics;
        roaring_bitmap_statistics(bitmap, &statistics);
        // Container payloads plus, per container, its 16-bit key, pointer and type.
        bytes = static_cast<double>(statistics.n_bytes_array_containers) + statistics.n_bytes_run_containers +
                statistics.n_bytes_bitset_containers + statistics.n_containers * 11.0;
        members = static_cast<double>(roaring_bitmap_get_cardinality(bitmap));
        roaring_bitmap_free(bitmap);
    }
    report(state, bytes, members);
}

}  // namespace

BENCHMARK(BlockBitVectorMemory)->Arg(kRandom)->Arg(kRunsOfMembers)->Arg(kDenseHalf)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(RoaringMemory)->Arg(kRandom)->Arg(kRunsOfMembers)->Arg(kDenseHalf)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
