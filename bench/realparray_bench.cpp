// TesVectorArray against the container a user would otherwise pick, a
// std::vector<std::array<double, 3>>: filling, transforming in place by an
// affine and by a projective matrix (the w rule in both), the bounding box,
// sorting, and the memory per point. The binary record of 10^7 points
// (240 MB) against the streams' own floor on the same bytes (one BinOutput /
// BinInput call over all coordinates) and against a raw fwrite / fread of the
// native doubles, all on files in the temporary folder. The reference host's
// memory manager serves the chunks, as in the product.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "benchfolder.h"
#include "binio.h"
#include "bitvector.h"
#include "refhost.h"
#include "tesvectorarray.h"

namespace {

constexpr int32_t kPoints = 10000000;
constexpr int32_t kSortPoints = 1000000;
constexpr size_t kCoordinates = 3;

using Point = std::array<double, 3>;
using PlainPoints = std::vector<Point>;

// A rotation about z by 0.1 with a translation.
constexpr double kAffine[16] = {0.9950041652780258, -0.09983341664682815, 0, 1.5,
                                0.09983341664682815, 0.9950041652780258, 0, -2.0,
                                0, 0, 1, 0.25,
                                0, 0, 0, 1};
// w = 1 + 1e-12 z: every point is divided, and the values stay put.
constexpr double kProjective[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1e-12, 1};

std::u16string fileFor(const char* kind) { return (benchFolder() / (std::string(kind) + ".bin")).u16string(); }

PlainPoints makePoints(int32_t count) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
    PlainPoints points(static_cast<size_t>(count));
    for (Point& point : points) point = {coordinate(random), coordinate(random), coordinate(random)};
    return points;
}

const PlainPoints& plainPoints() {
    static const PlainPoints points = makePoints(kPoints);
    return points;
}

void fillArray(TesVectorArray& array, const PlainPoints& points) {
    array.setActive(false);
    for (const Point& point : points) array.add(TesVector(point[0], point[1], point[2]));
}

TesVectorArray& arrayPoints() {
    static TesVectorArray* array = [] {
        auto* made = new TesVectorArray;
        fillArray(*made, plainPoints());
        return made;
    }();
    return *array;
}

void setPointThroughput(benchmark::State& state, int64_t points) {
    state.SetItemsProcessed(state.iterations() * points);
    state.SetBytesProcessed(state.iterations() * points * static_cast<int64_t>(sizeof(Point)));
}

void plainTransform(PlainPoints& points, const double* m) {
    for (Point& point : points) {
        const double x = point[0], y = point[1], z = point[2];
        double tx = m[0] * x + m[1] * y + m[2] * z + m[3];
        double ty = m[4] * x + m[5] * y + m[6] * z + m[7];
        double tz = m[8] * x + m[9] * y + m[10] * z + m[11];
        const double w = m[12] * x + m[13] * y + m[14] * z + m[15];
        if (w != 1.0) {
            tx /= w;
            ty /= w;
            tz /= w;
        }
        point = {tx, ty, tz};
    }
}

void Fill_TesVectorArray(benchmark::State& state) {
    for (auto _ : state) {
        TesVectorArray array;
        fillArray(array, plainPoints());
        benchmark::DoNotOptimize(array.count());
    }
    setPointThroughput(state, kPoints);
}

void Fill_StdVector(benchmark::State& state) {
    for (auto _ : state) {
        PlainPoints points;
        for (const Point& point : plainPoints()) points.push_back(point);
        benchmark::DoNotOptimize(points.data());
    }
    setPointThroughput(state, kPoints);
}

void Transform_TesVectorArray(benchmark::State& state, const double* matrix) {
    TesVectorArray& array = arrayPoints();
    for (auto _ : state) array.transform(matrix);
    setPointThroughput(state, kPoints);
}

void Transform_StdVector(benchmark::State& state, const double* matrix) {
    static PlainPoints points = plainPoints();
    for (auto _ : state) {
        plainTransform(points, matrix);
        benchmark::ClobberMemory();
    }
    setPointThroughput(state, kPoints);
}

