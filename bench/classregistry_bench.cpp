// Class lookup by identifier: the library's prime-table hash map against
// std::unordered_map, the map a user would otherwise pick.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include "classid.h"
#include "teshashmap.h"

namespace {

struct ClassIdHash {
    size_t operator()(const TesClassId& id) const { return id.data1; }
};

std::vector<TesClassId> randomIds(int count) {
    std::mt19937 random(7);
    std::vector<TesClassId> ids(static_cast<size_t>(count));
    for (TesClassId& id : ids) {
        id.data1 = random();
        id.data2 = static_cast<uint16_t>(random());
        id.data3 = static_cast<uint16_t>(random());
        for (uint8_t& byte : id.data4) byte = static_cast<uint8_t>(random());
    }
    return ids;
}

void TesHashMapFind(benchmark::State& state) {
    const auto ids = randomIds(static_cast<int>(state.range(0)));
    TesHashMap<TesClassId, int, ClassIdHash> map(131);
    for (size_t i = 0; i < ids.size(); ++i) *map.findOrInsert(ids[i]) = static_cast<int>(i);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(ids[next]));
        next = next + 1 == ids.size() ? 0 : next + 1;
    }
}

void UnorderedMapFind(benchmark::State& state) {
    const auto ids = randomIds(static_cast<int>(state.range(0)));
    std::unordered_map<TesClassId, int, ClassIdHash> map;
    for (size_t i = 0; i < ids.size(); ++i) map[ids[i]] = static_cast<int>(i);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(ids[next]));
        next = next + 1 == ids.size() ? 0 : next + 1;
    }
}

void TesHashMapInsert(benchmark::State& state) {
    const auto ids = randomIds(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TesHashMap<TesClassId, int, ClassIdHash> map(131);
        for (const TesClassId& id : ids) *map.findOrInsert(id) = 1;
        benchmark::DoNotOptimize(map.count());
    }
}

void UnorderedMapInsert(benchmark::State& state) {
    const auto ids = randomIds(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::unordered_map<TesClassId, int, ClassIdHash> map;
        for (const TesClassId& id : ids) map[id] = 1;
        benchmark::DoNotOptimize(map.size());
    }
}

}  // namespace

BENCHMARK(TesHashMapFind)->Arg(11)->Arg(1000)->Arg(100000);
BENCHMARK(UnorderedMapFind)->Arg(11)->Arg(1000)->Arg(100000);
BENCHMARK(TesHashMapInsert)->Arg(11)->Arg(1000)->Arg(100000);
BENCHMARK(UnorderedMapInsert)->Arg(11)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
