#include "refrasterfill.h"

#include <algorithm>
#include <array>

namespace refraster {
namespace {

constexpr int64_t kSub = int64_t{1} << kSubPixelBits;
constexpr int32_t kTile = 8;

// An edge function, exact in 64 bits: not negative inside; on the edge itself
// only where the top-left rule gives the pixel to this triangle.
struct Edge {
    int64_t atOrigin;  // at the centre of pixel (0, 0)
    int64_t stepX, stepY;

    int64_t at(int32_t x, int32_t y) const { return atOrigin + stepX * x + stepY * y; }
};

// Edge a -> b of a triangle wound so that its inside is on the positive side.
Edge edge(const ScreenVertex& a, const ScreenVertex& b) {
    const int64_t dx = int64_t{b.x} - a.x;
    const int64_t dy = int64_t{b.y} - a.y;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    const int64_t half = kSub / 2;
    return {dx * (half - a.y) - dy * (half - a.x) - (topLeft ? 0 : 1), -dy * kSub, dx * kSub};
}

// 1 / w over the triangle is affine in screen space: at pixel (x, y) it is
// invW + dx * (x + offsetX) + dy * (y + offsetY), always evaluated from the
// pixel's own coordinates so that no band or traversal order changes it.
struct DepthPlane {
    double invW, dx, dy, offsetX, offsetY;
};

DepthPlane depthPlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    const double x1 = static_cast<double>(b.x - a.x) / kSub, y1 = static_cast<double>(b.y - a.y) / kSub;
    const double x2 = static_cast<double>(c.x - a.x) / kSub, y2 = static_cast<double>(c.y - a.y) / kSub;
    const double w1 = b.invW - a.invW, w2 = c.invW - a.invW;
    const double inverse = 1.0 / (x1 * y2 - y1 * x2);
    return {a.invW, (w1 * y2 - y1 * w2) * inverse, (x1 * w2 - w1 * x2) * inverse,
            0.5 - static_cast<double>(a.x) / kSub, 0.5 - static_cast<double>(a.y) / kSub};
}

struct Setup {
    std::array<Edge, 3> edges;
    DepthPlane depth;
    PixelBox box;
};

// Pixels i with a centre i * kSub + kSub / 2 in [low, high].
int32_t firstCentre(int64_t low) { return static_cast<int32_t>((low - kSub / 2 + kSub - 1) >> kSubPixelBits); }
int32_t lastCentre(int64_t high) { return static_cast<int32_t>((high - kSub / 2) >> kSubPixelBits); }

// Pixels x0 ... x1 of rows y0 ... y1; `test` false when every edge is known
// to hold over the whole rectangle.
void fillRect(const Band& band, const Setup& s, int32_t id, int32_t x0, int32_t x1, int32_t y0, int32_t y1,
              bool test) {
    const DepthPlane& d = s.depth;
    for (int32_t y = y0; y <= y1; ++y) {
        int64_t e0 = s.edges[0].at(x0, y), e1 = s.edges[1].at(x0, y), e2 = s.edges[2].at(x0, y);
        const double row = d.invW + d.dy * (y + d.offsetY);
        int32_t* ids = band.ids + static_cast<int64_t>(y) * band.width;
        float* depths = band.depths + static_cast<int64_t>(y) * band.width;
        for (int32_t x = x0; x <= x1; ++x) {
            const bool inside = !test || (e0 | e1 | e2) >= 0;
            e0 += s.edges[0].stepX;
            e1 += s.edges[1].stepX;
            e2 += s.edges[2].stepX;
            if (!inside) continue;
            const float z = static_cast<float>(row + d.dx * (x + d.offsetX));
            if (z > depths[x]) {
                depths[x] = z;
                ids[x] = id;
            }
        }
    }
}

// Walks the 8 x 8 tiles of the box: a tile wholly outside one edge is
// skipped, one wholly inside all three is filled without edge tests.
void fillTiles(const Band& band, const Setup& s, int32_t id) {
    const PixelBox& box = s.box;
    for (int32_t ty = box.minY - box.minY % kTile; ty <= box.maxY; ty += kTile) {
        const int32_t y0 = std::max(ty, box.minY), y1 = std::min(ty + kTile - 1, box.maxY);
        for (int32_t tx = box.minX - box.minX % kTile; tx <= box.maxX; tx += kTile) {
            const int32_t x0 = std::max(tx, box.minX), x1 = std::min(tx + kTile - 1, box.maxX);
            bool outside = false, partial = false;
            for (const Edge& e : s.edges) {
                const int64_t value = e.at(x0, y0), across = e.stepX * (x1 - x0), down = e.stepY * (y1 - y0);
                outside |= value + std::max<int64_t>(across, 0) + std::max<int64_t>(down, 0) < 0;
                partial |= value + std::min<int64_t>(across, 0) + std::min<int64_t>(down, 0) < 0;
            }
            if (!outside) fillRect(band, s, id, x0, x1, y0, y1, partial);
        }
    }
}

}  // namespace

