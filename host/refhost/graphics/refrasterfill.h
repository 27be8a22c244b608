// Filling one triangle into a band of rows of the rasteriser's buffers:
// fixed-point set-up, culling, the top-left rule and the depth test, and the
// homogeneous clipping of triangles that reach behind the near plane or out
// of the guard band.
#pragma once

#include <cstdint>

#include "refraster.h"
#include "refrasterclip.h"

namespace refraster {

constexpr int kSubPixelBits = 8;

// A vertex on the screen: position in pixels with 8 fractional bits, 1 / w.
struct ScreenVertex {
    int32_t x, y;
    uint32_t code;
    double invW;
};

// One division a vertex: multiplying by 1 / w is as exact as dividing for
// positions rounded to 1/256 pixel.
inline ScreenVertex project(const Viewport& view, const ClipPoint& c, uint32_t code) {
    constexpr double scale = 1 << kSubPixelBits;
    const double invW = 1.0 / c.w;
    return {static_cast<int32_t>(std::floor((c.x * invW + 1.0) * view.halfWidth * scale + 0.5)),
            static_cast<int32_t>(std::floor((1.0 - c.y * invW) * view.halfHeight * scale + 0.5)), code, invW};
}

// Rows rowBegin ... rowEnd - 1 of the buffers, which are `width` wide.
struct Band {
    int32_t* ids;
    float* depths;
    int32_t width;
    int32_t rowBegin, rowEnd;
    RefRaster::Fill fill;
};

// The pixels whose centres a triangle may cover, within rows rowBegin ...
// rowEnd - 1 and columns 0 ... width - 1; false when it is back-facing or
// surely covers none of them.
struct PixelBox {
    int32_t minX, maxX, minY, maxY;
};
bool frontBox(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int32_t width, int32_t rowBegin,
              int32_t rowEnd, PixelBox& box);

// Draws a triangle whose vertices are in front of the near plane and inside
// the guard band, unless it is back-facing or covers no pixel centre.
void fillTriangle(const Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int32_t id);
// Draws the part of a triangle in front of the near plane and inside the
// guard band.
void clipAndFill(const Band& band, const Viewport& view, const ClipPoint& a, const ClipPoint& b, const ClipPoint& c,
                 int32_t id);

}  // namespace refraster
