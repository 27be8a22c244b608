// A k-d tree over a flat array of points (x, y, z each), shared by the
// normals and the point picks. The array must outlive the tree.
#pragma once

#include <cstddef>
#include <cstdint>

#include <nanoflann.hpp>

// The adaptor through which the tree reads the points.
struct RefPointArray {
    const double* xyz = nullptr;
    size_t count = 0;

    size_t kdtree_get_point_count() const { return count; }
    double kdtree_get_pt(size_t index, size_t axis) const { return xyz[3 * index + axis]; }
    template <class Box>
    bool kdtree_get_bbox(Box&) const {
        return false;  // the tree measures the points itself
    }
};

// Built by its constructor: building again would double the cost.
using RefPointTree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, RefPointArray>,
                                                         RefPointArray, 3, uint32_t>;

inline constexpr size_t kRefPointLeafSize = 10;
