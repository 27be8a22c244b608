// Clip-space points of the rasteriser: the transform, the side of each
// frustum plane a point lies on, and the map to pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tesmatrix.h"

namespace refraster {

struct ClipPoint {
    double x, y, z, w;
};

// Outcode bits: outside one frustum plane each, then the two the drawing
// needs beyond them.
constexpr uint32_t kLeft = 1, kRight = 2, kBottom = 4, kTop = 8, kNear = 16, kFar = 32;
constexpr uint32_t kOutsideFrustum = kLeft | kRight | kBottom | kTop | kNear | kFar;
constexpr uint32_t kNeedsClip = 64;  // behind the near plane or outside the guard band
constexpr uint32_t kNonFinite = 128;

// The smallest w drawn: 1 / w then stays far inside the range of a float.
constexpr double kMinW = 1e-30;

inline ClipPoint toClip(const TesMatrix& m, const double* p) {
    const double* r = m.data();
    return {r[0] * p[0] + r[1] * p[1] + r[2] * p[2] + r[3], r[4] * p[0] + r[5] * p[1] + r[6] * p[2] + r[7],
            r[8] * p[0] + r[9] * p[1] + r[10] * p[2] + r[11], r[12] * p[0] + r[13] * p[1] + r[14] * p[2] + r[15]};
}

// The pixel frame of a buffer: screen positions in pixels (y down) and the
// guard band, as a multiple of w, outside which triangles are clipped. The
// band reaches about 2^20 pixels out, so 8 sub-pixel bits fit in 29 bits.
struct Viewport {
    double halfWidth, halfHeight;
    double guardX, guardY;

    Viewport(int32_t width, int32_t height)
        : halfWidth(0.5 * width), halfHeight(0.5 * height), guardX((1 << 20) / halfWidth),
          guardY((1 << 20) / halfHeight) {}

    double screenX(const ClipPoint& c) const { return (c.x / c.w + 1.0) * halfWidth; }
    double screenY(const ClipPoint& c) const { return (1.0 - c.y / c.w) * halfHeight; }

    uint32_t outcode(const ClipPoint& c) const {
        if (!(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z) && std::isfinite(c.w))) return kNonFinite;
        uint32_t code = (c.x < -c.w ? kLeft : 0u) | (c.x > c.w ? kRight : 0u) | (c.y < -c.w ? kBottom : 0u) |
                        (c.y > c.w ? kTop : 0u) | (c.z < -c.w ? kNear : 0u) | (c.z > c.w ? kFar : 0u);
        const bool inGuard = c.w > kMinW && std::fabs(c.x) <= guardX * c.w && std::fabs(c.y) <= guardY * c.w;
        if ((code & kNear) != 0 || !inGuard) code |= kNeedsClip;
        return code;
    }

    // The pixel under a point in front of the eye, clamped into the buffer.
    void pixel(const ClipPoint& c, int32_t& x, int32_t& y) const {
        x = static_cast<int32_t>(std::clamp(std::floor(screenX(c)), 0.0, 2.0 * halfWidth - 1.0));
        y = static_cast<int32_t>(std::clamp(std::floor(screenY(c)), 0.0, 2.0 * halfHeight - 1.0));
    }
};

// Inside the frustum, as drawn points must be, and not too near the eye's plane.
inline bool insideFrustum(const Viewport& view, const ClipPoint& c) {
    return c.w > kMinW && (view.outcode(c) & (kOutsideFrustum | kNonFinite)) == 0;
}

}  // namespace refraster