void BoundingBox_TesVectorArray(benchmark::State& state) {
    TesVector min, max;
    for (auto _ : state) {
        arrayPoints().boundingBox(min, max);
        benchmark::DoNotOptimize(min);
        benchmark::DoNotOptimize(max);
    }
    setPointThroughput(state, kPoints);
}

inline void extendPlainBox(const Point& point, Point& min, Point& max) {
    for (size_t c = 0; c < kCoordinates; ++c) {
        min[c] = point[c] < min[c] ? point[c] : min[c];
        max[c] = point[c] > max[c] ? point[c] : max[c];
    }
}

void BoundingBox_StdVector(benchmark::State& state) {
    for (auto _ : state) {
        Point min = {1e42, 1e42, 1e42};
        Point max = {-1e42, -1e42, -1e42};
        for (const Point& point : plainPoints()) {
            extendPlainBox(point, min, max);
        }
        benchmark::DoNotOptimize(min);
        benchmark::DoNotOptimize(max);
    }
    setPointThroughput(state, kPoints);
}

// Every third point selected: the library's bit vector against the flags a
// user would keep beside a std::vector.
constexpr int32_t kSelectedEvery = 3;

void BoundingBoxOfSelection_TesVectorArray(benchmark::State& state) {
    BitVector selection(kPoints);
    for (int32_t index = 1; index <= kPoints; index += kSelectedEvery) selection.set(index);
    TesVector min, max;
    for (auto _ : state) {
        arrayPoints().boundingBox(min, max, selection);
        benchmark::DoNotOptimize(min);
        benchmark::DoNotOptimize(max);
    }
    setPointThroughput(state, kPoints);
}

void BoundingBoxOfSelection_StdVector(benchmark::State& state) {
    std::vector<bool> selected(kPoints);
    for (int32_t index = 0; index < kPoints; index += kSelectedEvery) selected[static_cast<size_t>(index)] = true;
    for (auto _ : state) {
        Point min = {1e42, 1e42, 1e42};
        Point max = {-1e42, -1e42, -1e42};
        for (size_t index = 0; index < selected.size(); ++index) {
            if (!selected[index]) continue;
            const Point& point = plainPoints()[index];
            extendPlainBox(point, min, max);
        }
        benchmark::DoNotOptimize(min);
        benchmark::DoNotOptimize(max);
    }
    setPointThroughput(state, kPoints);
}

void Sort_TesVectorArray(benchmark::State& state) {
    const PlainPoints points = makePoints(kSortPoints);
    for (auto _ : state) {
        state.PauseTiming();
        TesVectorArray array;
        fillArray(array, points);
        RealPArray::Compare compare(&array);
        RealPArray::Assign assign(&array);
        state.ResumeTiming();
        tesQuickSort(1, array.count(), compare, assign);
        benchmark::DoNotOptimize(array.at(1));
    }
    state.SetItemsProcessed(state.iterations() * kSortPoints);
}

void Sort_StdVector(benchmark::State& state) {
    const PlainPoints points = makePoints(kSortPoints);
    for (auto _ : state) {
        state.PauseTiming();
        PlainPoints copy = points;
        state.ResumeTiming();
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * kSortPoints);
}

void Write_TesVectorArrayRecord(benchmark::State& state) {
    const std::u16string path = fileFor("record");
    for (auto _ : state) {
        BinOutputFile out(path.c_str());
        if (!arrayPoints().write(out)) state.SkipWithError("write failed");
    }
    setPointThroughput(state, kPoints);
}

void Write_BinOutputFloor(benchmark::State& state) {
    const std::u16string path = fileFor("floor");
    for (auto _ : state) {
        BinOutputFile out(path.c_str());
        if (!out.write(plainPoints().front().data(), kCoordinates * kPoints)) state.SkipWithError("write failed");
    }
    setPointThroughput(state, kPoints);
}

void Write_RawFwrite(benchmark::State& state) {
    const std::string path = (benchFolder() / "raw.bin").string();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        benchmark::DoNotOptimize(std::fwrite(plainPoints().data(), sizeof(Point), kPoints, file));
        std::fclose(file);
    }
    setPointThroughput(state, kPoints);
}

