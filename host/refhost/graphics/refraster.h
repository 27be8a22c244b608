// A software rasteriser into an id buffer and a depth buffer: the off-screen
// visibility buffer behind picking. Pixel (x, y) has its centre at
// (x + 0.5, y + 0.5); row 0 is the top of the view (clip y = +w).
//
// Depth is 1 / w (w = clip w, the distance along the view axis), nearer is
// larger, 0 is empty. A pixel takes an item when the item's 1 / w there is
// strictly greater than the stored one, so on equal depth the item drawn
// first keeps it. Item ids are 1-based (item k has id k + 1); id 0 is empty.
//
// Triangles are culled when back-facing (front is counter-clockwise on the
// screen), clipped in homogeneous space against the near plane (z = -w) and a
// guard band well outside the screen, and filled with 8 sub-pixel bits and a
// top-left rule: a pixel centre on an edge shared by two triangles belongs to
// exactly one of them. Triangles wholly beyond the far plane are dropped; ones
// crossing it are not cut. Anything with a non-finite coordinate draws nothing.
// Results do not depend on the compiler, the optimisation level or the thread
// count.
#pragma once

#include <cstdint>
#include <vector>

#include "tesmatrix.h"

class RefRaster {
public:
    // How a triangle's pixels are found: 8 x 8 tiles rejected or accepted
    // whole (the normal way; a triangle within a tile's size just tests its
    // box), or every pixel of its bounding box tested (the baseline the
    // benchmark measures against). Both give the same buffers.
    enum class Fill { Tiled, BoundingBox };

    // Widths and heights are clamped to 1 ... kMaxSize.
    static constexpr int32_t kMaxSize = 1 << 16;
    static constexpr int32_t kMaxThreads = 64;

    RefRaster(int32_t width, int32_t height);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Empties both buffers.
    void clear();

    // Draws `triangleCount` triangles, three vertex indices each into `xyz`
    // (x, y, z per vertex; every index must have its vertex there); triangle
    // k writes id firstId + k, so that several meshes can share the buffers.
    // A triangle with a negative index draws nothing. Up to `threads` threads
    // (1 ... kMaxThreads) share the work; the rows are drawn in bands, each by
    // one thread at a time.
    void drawTriangles(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                       const TesMatrix& worldToClip, int32_t threads, Fill fill = Fill::Tiled, int32_t firstId = 1);
    // Writes the pixel under each point inside the frustum (-w <= x, y, z <= w,
    // w > 0) with id firstId + k, by the same depth rule.
    void drawPoints(const double* xyz, int32_t count, const TesMatrix& worldToClip, int32_t firstId = 1);

    // Id and depth of a pixel; 0 outside the buffer.
    int32_t id(int32_t x, int32_t y) const;
    float depth(int32_t x, int32_t y) const;
    // Row by row from the top.
    const std::vector<int32_t>& ids() const { return ids_; }
    const std::vector<float>& depths() const { return depths_; }

    // The ids owning at least one pixel of the rectangle (cut to the buffer),
    // ascending, each once.
    std::vector<int32_t> picked(int32_t x, int32_t y, int32_t width, int32_t height) const;

    // The ids of the triangles that are visible in the buffer drawn: a
    // triangle is visible when it has finite coordinates, no negative index,
    // all its vertices lie in front of the near plane, it is not wholly
    // outside one side of the frustum, it is front-facing, and at one of its
    // samples at least it is not hidden. Its samples are its vertices and its
    // centroid, each looked up at the pixel under it (clamped into the
    // buffer); a sample with 1 / w = d is hidden when the pixel's stored depth
    // exceeds d · (1 + tolerance). So a triangle smaller than a pixel lying on
    // the visible surface is visible though it owns no pixel. Ascending ids.
    std::vector<int32_t> visibleTriangles(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                                          const TesMatrix& worldToClip, double tolerance) const;
    // The ids of the points inside the frustum (as drawPoints) not hidden at
    // their pixel by the same rule. Ascending ids.
    std::vector<int32_t> visiblePoints(const double* xyz, int32_t count, const TesMatrix& worldToClip,
                                       double tolerance) const;

private:
    int32_t width_;
    int32_t height_;
    std::vector<int32_t> ids_;
    std::vector<float> depths_;
};
