// Writing and reading 10^6 big-endian values through the library's file
// streams against what a user would otherwise write: a std::ofstream /
// std::ifstream loop that swaps each value, and one fwrite / fread of a whole
// buffer swapped in memory.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "benchfolder.h"
#include "binio.h"

namespace {

constexpr size_t kValueCount = 1000000;

template <class T>
using Bits = binio_detail::Bits<T>;

template <class T>
const std::vector<T>& values() {
    static const std::vector<T> data = [] {
        std::mt19937_64 random(5);
        std::vector<T> result(kValueCount);
        for (T& value : result) value = static_cast<T>(static_cast<int64_t>(random() % 2000000) - 1000000) / T{3};
        return result;
    }();
    return data;
}

template <class T>
std::filesystem::path fileFor(const char* kind) {
    return benchFolder() / (std::string(kind) + "-" + std::to_string(sizeof(T)) + ".bin");
}

template <class T>
void setThroughput(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kValueCount));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kValueCount * sizeof(T)));
}

template <class T>
void BinOutputFileWrite(benchmark::State& state) {
    const std::u16string path = fileFor<T>("binio").u16string();
    for (auto _ : state) {
        BinOutputFile out(path.c_str());
        benchmark::DoNotOptimize(out.write(values<T>().data(), kValueCount));
    }
    setThroughput<T>(state);
}

template <class T>
void OfstreamLoopWrite(benchmark::State& state) {
    const std::filesystem::path path = fileFor<T>("ofstream");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (T value : values<T>()) {
            const Bits<T> swapped = tesByteSwap(std::bit_cast<Bits<T>>(value));
            out.write(reinterpret_cast<const char*>(&swapped), sizeof(swapped));
        }
    }
    setThroughput<T>(state);
}

template <class T>
void FwriteSwappedBuffer(benchmark::State& state) {
    const std::string path = fileFor<T>("fwrite").string();
    std::vector<Bits<T>> swapped(kValueCount);
    for (auto _ : state) {
        for (size_t i = 0; i < kValueCount; ++i) swapped[i] = tesByteSwap(std::bit_cast<Bits<T>>(values<T>()[i]));
        std::FILE* file = std::fopen(path.c_str(), "wb");
        benchmark::DoNotOptimize(std::fwrite(swapped.data(), sizeof(T), kValueCount, file));
        std::fclose(file);
    }
    setThroughput<T>(state);
}

template <class T>
void BinInputFileRead(benchmark::State& state) {
    const std::u16string path = fileFor<T>("input").u16string();
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        BinInputFile in(path.c_str());
        if (!in.read(read.data(), kValueCount) || read != values<T>()) state.SkipWithError("read back differs");
    }
    setThroughput<T>(state);
}

template <class T>
void IfstreamLoopRead(benchmark::State& state) {
    const std::filesystem::path path = fileFor<T>("input");
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        for (T& value : read) {
            Bits<T> stored;
            in.read(reinterpret_cast<char*>(&stored), sizeof(stored));
            value = std::bit_cast<T>(tesByteSwap(stored));
        }
        if (read != values<T>()) state.SkipWithError("read back differs");
    }
    setThroughput<T>(state);
}

template <class T>
void FreadSwappedBuffer(benchmark::State& state) {
    const std::string path = fileFor<T>("input").string();
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        const size_t got = std::fread(read.data(), sizeof(T), kValueCount, file);
        std::fclose(file);
        for (T& value : read) value = std::bit_cast<T>(tesByteSwap(std::bit_cast<Bits<T>>(value)));
        if (got != kValueCount || read != values<T>()) state.SkipWithError("read back differs");
    }
    setThroughput<T>(state);
}

// The input files of the read benchmarks, written once.
template <class T>
bool writeInput() {
    BinOutputFile out(fileFor<T>("input").u16string().c_str());
    return out.write(values<T>().data(), kValueCount) && out.flush();
}

}  // namespace

BENCHMARK(BinOutputFileWrite<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(OfstreamLoopWrite<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(FwriteSwappedBuffer<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(BinInputFileRead<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(IfstreamLoopRead<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(FreadSwappedBuffer<double>)->Unit(benchmark::kMillisecond);
BENCHMARK(BinOutputFileWrite<int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(OfstreamLoopWrite<int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(FwriteSwappedBuffer<int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(BinInputFileRead<int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(IfstreamLoopRead<int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(FreadSwappedBuffer<int32_t>)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarksInFolder(&argc, argv, "binio-bench", [] { return writeInput<double>() && writeInput<int32_t>(); });
}
