// 4 × 4 matrix product, inversion and point transform: TesMatrix against
// Eigen's Matrix4d (row-major, as TesMatrix stores it) on the same data.
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <random>
#include <vector>

#include "tesmatrix.h"

namespace {

using RowMajor4d = Eigen::Matrix<double, 4, 4, Eigen::RowMajor>;

constexpr int kPointCount = 4096;

TesMatrix sampleTransform(unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    TesMatrix m = TesMatrix::rotation({value(random), value(random), value(random)}, value(random) * 3.0);
    m.setTranslation({value(random) * 100.0, value(random) * 100.0, value(random) * 100.0});
    return m;
}

RowMajor4d toEigen(const TesMatrix& m) { return Eigen::Map<const RowMajor4d>(m.data()); }

std::vector<TesVector> samplePoints() {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    std::vector<TesVector> points(kPointCount);
    for (TesVector& p : points) p = {value(random), value(random), value(random)};
    return points;
}

void TesMatrixProduct(benchmark::State& state) {
    TesMatrix a = sampleTransform(1);
    const TesMatrix b = sampleTransform(2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        TesMatrix c = a * b;
        benchmark::DoNotOptimize(c);
    }
}

void EigenProduct(benchmark::State& state) {
    RowMajor4d a = toEigen(sampleTransform(1));
    const RowMajor4d b = toEigen(sampleTransform(2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        RowMajor4d c = a * b;
        benchmark::DoNotOptimize(c.data());
    }
}

void TesMatrixInverse(benchmark::State& state) {
    TesMatrix m = sampleTransform(3);
    TesMatrix result;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m);
        benchmark::DoNotOptimize(m.inverse(result));
        benchmark::DoNotOptimize(result);
    }
}

void EigenInverse(benchmark::State& state) {
    RowMajor4d m = toEigen(sampleTransform(3));
    RowMajor4d result;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.data());
        result = m.inverse();
        benchmark::DoNotOptimize(result.data());
    }
}

// Eigen's LU with partial pivoting: the same method as TesMatrix::inverse.
void EigenPartialPivLuInverse(benchmark::State& state) {
    RowMajor4d m = toEigen(sampleTransform(3));
    RowMajor4d result;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.data());
        result = m.partialPivLu().inverse();
        benchmark::DoNotOptimize(result.data());
    }
}

void TesMatrixTransformPoints(benchmark::State& state) {
    const TesMatrix m = sampleTransform(4);
    std::vector<TesVector> points = samplePoints();
    for (auto _ : state) {
        for (TesVector& p : points) p = m.transformPoint(p);
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(state.iterations() * kPointCount);
}

// Homogeneous transform with the same rule: divide only when w is not 1.
void EigenTransformPoints(benchmark::State& state) {
    const RowMajor4d m = toEigen(sampleTransform(4));
    std::vector<Eigen::Vector3d> points;
    for (const TesVector& p : samplePoints()) points.emplace_back(p.x, p.y, p.z);
    for (auto _ : state) {
        for (Eigen::Vector3d& p : points) {
            const Eigen::Vector4d h = m * p.homogeneous();
            p = h.w() == 1.0 ? Eigen::Vector3d(h.head<3>()) : Eigen::Vector3d(h.head<3>() / h.w());
        }
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(state.iterations() * kPointCount);
}

}  // namespace

BENCHMARK(TesMatrixProduct);
BENCHMARK(EigenProduct);
BENCHMARK(TesMatrixInverse);
BENCHMARK(EigenInverse);
BENCHMARK(EigenPartialPivLuInverse);
BENCHMARK(TesMatrixTransformPoints);
BENCHMARK(EigenTransformPoints);

BENCHMARK_MAIN();