void Read_TesVectorArrayRecord(benchmark::State& state) {
    const std::u16string path = fileFor("input-record");
    TesVectorArray array;
    array.setActive(false);
    for (auto _ : state) {
        BinInputFile in(path.c_str());
        if (!array.read(in) || array.count() != kPoints) state.SkipWithError("read failed");
    }
    setPointThroughput(state, kPoints);
}

void Read_BinInputFloor(benchmark::State& state) {
    const std::u16string path = fileFor("input-floor");
    PlainPoints points(kPoints);
    for (auto _ : state) {
        BinInputFile in(path.c_str());
        if (!in.read(points.front().data(), kCoordinates * kPoints)) state.SkipWithError("read failed");
    }
    setPointThroughput(state, kPoints);
}

void Read_RawFread(benchmark::State& state) {
    const std::string path = (benchFolder() / "input-raw.bin").string();
    PlainPoints points(kPoints);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (std::fread(points.data(), sizeof(Point), kPoints, file) != kPoints) state.SkipWithError("read failed");
        std::fclose(file);
    }
    setPointThroughput(state, kPoints);
}

// Bytes per point held by an array of n points, and by a vector filled the
// usual way (push_back, so with its spare capacity).
void Memory(benchmark::State& state) {
    const auto count = static_cast<int32_t>(state.range(0));
    const PlainPoints points(plainPoints().begin(), plainPoints().begin() + count);
    int64_t arrayBytes = 0;
    int64_t vectorBytes = 0;
    for (auto _ : state) {
        TesVectorArray array;
        fillArray(array, points);
        PlainPoints vector;
        for (const Point& point : points) vector.push_back(point);
        arrayBytes = array.storageBytes();
        vectorBytes = static_cast<int64_t>(vector.capacity() * sizeof(Point));
    }
    state.counters["array_bytes_per_point"] = static_cast<double>(arrayBytes) / count;
    state.counters["vector_bytes_per_point"] = static_cast<double>(vectorBytes) / count;
}

bool writeInputs() {
    BinOutputFile record(fileFor("input-record").c_str());
    BinOutputFile floor(fileFor("input-floor").c_str());
    std::FILE* raw = std::fopen((benchFolder() / "input-raw.bin").string().c_str(), "wb");
    const bool written = arrayPoints().write(record) && record.flush() &&
                         floor.write(plainPoints().front().data(), kCoordinates * kPoints) && floor.flush() &&
                         raw != nullptr && std::fwrite(plainPoints().data(), sizeof(Point), kPoints, raw) == kPoints;
    if (raw != nullptr) std::fclose(raw);
    return written;
}

}  // namespace

BENCHMARK(Fill_TesVectorArray)->Unit(benchmark::kMillisecond);
BENCHMARK(Fill_StdVector)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Transform_TesVectorArray, affine, kAffine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Transform_StdVector, affine, kAffine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Transform_TesVectorArray, projective, kProjective)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Transform_StdVector, projective, kProjective)->Unit(benchmark::kMillisecond);
BENCHMARK(BoundingBox_TesVectorArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BoundingBox_StdVector)->Unit(benchmark::kMillisecond);
BENCHMARK(BoundingBoxOfSelection_TesVectorArray)->Unit(benchmark::kMillisecond);
BENCHMARK(BoundingBoxOfSelection_StdVector)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort_TesVectorArray)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort_StdVector)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_TesVectorArrayRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_BinOutputFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_RawFwrite)->Unit(benchmark::kMillisecond);
BENCHMARK(Read_TesVectorArrayRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(Read_BinInputFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(Read_RawFread)->Unit(benchmark::kMillisecond);
BENCHMARK(Memory)->Arg(1000)->Arg(100000)->Arg(1000000)->Arg(kPoints)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    static RefHost* host = new RefHost;  // chunks from the host's memory manager, kept to exit
    host->installInLibrary();
    return runBenchmarksInFolder(&argc, argv, "realparray-bench", writeInputs);
}
