// Growing an array one element at a time: nelRealloc with the library's
// capacity rule against std::vector::push_back.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "nelrealloc.h"

namespace {

void NelReallocGrowth(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        int32_t* values = nullptr;
        int32_t capacity = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (i >= capacity) {
                const auto wanted = static_cast<int32_t>(tesGrowCapacity(i + 1, capacity, sizeof(int32_t)));
                capacity = nelRealloc(values, capacity, wanted);
            }
            values[i] = i;
        }
        benchmark::DoNotOptimize(values);
        nelFree(values);
    }
}

void VectorPushBack(benchmark::State& state) {
    const int32_t count = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        std::vector<int32_t> values;
        for (int32_t i = 0; i < count; ++i) values.push_back(i);
        benchmark::DoNotOptimize(values.data());
    }
}

}  // namespace

BENCHMARK(NelReallocGrowth)->Arg(1000)->Arg(1000000);
BENCHMARK(VectorPushBack)->Arg(1000)->Arg(1000000);

BENCHMARK_MAIN();
