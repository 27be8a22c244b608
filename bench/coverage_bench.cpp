// One render of the visibility buffer at 1200 x 900: a sphere of about 500k
// triangles with boxes in front of it hiding part of it, seen from a few
// metres. "optimised" is the tiled fill on two threads; "naive" tests every
// pixel of each triangle's bounding box on one thread. Both must give the
// same buffers.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "graphics/refgraphics.h"
#include "graphics/refraster.h"

namespace {

constexpr int32_t kRings = 500;     // from pole to pole
constexpr int32_t kSegments = 500;  // around

struct Scene {
    std::vector<double> xyz;
    std::vector<int32_t> triangles;
    TesMatrix worldToClip;

    int32_t vertex(double x, double y, double z) {
        xyz.insert(xyz.end(), {x, y, z});
        return static_cast<int32_t>(xyz.size() / 3 - 1);
    }
    void quad(int32_t a, int32_t b, int32_t c, int32_t d) { triangles.insert(triangles.end(), {a, b, c, a, c, d}); }
    int32_t count() const { return static_cast<int32_t>(triangles.size() / 3); }
};

// A unit sphere of rings x segments quads, counter-clockwise from outside.
void addSphere(Scene& scene) {
    const int32_t first = static_cast<int32_t>(scene.xyz.size() / 3);
    for (int32_t ring = 0; ring <= kRings; ++ring) {
        const double polar = std::numbers::pi * ring / kRings;
        for (int32_t segment = 0; segment < kSegments; ++segment) {
            const double around = 2 * std::numbers::pi * segment / kSegments;
            scene.vertex(std::sin(polar) * std::cos(around), std::cos(polar), std::sin(polar) * std::sin(around));
        }
    }
    const auto at = [first](int32_t ring, int32_t segment) { return first + ring * kSegments + segment % kSegments; };
    for (int32_t ring = 0; ring < kRings; ++ring) {
        for (int32_t segment = 0; segment < kSegments; ++segment) {
            scene.quad(at(ring, segment), at(ring, segment + 1), at(ring + 1, segment + 1), at(ring + 1, segment));
        }
    }
}

void addBox(Scene& scene, double x, double y, double z, double half) {
    int32_t corner[8];
    for (int32_t i = 0; i < 8; ++i) {
        corner[i] = scene.vertex(x + (i & 1 ? half : -half), y + (i & 2 ? half : -half), z + (i & 4 ? half : -half));
    }
    scene.quad(corner[4], corner[5], corner[7], corner[6]);
    scene.quad(corner[0], corner[2], corner[3], corner[1]);
    scene.quad(corner[1], corner[3], corner[7], corner[5]);
    scene.quad(corner[0], corner[4], corner[6], corner[2]);
    scene.quad(corner[2], corner[6], corner[7], corner[3]);
    scene.quad(corner[0], corner[1], corner[5], corner[4]);
}

const Scene& scene() {
    static const Scene built = [] {
        Scene s;
        addSphere(s);
        addBox(s, -0.4, 0.3, 1.4, 0.25);
        addBox(s, 0.5, -0.2, 1.6, 0.2);
        addBox(s, 0.0, -0.6, 1.2, 0.15);
        IPtr<RefCamera> camera(new RefCamera);
        camera->clipping()->setNear(0.01);
        camera->lookAt({0.3, 0.4, 3.0}, {-0.1, -0.13, -1}, {0, 1, 0});
        s.worldToClip = camera->projection() * camera->orientation();
        return s;
    }();
    return built;
}

void render(RefRaster& raster, int32_t threads, RefRaster::Fill fill) {
    const Scene& s = scene();
    raster.clear();
    raster.drawTriangles(s.xyz.data(), s.triangles.data(), s.count(), s.worldToClip, threads, fill);
}

void BM_CoverageRender(benchmark::State& state, int32_t threads, RefRaster::Fill fill) {
    RefRaster raster(1200, 900), reference(1200, 900);
    render(raster, threads, fill);
    render(reference, 1, RefRaster::Fill::BoundingBox);
    if (raster.ids() != reference.ids() || raster.depths() != reference.depths()) {
        state.SkipWithError("the optimised and the naive buffers differ");
        return;
    }
    for (auto _ : state) {
        render(raster, threads, fill);
        benchmark::DoNotOptimize(raster.ids().data());
    }
    state.counters["triangles"] = scene().count();
}

}  // namespace

BENCHMARK_CAPTURE(BM_CoverageRender, optimised, 2, RefRaster::Fill::Tiled)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CoverageRender, naive, 1, RefRaster::Fill::BoundingBox)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