bool frontBox(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int32_t width, int32_t rowBegin,
              int32_t rowEnd, PixelBox& box) {
    box.minY = std::max(firstCentre(std::min({a.y, b.y, c.y})), rowBegin);
    box.maxY = std::min(lastCentre(std::max({a.y, b.y, c.y})), rowEnd - 1);
    if (box.minY > box.maxY) return false;
    // Counter-clockwise on the screen is clockwise with y down: a negative area.
    const int64_t area = (int64_t{b.x} - a.x) * (int64_t{c.y} - a.y) - (int64_t{b.y} - a.y) * (int64_t{c.x} - a.x);
    if (area >= 0) return false;
    box.minX = std::max(firstCentre(std::min({a.x, b.x, c.x})), 0);
    box.maxX = std::min(lastCentre(std::max({a.x, b.x, c.x})), width - 1);
    return box.minX <= box.maxX;
}

void fillTriangle(const Band& band, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int32_t id) {
    Setup s;
    if (!frontBox(a, b, c, band.width, band.rowBegin, band.rowEnd, s.box)) return;
    s.edges = {edge(a, c), edge(c, b), edge(b, a)};
    s.depth = depthPlane(a, c, b);
    const PixelBox& box = s.box;
    // Most triangles of a fine mesh fit in a tile: testing tiles would not pay.
    const bool small = box.maxX - box.minX < kTile && box.maxY - box.minY < kTile;
    if (band.fill == RefRaster::Fill::Tiled && !small) {
        fillTiles(band, s, id);
    } else {
        fillRect(band, s, id, box.minX, box.maxX, box.minY, box.maxY, true);
    }
}

namespace {

constexpr int kMaxPolygon = 9;  // a triangle cut by five planes

struct Polygon {
    std::array<ClipPoint, kMaxPolygon> points;
    int count = 0;
};

// Keeps the part of the polygon where plane(point) >= 0. A crossing is always
// interpolated from its inside end, so the two triangles along an edge cut it
// at the same point.
template <typename Plane>
Polygon clipPolygon(const Polygon& in, Plane plane) {
    Polygon out;
    for (int i = 0; i < in.count; ++i) {
        const ClipPoint& p = in.points[i];
        const ClipPoint& q = in.points[(i + 1) % in.count];
        const double dp = plane(p), dq = plane(q);
        if (dp >= 0) out.points[out.count++] = p;
        if ((dp >= 0) == (dq >= 0)) continue;
        const ClipPoint& inside = dp >= 0 ? p : q;
        const ClipPoint& outside = dp >= 0 ? q : p;
        const double di = dp >= 0 ? dp : dq, dout = dp >= 0 ? dq : dp;
        const double t = di / (di - dout);
        out.points[out.count++] = {inside.x + t * (outside.x - inside.x), inside.y + t * (outside.y - inside.y),
                                   inside.z + t * (outside.z - inside.z), inside.w + t * (outside.w - inside.w)};
    }
    return out;
}

}  // namespace

void clipAndFill(const Band& band, const Viewport& view, const ClipPoint& a, const ClipPoint& b, const ClipPoint& c,
                 int32_t id) {
    Polygon polygon;
    polygon.points[0] = a;
    polygon.points[1] = b;
    polygon.points[2] = c;
    polygon.count = 3;
    const double gx = view.guardX, gy = view.guardY;
    polygon = clipPolygon(polygon, [](const ClipPoint& p) { return p.z + p.w; });
    polygon = clipPolygon(polygon, [gx](const ClipPoint& p) { return gx * p.w + p.x; });
    polygon = clipPolygon(polygon, [gx](const ClipPoint& p) { return gx * p.w - p.x; });
    polygon = clipPolygon(polygon, [gy](const ClipPoint& p) { return gy * p.w + p.y; });
    polygon = clipPolygon(polygon, [gy](const ClipPoint& p) { return gy * p.w - p.y; });
    std::array<ScreenVertex, kMaxPolygon> screen;
    for (int i = 0; i < polygon.count; ++i) {
        if (!(polygon.points[i].w > kMinW)) return;
        screen[i] = project(view, polygon.points[i], 0);
    }
    for (int i = 1; i + 1 < polygon.count; ++i) fillTriangle(band, screen[0], screen[i], screen[i + 1], id);
}

}  // namespace refraster
