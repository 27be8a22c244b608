// What a drawn buffer tells: the ids under a rectangle and the items not
// hidden in it.
#include <algorithm>
#include <thread>

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

// What a triangle asks of each of its corners, worked out once per vertex.
struct Corner {
    ClipPoint clip;
    double x, y;    // on the screen
    uint32_t code;  // outcode
    bool usable;    // finite, in front of the near plane
    bool passes;    // its own sample is not hidden
};

// Runs work(begin, end) over 0 ... count - 1 in two halves on two threads.
template <typename Work>
void inHalves(int32_t count, const Work& work) {
    const int32_t middle = count / 2;
    std::thread other([&] { work(middle, count); });
    work(0, middle);
    other.join();
}

std::vector<Corner> corners(const RefRaster& raster, const Viewport& view, const double* xyz, int32_t vertexCount,
                            const TesMatrix& worldToClip, double tolerance) {
    std::vector<Corner> result(static_cast<size_t>(vertexCount));
    inHalves(vertexCount, [&](int32_t begin, int32_t end) {
        for (int32_t i = begin; i < end; ++i) {
            Corner& corner = result[static_cast<size_t>(i)];
            corner.clip = toClip(worldToClip, xyz + int64_t{i} * 3);
            corner.code = view.outcode(corner.clip);
            corner.usable = (corner.code & (kNonFinite | kNear)) == 0 && corner.clip.w > kMinW;
            corner.x = corner.usable ? view.screenX(corner.clip) : 0.0;
            corner.y = corner.usable ? view.screenY(corner.clip) : 0.0;
            corner.passes = corner.usable && passes(raster, view, corner.clip, tolerance);
        }
    });
    return result;
}

// Front-facing when counter-clockwise on the screen (clockwise with y down).
bool frontFacing(const Corner& a, const Corner& b, const Corner& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) < 0;
}

bool visibleTriangle(const RefRaster& raster, const Viewport& view, const Corner& a, const Corner& b, const Corner& c,
                     double tolerance) {
    if (!a.usable || !b.usable || !c.usable) return false;
    if ((a.code & b.code & c.code & kOutsideFrustum) != 0 || !frontFacing(a, b, c)) return false;
    if (a.passes || b.passes || c.passes) return true;
    const ClipPoint centroid{(a.clip.x + b.clip.x + c.clip.x) / 3, (a.clip.y + b.clip.y + c.clip.y) / 3,
                             (a.clip.z + b.clip.z + c.clip.z) / 3, (a.clip.w + b.clip.w + c.clip.w) / 3};
    return passes(raster, view, centroid, tolerance);
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
    const int32_t count = std::max(triangleCount, 0);
    const int32_t largest = count > 0 ? *std::max_element(triangles, triangles + int64_t{count} * 3) : -1;
    const std::vector<Corner> corner = corners(*this, view, xyz, largest + 1, worldToClip, tolerance);
    std::vector<int32_t> halves[2];
    inHalves(count, [&](int32_t begin, int32_t end) {
        std::vector<int32_t>& visible = halves[begin == 0 ? 0 : 1];
        for (int32_t k = begin; k < end; ++k) {
            const int32_t* index = triangles + int64_t{k} * 3;
            if (std::min({index[0], index[1], index[2]}) < 0) continue;
            if (visibleTriangle(*this, view, corner[index[0]], corner[index[1]], corner[index[2]], tolerance)) {
                visible.push_back(k + 1);
            }
        }
    });
    halves[0].insert(halves[0].end(), halves[1].begin(), halves[1].end());
    return std::move(halves[0]);
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
