// The point picks of refpicking.h: a depth-first walk of the k-d tree that
// skips every node whose bounding sphere lies outside the cone of rays through
// the click's tolerance disc, and tests the points of the other leaves exactly
// in the viewport.
#include <algorithm>
#include <cmath>
#include <limits>

#include "computation/refpointtree.h"
#include "graphics/refpicking.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Widens the culling cone against rounding; points are then tested exactly.
constexpr double kConeMargin = 1.0 + 1e-6;

using Node = RefPointTree::Node;
using Box = RefPointTree::BoundingBox;

struct Best {
    double pixels = kRefPointPickPixels;
    double depth = kInfinity;
    int64_t id = -1;
};

// Camera space: model to camera is `toCamera`; rays through the click lie
// within `sine` of `axis` (a unit vector from the eye), as the tolerance
// disc shrinks so does the cone.
struct ConeWalk {
    const RefPointTree& tree;
    const double* xyz;
    const RefPickProjector& projector;
    TesMatrix toCamera;
    TesMatrix linear;  // toCamera without its translation
    TesVector axis;
    double clickX, clickY;
    double sinePerPixel;  // the cone's sine for a disc of one pixel
    Best best;

    void visit(const Node* node, Box box);
    bool outside(const Box& box) const;
    void test(uint32_t point);
};

// Conservative: the sphere around the box against the cone.
bool ConeWalk::outside(const Box& box) const {
    const TesVector half{(box[0].high - box[0].low) * 0.5, (box[1].high - box[1].low) * 0.5,
                         (box[2].high - box[2].low) * 0.5};
    const TesVector centre = toCamera * TesVector{box[0].low + half.x, box[1].low + half.y, box[2].low + half.z};
    double radius = 0;
    for (const TesVector corner : {half, TesVector{-half.x, half.y, half.z}, TesVector{half.x, -half.y, half.z},
                                   TesVector{-half.x, -half.y, half.z}}) {
        radius = std::max(radius, (linear * corner).length());
    }
    const double sine = std::min(1.0, best.pixels * sinePerPixel * kConeMargin);
    const double cosine = std::sqrt(1.0 - sine * sine);
    const double along = dot(centre, axis);
    const double across = std::sqrt(std::max(0.0, centre.squaredLength() - along * along));
    return across * cosine - along * sine > radius;
}

void ConeWalk::test(uint32_t point) {
    double x = 0, y = 0, depth = 0;
    if (!projector.project(xyz + 3 * static_cast<size_t>(point), &x, &y, &depth)) return;
    const double pixels = std::hypot(x - clickX, y - clickY);
    if (pixels > best.pixels || (pixels == best.pixels && depth >= best.depth)) return;
    best = {pixels, depth, point};
}

void ConeWalk::visit(const Node* node, Box box) {
    if (outside(box)) return;
    if (node->child1 == nullptr && node->child2 == nullptr) {
        for (size_t index = node->node_type.lr.left; index < node->node_type.lr.right; ++index) test(tree.vAcc[index]);
        return;
    }
    const int axis = node->node_type.sub.divfeat;
    Box low = box, high = box;
    low[axis].high = node->node_type.sub.divlow;
    high[axis].low = node->node_type.sub.divhigh;
    visit(node->child1, low);
    visit(node->child2, high);
}

bool isAffine(const TesMatrix& m) { return m(3, 0) == 0 && m(3, 1) == 0 && m(3, 2) == 0 && m(3, 3) == 1; }

}  // namespace

struct RefCloudPicker::Tree {
    RefPointArray points;
    RefPointTree index;

    explicit Tree(RefPointArray array)
        : points(array), index(3, points, nanoflann::KDTreeSingleIndexAdaptorParams(kRefPointLeafSize)) {}
};

RefCloudPicker::RefCloudPicker(const double* xyz, int32_t count) {
    if (count <= 0 || xyz == nullptr) return;
    const size_t values = 3 * static_cast<size_t>(count);
    if (!std::all_of(xyz, xyz + values, [](double v) { return std::isfinite(v); })) return;
    tree_ = std::make_unique<Tree>(RefPointArray{xyz, static_cast<size_t>(count)});
}

RefCloudPicker::~RefCloudPicker() = default;

RefPickHit RefCloudPicker::pick(const RefPickCamera& camera, double x, double y, const TesMatrix& pose) const {
    RefPickHit result;
    const TesMatrix toCamera = camera.orientation * pose;
    const RefPickRay ray = refPickRay(camera, x, y, pose);
    if (!good() || !ray.good || !isAffine(toCamera)) return result;
    const RefPickProjector projector(camera, pose);
    // One pixel at unit depth, the larger of its sides; sin(angle) between two
    // rays is at most their distance there, the rays being at least 1 long.
    const double pixel = std::max(2.0 / (std::abs(camera.projection(0, 0)) * camera.width),
                                  2.0 / (std::abs(camera.projection(1, 1)) * camera.height));
    const TesVector axis = (toCamera * ray.origin).normalized();
    ConeWalk walk{tree_->index, tree_->points.xyz, projector, toCamera, toCamera.rotationPart(), axis, x, y, pixel, {}};
    walk.visit(tree_->index.root_node, tree_->index.root_bbox);
    if (walk.best.id < 0) return result;
    result.hit = true;
    result.id = static_cast<int32_t>(walk.best.id);
    result.point = {walk.xyz[3 * walk.best.id], walk.xyz[3 * walk.best.id + 1], walk.xyz[3 * walk.best.id + 2]};
    result.distance = (result.point - ray.origin).length();
    return result;
}
