// What a drawn buffer tells: the ids under a rectangle and the items not
// hidden in it.
#include <algorithm>
#include <array>

#include "refraster.h"
#include "refrasterclip.h"

using namespace refraster;

namespace {

std::vector<int32_t> sortedUnique(std::vector<int32_t> ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// Not hidden at the pixel under a point in front of the eye.
bool passes(const RefRaster& raster, const Viewport& view, const ClipPoint& c, double tolerance) {
    int32_t x = 0, y = 0;
    view.pixel(c, x, y);
    return raster.depth(x, y) <= (1.0 / c.w) * (1.0 + tolerance);
}

// Front-facing when counter-clockwise on the screen (clockwise with y down).
bool frontFacing(const Viewport& view, const std::array<ClipPoint, 3>& c) {
    const double x0 = view.screenX(c[0]), y0 = view.screenY(c[0]);
    const double area = (view.screenX(c[1]) - x0) * (view.screenY(c[2]) - y0) -
                        (view.screenY(c[1]) - y0) * (view.screenX(c[2]) - x0);
    return area < 0;
}

bool visibleTriangle(const RefRaster& raster, const Viewport& view, const std::array<ClipPoint, 3>& c,
                     double tolerance) {
    uint32_t all = ~0u;
    for (const ClipPoint& corner : c) {
        const uint32_t code = view.outcode(corner);
        if ((code & (kNonFinite | kNear)) != 0 || !(corner.w > kMinW)) return false;
        all &= code;
    }
    if ((all & kOutsideFrustum) != 0 || !frontFacing(view, c)) return false;
    const ClipPoint centroid{(c[0].x + c[1].x + c[2].x) / 3, (c[0].y + c[1].y + c[2].y) / 3,
                             (c[0].z + c[1].z + c[2].z) / 3, (c[0].w + c[1].w + c[2].w) / 3};
    return passes(raster, view, centroid, tolerance) ||
           std::any_of(c.begin(), c.end(), [&](const ClipPoint& p) { return passes(raster, view, p, tolerance); });
}

}  // namespace

std::vector<int32_t> RefRaster::picked(int32_t x, int32_t y, int32_t width, int32_t height) const {
    const int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int64_t x1 = std::min(int64_t{x} + width, int64_t{width_});
    const int64_t y1 = std::min(int64_t{y} + height, int64_t{height_});
    std::vector<int32_t> found;
    for (int64_t row = y0; row < y1; ++row) {
        for (int64_t column = x0; column < x1; ++column) {
            const int32_t value = ids_[static_cast<size_t>(row * width_ + column)];
            if (value != 0 && (found.empty() || found.back() != value)) found.push_back(value);
        }
    }
    return sortedUnique(std::move(found));
}

std::vector<int32_t> RefRaster::visibleTriangles(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                                                 const TesMatrix& worldToClip, double tolerance) const {
    const Viewport view(width_, height_);
    std::vector<int32_t> visible;
    for (int32_t k = 0; k < triangleCount; ++k) {
        const int32_t* corner = triangles + int64_t{k} * 3;
        if (std::min({corner[0], corner[1], corner[2]}) < 0) continue;
        const std::array<ClipPoint, 3> c{toClip(worldToClip, xyz + int64_t{corner[0]} * 3),
                                         toClip(worldToClip, xyz + int64_t{corner[1]} * 3),
                                         toClip(worldToClip, xyz + int64_t{corner[2]} * 3)};
        if (visibleTriangle(*this, view, c, tolerance)) visible.push_back(k + 1);
    }
    return visible;
}

std::vector<int32_t> RefRaster::visiblePoints(const double* xyz, int32_t count, const TesMatrix& worldToClip,
                                              double tolerance) const {
    const Viewport view(width_, height_);
    std::vector<int32_t> visible;
    for (int32_t k = 0; k < count; ++k) {
        const ClipPoint c = toClip(worldToClip, xyz + int64_t{k} * 3);
        if (insideFrustum(view, c) && passes(*this, view, c, tolerance)) visible.push_back(k + 1);
    }
    return visible;
}
