// Bulk transfer of 10^7 doubles and 32-bit integers through BinOutput and
// BinInput against the floor: a loop that byte-swaps into one buffer and one
// write call (for reads one read call and a swap loop). Each pair runs twice:
// on files, and on memory, where only the streams' own work is left.
//
// The data-model pair writes and reads 10^5 vec3d blocks through TesFileWrite
// and TesFileRead against the same bytes laid out directly in one buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "benchfolder.h"
#include "binio.h"
#include "os/fileio.h"
#include "tesfileread.h"
#include "tesfilewrite.h"

namespace {

constexpr size_t kValueCount = 10000000;
constexpr size_t kBlockCount = 100000;
// Format version 5: 4-byte sizes, 8-byte headers.
constexpr uint32_t kNarrowFormat = 5;
constexpr size_t kVec3dBlockBytes = 8 + 3 * sizeof(double);

template <class T>
using Bits = binio_detail::Bits<T>;

template <class T>
const std::vector<T>& values() {
    static const std::vector<T> data = [] {
        std::mt19937_64 random(11);
        std::vector<T> result(kValueCount);
        for (T& value : result) value = static_cast<T>(static_cast<int64_t>(random() % 2000000) - 1000000) / T{3};
        return result;
    }();
    return data;
}

template <class T>
std::string fileFor(const char* kind) {
    return (benchFolder() / (std::string(kind) + "-" + std::to_string(sizeof(T)) + ".bin")).string();
}

template <class T>
void setThroughput(benchmark::State& state, size_t count) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * count * sizeof(T)));
}

