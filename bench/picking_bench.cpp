// Picks on a sphere of 500,000 triangles and a sphere of 500,000 points:
// building the index once per geometry (an Embree scene, a k-d tree) and a
// pick through it, against the brute-force pick that tests every triangle
// (Moller-Trumbore) or projects every point. Clicks fall at random on and
// around the sphere. The builds report the memory they keep: the resident
// size grown while the index lives, largest on a build whose memory is new to
// the process (the first).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "graphics/refgraphics.h"
#include "graphics/refpicking.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRings = 500;  // 2 x 500 x 500 triangles
constexpr int kSegments = 500;
constexpr int kPoints = 500000;

struct Sphere {
    std::vector<double> vertices;
    std::vector<int32_t> triangles;
    int32_t triangleCount() const { return static_cast<int32_t>(triangles.size() / 3); }
};

const Sphere& mesh() {
    static const Sphere sphere = [] {
        Sphere made;
        for (int ring = 0; ring <= kRings; ++ring) {
            for (int segment = 0; segment < kSegments; ++segment) {
                const double polar = kPi * ring / kRings, azimuth = 2 * kPi * segment / kSegments;
                made.vertices.insert(made.vertices.end(), {std::sin(polar) * std::cos(azimuth),
                                                           std::sin(polar) * std::sin(azimuth), std::cos(polar)});
            }
        }
        for (int ring = 0; ring < kRings; ++ring) {
            for (int segment = 0; segment < kSegments; ++segment) {
                const int32_t a = ring * kSegments + segment, b = ring * kSegments + (segment + 1) % kSegments;
                made.triangles.insert(made.triangles.end(), {a, a + kSegments, b, b, a + kSegments, b + kSegments});
            }
        }
        return made;
    }();
    return sphere;
}

const std::vector<double>& cloud() {
    static const std::vector<double> points = [] {
        std::mt19937 random(3);
        std::normal_distribution<double> normal;
        std::vector<double> xyz;
        xyz.reserve(3 * kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const TesVector p = TesVector{normal(random), normal(random), normal(random)}.normalized();
            xyz.insert(xyz.end(), {p.x, p.y, p.z});
        }
        return xyz;
    }();
    return points;
}

const RefRenderCamera& camera() {
    static const RefRenderCamera view = [] {
        IPtr<RefCamera> made(new RefCamera);
        made->lookAt({0, 0, 5}, {0, 0, -1}, {0, 1, 0});
        return RefRenderCamera{made->orientation(), made->projection()};
    }();
    return view;
}

// The sphere shows within 185 pixels of the centre (600, 450).
const std::vector<std::pair<double, double>>& clicks() {
    static const std::vector<std::pair<double, double>> positions = [] {
        std::mt19937 random(9);
        std::uniform_real_distribution<double> x(400, 800), y(250, 650);
        std::vector<std::pair<double, double>> made;
        for (int i = 0; i < 1024; ++i) made.emplace_back(x(random), y(random));
        return made;
    }();
    return positions;
}

double residentMiB() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

TesVector vertexOf(const Sphere& sphere, int32_t index) {
    return {sphere.vertices[3 * index], sphere.vertices[3 * index + 1], sphere.vertices[3 * index + 2]};
}

// The first crossing along the ray, or -1.
int32_t bruteForceTriangle(const Sphere& sphere, const RefPickRay& ray) {
    int32_t best = -1;
    double bestT = ray.length;
    for (int32_t i = 0; i < sphere.triangleCount(); ++i) {
        const TesVector a = vertexOf(sphere, sphere.triangles[3 * i]);
        const TesVector e1 = vertexOf(sphere, sphere.triangles[3 * i + 1]) - a;
        const TesVector e2 = vertexOf(sphere, sphere.triangles[3 * i + 2]) - a;
        const TesVector p = cross(ray.direction, e2);
        const double det = dot(e1, p);
        if (std::abs(det) < 1e-300) continue;
        const TesVector s = ray.origin - a, q = cross(s, e1);
        const double u = dot(s, p) / det, v = dot(ray.direction, q) / det, t = dot(e2, q) / det;
        if (u >= 0 && v >= 0 && u + v <= 1 && t >= 0 && t < bestT) best = i, bestT = t;
    }
    return best;
}

