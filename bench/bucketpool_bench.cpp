// Small-block allocation and release (8 to 256 bytes): the bucket pool through
// poolAllocate/poolFree beside malloc/free and the standard library's
// synchronised pool resource, which also takes a lock on every call.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory_resource>
#include <random>

#include "bucketmemorypool.h"

namespace {

constexpr size_t kSizeCount = 1024;  // a power of two: the index wraps with a mask
constexpr int kBatch = 64;
constexpr size_t kAlignment = 8;

const std::array<uint32_t, kSizeCount>& sizes() {
    static const std::array<uint32_t, kSizeCount> table = [] {
        std::array<uint32_t, kSizeCount> values{};
        std::mt19937 random(42);
        std::uniform_int_distribution<uint32_t> size(8, 256);
        for (uint32_t& value : values) value = size(random);
        return values;
    }();
    return table;
}

std::pmr::synchronized_pool_resource& sharedResource() {
    static std::pmr::synchronized_pool_resource resource;
    return resource;
}

struct PoolBlocks {
    static void* take(uint32_t size, uint32_t* usable) { return poolAllocate(size, usable); }
    static void give(void* block, uint32_t usable) { poolFree(usable, block); }
};

struct MallocBlocks {
    static void* take(uint32_t size, uint32_t* usable) {
        *usable = size;
        return std::malloc(size);
    }
    static void give(void* block, uint32_t) { std::free(block); }
};

struct SynchronizedPoolBlocks {
    static void* take(uint32_t size, uint32_t* usable) {
        *usable = size;
        return sharedResource().allocate(size, kAlignment);
    }
    static void give(void* block, uint32_t usable) { sharedResource().deallocate(block, usable, kAlignment); }
};

// One block taken and given back per iteration.
template <class Blocks>
void AllocateFree(benchmark::State& state) {
    const auto& table = sizes();
    size_t next = static_cast<size_t>(state.thread_index()) * 97;
    for (auto _ : state) {
        uint32_t usable = 0;
        void* block = Blocks::take(table[next++ & (kSizeCount - 1)], &usable);
        benchmark::DoNotOptimize(block);
        Blocks::give(block, usable);
    }
    state.SetItemsProcessed(state.iterations());
}

// 64 blocks live at once, given back in the order they were taken.
template <class Blocks>
void Batch64(benchmark::State& state) {
    const auto& table = sizes();
    size_t next = static_cast<size_t>(state.thread_index()) * 97;
    std::array<void*, kBatch> blocks{};
    std::array<uint32_t, kBatch> usable{};
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) blocks[i] = Blocks::take(table[next++ & (kSizeCount - 1)], &usable[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i = 0; i < kBatch; ++i) Blocks::give(blocks[i], usable[i]);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

}  // namespace

BENCHMARK(AllocateFree<PoolBlocks>)->Name("AllocateFree/bucketpool")->Threads(1)->Threads(2);
BENCHMARK(AllocateFree<MallocBlocks>)->Name("AllocateFree/malloc")->Threads(1)->Threads(2);
BENCHMARK(AllocateFree<SynchronizedPoolBlocks>)->Name("AllocateFree/pmr_synchronized")->Threads(1)->Threads(2);
BENCHMARK(Batch64<PoolBlocks>)->Name("Batch64/bucketpool")->Threads(1)->Threads(2);
BENCHMARK(Batch64<MallocBlocks>)->Name("Batch64/malloc")->Threads(1)->Threads(2);
BENCHMARK(Batch64<SynchronizedPoolBlocks>)->Name("Batch64/pmr_synchronized")->Threads(1)->Threads(2);

BENCHMARK_MAIN();