// A stream on a buffer held in memory, sized beforehand: the medium costs one
// memcpy per transfer.
class BufferOutput : public BinOutput {
public:
    explicit BufferOutput(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    size_t rawWrite(const void* buffer, size_t count) override {
        std::memcpy(bytes_.data() + position_, buffer, count);
        position_ += count;
        return count;
    }
    size_t rawRead(void*, size_t) override { return 0; }
    int64_t rawTell() override { return static_cast<int64_t>(position_); }
    bool rawSeek(int64_t position, bool) override {
        position_ = static_cast<size_t>(position);
        return true;
    }
    bool ok() override { return true; }
    bool rawClose() override { return true; }

private:
    std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

class BufferInput : public BinInput {
public:
    explicit BufferInput(const std::vector<uint8_t>& bytes) : bytes_(bytes) {
        setLength(static_cast<int64_t>(bytes.size()));
    }
    size_t rawRead(void* buffer, size_t count) override {
        const size_t moved = std::min(count, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, moved);
        position_ += moved;
        return moved;
    }
    int64_t rawTell() override { return static_cast<int64_t>(position_); }
    bool rawSeek(int64_t position, bool) override {
        position_ = static_cast<size_t>(position);
        return true;
    }
    bool ok() override { return true; }
    void close() override {}

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

template <class T>
void swapInto(const std::vector<T>& source, std::vector<Bits<T>>& target) {
    for (size_t i = 0; i < source.size(); ++i) target[i] = tesByteSwap(std::bit_cast<Bits<T>>(source[i]));
}

template <class T>
void swapFrom(const std::vector<Bits<T>>& source, std::vector<T>& target) {
    for (size_t i = 0; i < source.size(); ++i) target[i] = std::bit_cast<T>(tesByteSwap(source[i]));
}

template <class T>
void BinOutputFileWrite(benchmark::State& state) {
    const std::u16string path = std::filesystem::path(fileFor<T>("binio")).u16string();
    for (auto _ : state) {
        BinOutputFile out(path.c_str());
        if (!out.write(values<T>().data(), kValueCount) || !out.close()) state.SkipWithError("write failed");
    }
    setThroughput<T>(state, kValueCount);
}

template <class T>
void FloorSwapAndWrite(benchmark::State& state) {
    const std::string path = fileFor<T>("floor");
    std::vector<Bits<T>> swapped(kValueCount);
    const TesFdOpenFlags flags{.write = true, .create = true, .truncate = true};
    for (auto _ : state) {
        swapInto(values<T>(), swapped);
        const int fd = tesFdOpen(path.c_str(), flags);
        const auto bytes = static_cast<int64_t>(kValueCount * sizeof(T));
        if (tesFdWrite(fd, swapped.data(), bytes) != bytes) state.SkipWithError("write failed");
        tesFdClose(fd);
    }
    setThroughput<T>(state, kValueCount);
}

template <class T>
void BinInputFileRead(benchmark::State& state) {
    const std::u16string path = std::filesystem::path(fileFor<T>("input")).u16string();
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        BinInputFile in(path.c_str());
        if (!in.read(read.data(), kValueCount)) state.SkipWithError("read failed");
    }
    if (read != values<T>()) state.SkipWithError("read back differs");
    setThroughput<T>(state, kValueCount);
}

template <class T>
void FloorReadAndSwap(benchmark::State& state) {
    const std::string path = fileFor<T>("input");
    std::vector<Bits<T>> stored(kValueCount);
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        const int fd = tesFdOpen(path.c_str(), TesFdOpenFlags{.read = true});
        const auto bytes = static_cast<int64_t>(kValueCount * sizeof(T));
        if (tesFdRead(fd, stored.data(), bytes) != bytes) state.SkipWithError("read failed");
        tesFdClose(fd);
        swapFrom(stored, read);
    }
    if (read != values<T>()) state.SkipWithError("read back differs");
    setThroughput<T>(state, kValueCount);
}

template <class T>
void BinOutputMemoryWrite(benchmark::State& state) {
    std::vector<uint8_t> bytes(kValueCount * sizeof(T));
    for (auto _ : state) {
        BufferOutput out(bytes);
        if (!out.write(values<T>().data(), kValueCount) || !out.close()) state.SkipWithError("write failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    setThroughput<T>(state, kValueCount);
}

template <class T>
void FloorSwapInMemory(benchmark::State& state) {
    std::vector<Bits<T>> swapped(kValueCount);
    for (auto _ : state) {
        swapInto(values<T>(), swapped);
        benchmark::DoNotOptimize(swapped.data());
    }
    setThroughput<T>(state, kValueCount);
}

template <class T>
const std::vector<uint8_t>& storedBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> stored(kValueCount * sizeof(T));
        BufferOutput out(stored);
        out.write(values<T>().data(), kValueCount);
        out.close();
        return stored;
    }();
    return bytes;
}

template <class T>
void BinInputMemoryRead(benchmark::State& state) {
    std::vector<T> read(kValueCount);
    for (auto _ : state) {
        BufferInput in(storedBytes<T>());
        if (!in.read(read.data(), kValueCount)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(read.data());
    }
    if (read != values<T>()) state.SkipWithError("read back differs");
    setThroughput<T>(state, kValueCount);
}

template <class T>
void FloorUnswapInMemory(benchmark::State& state) {
    std::vector<T> read(kValueCount);
    std::vector<Bits<T>> stored(kValueCount);
    for (auto _ : state) {
        std::memcpy(stored.data(), storedBytes<T>().data(), kValueCount * sizeof(T));
        swapFrom(stored, read);
        benchmark::DoNotOptimize(read.data());
    }
    if (read != values<T>()) state.SkipWithError("read back differs");
    setThroughput<T>(state, kValueCount);
}

// The vec3d blocks: the points are the first 3 * 10^5 doubles.
void TesFileWriteVec3dBlocks(benchmark::State& state) {
    const std::u16string path = std::filesystem::path(fileFor<double>("blocks")).u16string();
    const double* points = values<double>().data();
    for (auto _ : state) {
        TesFileWrite writer;
        writer.setVersion(kNarrowFormat);
        writer.open(path.c_str());
        for (size_t i = 0; i < kBlockCount; ++i) {
            const double point[3] = {points[3 * i], points[3 * i + 1], points[3 * i + 2]};
            writer.writeVec3d(point);
        }
        if (!writer.close()) state.SkipWithError("write failed");
    }
    setThroughput<double>(state, 3 * kBlockCount);
}

std::vector<uint8_t> vec3dBlocksDirect() {
    const size_t total = 8 + kBlockCount * kVec3dBlockBytes;
    std::vector<uint8_t> bytes(total);
    tesToBigEndian(uint32_t{0x4E454C00}, bytes.data(), 4);
    tesToBigEndian(static_cast<uint32_t>(total), bytes.data() + 4, 4);
    uint8_t* at = bytes.data() + 8;
    for (size_t i = 0; i < kBlockCount; ++i, at += kVec3dBlockBytes) {
        tesToBigEndian(uint32_t{0x01000000}, at, 4);
        tesToBigEndian(static_cast<uint32_t>(kVec3dBlockBytes), at + 4, 4);
        for (size_t k = 0; k < 3; ++k) tesToBigEndian(values<double>()[3 * i + k], at + 8 + 8 * k, 8);
    }
    return bytes;
}

void FloorVec3dBlocksWrite(benchmark::State& state) {
    const std::string path = fileFor<double>("blocksfloor");
    const TesFdOpenFlags flags{.write = true, .create = true, .truncate = true};
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = vec3dBlocksDirect();
        const int fd = tesFdOpen(path.c_str(), flags);
        if (tesFdWrite(fd, bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) {
            state.SkipWithError("write failed");
        }
        tesFdClose(fd);
    }
    setThroughput<double>(state, 3 * kBlockCount);
}

void TesFileReadVec3dBlocks(benchmark::State& state) {
    const TesString path = TesString::fromUtf8(fileFor<double>("blocksinput"));
    std::vector<double> read(3 * kBlockCount);
    for (auto _ : state) {
        TesFileRead reader;
        reader.open(path);
        for (size_t i = 0; i < kBlockCount; ++i) {
            double point[3];
            reader.readVec3d(point);
            std::copy(point, point + 3, read.begin() + static_cast<std::ptrdiff_t>(3 * i));
        }
        if (!reader.good()) state.SkipWithError("read failed");
    }
    if (!std::equal(read.begin(), read.end(), values<double>().begin())) state.SkipWithError("read back differs");
    setThroughput<double>(state, 3 * kBlockCount);
}

void FloorVec3dBlocksRead(benchmark::State& state) {
    const std::string path = fileFor<double>("blocksinput");
    const size_t total = 8 + kBlockCount * kVec3dBlockBytes;
    std::vector<uint8_t> bytes(total);
    std::vector<double> read(3 * kBlockCount);
    for (auto _ : state) {
        const int fd = tesFdOpen(path.c_str(), TesFdOpenFlags{.read = true});
        if (tesFdRead(fd, bytes.data(), static_cast<int64_t>(total)) != static_cast<int64_t>(total)) {
            state.SkipWithError("read failed");
        }
        tesFdClose(fd);
        const uint8_t* at = bytes.data() + 8;
        for (size_t i = 0; i < kBlockCount; ++i, at += kVec3dBlockBytes) {
            const uint32_t size = tesFromBigEndian<uint32_t>(at + 4, 4);
            if (size != kVec3dBlockBytes) state.SkipWithError("bad block");
            for (size_t k = 0; k < 3; ++k) read[3 * i + k] = tesFromBigEndian<double>(at + 8 + 8 * k, 8);
        }
    }
    if (!std::equal(read.begin(), read.end(), values<double>().begin())) state.SkipWithError("read back differs");
    setThroughput<double>(state, 3 * kBlockCount);
}

template <class T>
bool writeInput() {
    BinOutputFile out(std::filesystem::path(fileFor<T>("input")).u16string().c_str());
    return out.write(values<T>().data(), kValueCount) && out.close();
}

bool writeBlocksInput() {
    const std::vector<uint8_t> bytes = vec3dBlocksDirect();
    BinOutputFile out(std::filesystem::path(fileFor<double>("blocksinput")).u16string().c_str());
    return out.writeRaw(bytes.data(), bytes.size()) && out.close();
}

}  // namespace

BENCHMARK(BinOutputFileWrite<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorSwapAndWrite<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinInputFileRead<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorReadAndSwap<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinOutputFileWrite<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorSwapAndWrite<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinInputFileRead<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorReadAndSwap<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinOutputMemoryWrite<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorSwapInMemory<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinInputMemoryRead<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorUnswapInMemory<double>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinOutputMemoryWrite<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorSwapInMemory<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BinInputMemoryRead<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorUnswapInMemory<int32_t>)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TesFileWriteVec3dBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorVec3dBlocksWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TesFileReadVec3dBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FloorVec3dBlocksRead)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    return runBenchmarksInFolder(&argc, argv, "binio-bulk",
                                 [] { return writeInput<double>() && writeInput<int32_t>() && writeBlocksInput(); });
}