int32_t bruteForcePoint(const std::vector<double>& xyz, const RefPickProjector& projector, double x, double y) {
    double bestPixels = kRefPointPickPixels * kRefPointPickPixels, bestDepth = std::numeric_limits<double>::infinity();
    int32_t best = -1;
    for (size_t i = 0; i < xyz.size() / 3; ++i) {
        double px = 0, py = 0, depth = 0;
        if (!projector.project(&xyz[3 * i], &px, &py, &depth)) continue;
        const double pixels = (px - x) * (px - x) + (py - y) * (py - y);  // squared
        if (pixels < bestPixels || (pixels == bestPixels && depth < bestDepth)) {
            bestPixels = pixels, bestDepth = depth, best = static_cast<int32_t>(i);
        }
    }
    return best;
}

void BuildBvh_Mesh(benchmark::State& state) {
    const Sphere& sphere = mesh();
    double kept = 0;
    for (auto _ : state) {
        const double before = residentMiB();
        RefMeshPicker picker(sphere.vertices.data(), static_cast<int32_t>(sphere.vertices.size() / 3),
                             sphere.triangles.data(), sphere.triangleCount());
        kept = std::max(kept, residentMiB() - before);
        benchmark::DoNotOptimize(picker.good());
    }
    state.counters["triangles"] = sphere.triangleCount();
    state.counters["MiB"] = kept;
}

void BuildBvh_Cloud(benchmark::State& state) {
    const std::vector<double>& points = cloud();
    double kept = 0;
    for (auto _ : state) {
        const double before = residentMiB();
        RefCloudPicker picker(points.data(), kPoints);
        kept = std::max(kept, residentMiB() - before);
        benchmark::DoNotOptimize(picker.good());
    }
    state.counters["points"] = kPoints;
    state.counters["MiB"] = kept;
}

// Picks at the clicks in turn and reports the share that hit.
template <class Picker>
void pickClicks(benchmark::State& state, const Picker& picker) {
    size_t next = 0, hits = 0;
    for (auto _ : state) {
        const auto [x, y] = clicks()[next++ % clicks().size()];
        const RefPickHit hit = picker.pick(camera(), x, y, TesMatrix());
        hits += hit.hit;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void Pick_MeshBvh(benchmark::State& state) {
    const Sphere& sphere = mesh();
    const RefMeshPicker picker(sphere.vertices.data(), static_cast<int32_t>(sphere.vertices.size() / 3),
                               sphere.triangles.data(), sphere.triangleCount());
    pickClicks(state, picker);
}

void Pick_MeshBruteForce(benchmark::State& state) {
    size_t next = 0;
    for (auto _ : state) {
        const auto [x, y] = clicks()[next++ % clicks().size()];
        benchmark::DoNotOptimize(bruteForceTriangle(mesh(), refPickRay(camera(), x, y, TesMatrix())));
    }
}

void Pick_CloudBvh(benchmark::State& state) {
    const RefCloudPicker picker(cloud().data(), kPoints);
    pickClicks(state, picker);
}

void Pick_CloudBruteForce(benchmark::State& state) {
    const RefPickProjector projector(camera(), TesMatrix());
    size_t next = 0;
    for (auto _ : state) {
        const auto [x, y] = clicks()[next++ % clicks().size()];
        benchmark::DoNotOptimize(bruteForcePoint(cloud(), projector, x, y));
    }
}

}  // namespace

BENCHMARK(BuildBvh_Mesh)->Unit(benchmark::kMillisecond);
BENCHMARK(Pick_MeshBvh)->Unit(benchmark::kMicrosecond);
BENCHMARK(Pick_MeshBruteForce)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildBvh_Cloud)->Unit(benchmark::kMillisecond);
BENCHMARK(Pick_CloudBvh)->Unit(benchmark::kMicrosecond);
BENCHMARK(Pick_CloudBruteForce)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
