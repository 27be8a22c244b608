#include "refraster.h"

#include <algorithm>
#include <thread>

#include "refrasterfill.h"

using namespace refraster;

namespace {

// Runs work(part) for part 0 ... parts - 1, the first on the calling thread.
template <typename Work>
void runParts(int32_t parts, const Work& work) {
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(parts - 1));
    for (int32_t part = 1; part < parts; ++part) helpers.emplace_back(work, part);
    work(0);
    for (std::thread& helper : helpers) helper.join();
}

// Vertices 0 ... the largest index, or 0 when an index is negative (nothing
// can then be told about the triangle's vertices, so the whole triangle is
// skipped, and the count only has to cover the others).
int32_t vertexCountOf(const int32_t* triangles, int32_t triangleCount) {
    int32_t largest = -1;
    for (int64_t i = 0; i < int64_t{triangleCount} * 3; ++i) largest = std::max(largest, triangles[i]);
    return largest + 1;
}

// Screen positions of vertices begin ... end - 1. A vertex that needs
// clipping keeps only its outcode: the few triangles through it are clipped
// from their clip coordinates, computed again.
void transformVertices(const Viewport& view, const double* xyz, const TesMatrix& worldToClip, int32_t begin, int32_t end,
               ScreenVertex* screen) {
    for (int32_t i = begin; i < end; ++i) {
        const ClipPoint c = toClip(worldToClip, xyz + int64_t{i} * 3);
        const uint32_t code = view.outcode(c);
        screen[i] = (code & (kNeedsClip | kNonFinite)) != 0 ? ScreenVertex{0, 0, code, 0.0} : project(view, c, code);
    }
}

void fillBand(const Band& band, const Viewport& view, const std::vector<ScreenVertex>& screen, const double* xyz,
              const int32_t* triangles, int32_t triangleCount, const TesMatrix& worldToClip, int32_t firstId) {
    for (int32_t k = 0; k < triangleCount; ++k) {
        const int32_t* corner = triangles + int64_t{k} * 3;
        if (std::min({corner[0], corner[1], corner[2]}) < 0) continue;
        const ScreenVertex& a = screen[corner[0]];
        const ScreenVertex& b = screen[corner[1]];
        const ScreenVertex& c = screen[corner[2]];
        const uint32_t any = a.code | b.code | c.code;
        if ((any & kNonFinite) != 0 || (a.code & b.code & c.code & kOutsideFrustum) != 0) continue;
        if ((any & kNeedsClip) == 0) {
            fillTriangle(band, a, b, c, firstId + k);
        } else {
            const auto clip = [&](int32_t index) { return toClip(worldToClip, xyz + int64_t{index} * 3); };
            clipAndFill(band, view, clip(corner[0]), clip(corner[1]), clip(corner[2]), firstId + k);
        }
    }
}

}  // namespace

RefRaster::RefRaster(int32_t width, int32_t height)
    : width_(std::clamp(width, 1, kMaxSize)), height_(std::clamp(height, 1, kMaxSize)),
      ids_(static_cast<size_t>(width_) * height_), depths_(ids_.size()) {}

void RefRaster::clear() {
    std::fill(ids_.begin(), ids_.end(), 0);
    std::fill(depths_.begin(), depths_.end(), 0.0f);
}

int32_t RefRaster::id(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return ids_[static_cast<size_t>(y) * width_ + x];
}

float RefRaster::depth(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0.0f;
    return depths_[static_cast<size_t>(y) * width_ + x];
}

void RefRaster::drawTriangles(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                              const TesMatrix& worldToClip, int32_t threads, Fill fill, int32_t firstId) {
    if (triangleCount <= 0) return;
    const int32_t parts = std::clamp(threads, 1, height_);
    const Viewport view(width_, height_);
    const int32_t vertexCount = vertexCountOf(triangles, triangleCount);
    std::vector<ScreenVertex> screen(static_cast<size_t>(vertexCount));
    runParts(parts, [&](int32_t part) {
        transformVertices(view, xyz, worldToClip, static_cast<int32_t>(int64_t{vertexCount} * part / parts),
                          static_cast<int32_t>(int64_t{vertexCount} * (part + 1) / parts), screen.data());
    });
    runParts(parts, [&](int32_t part) {
        const Band band{ids_.data(), depths_.data(), width_, static_cast<int32_t>(int64_t{height_} * part / parts),
                        static_cast<int32_t>(int64_t{height_} * (part + 1) / parts), fill};
        fillBand(band, view, screen, xyz, triangles, triangleCount, worldToClip, firstId);
    });
}

void RefRaster::drawPoints(const double* xyz, int32_t count, const TesMatrix& worldToClip, int32_t firstId) {
    const Viewport view(width_, height_);
    for (int32_t k = 0; k < count; ++k) {
        const ClipPoint c = toClip(worldToClip, xyz + int64_t{k} * 3);
        if (!insideFrustum(view, c)) continue;
        int32_t x = 0, y = 0;
        view.pixel(c, x, y);
        const size_t at = static_cast<size_t>(y) * width_ + x;
        const float z = static_cast<float>(1.0 / c.w);
        if (z > depths_[at]) {
            depths_[at] = z;
            ids_[at] = firstId + k;
        }
    }
}
