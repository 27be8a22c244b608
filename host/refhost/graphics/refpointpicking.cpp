// The point picks of refpicking.h: a depth-first walk of the k-d tree that
// skips every node whose bounding sphere lies outside the cone of rays through
// the click's tolerance disc, and tests the points of the other leaves exactly
// in the viewport. The cone narrows to the best point found so far, and the
// child nearer the cone is walked first so that it narrows early.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "computation/refpointtree.h"
#include "graphics/refpicking.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Widens the culling cone against rounding; points are then tested exactly.
constexpr double kConeMargin = 1.0 + 1e-6;
// How far from a rotation and a uniform scale a pose may be for its
// model space to keep the cone's angle.
constexpr double kConformal = 1e-9;

using Node = RefPointTree::Node;
using Box = RefPointTree::BoundingBox;

// In model space: rays through the click leave `apex` (the eye) within the
// angle whose sine is `sine` of `axis` (unit).
struct ConeWalk {
    const RefPointTree& tree;
    const double* xyz;
    const RefPickProjector& projector;
    TesVector apex, axis;
    double clickX, clickY;
    double sinePerPixel;  // the cone's sine for a disc of one pixel
    bool cull;            // false: every point is tested
    double squaredPixels = kRefPointPickPixels * kRefPointPickPixels, depth = kInfinity;
    int64_t best = -1;
    double sine = 1.0, cosine = 0.0;

    void narrow() {
        sine = std::min(1.0, std::sqrt(squaredPixels) * sinePerPixel * kConeMargin);
        cosine = std::sqrt(1.0 - sine * sine);
    }
    // Above 0 when the sphere around the box is that far outside the cone.
    double gap(const Box& box) const;
    void visit(const Node* node, const Box& box);
    void test(uint32_t point);
};

double ConeWalk::gap(const Box& box) const {
    if (!cull) return 0;
    TesVector centre, half;
    for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
        (&half.x)[axisIndex] = (box[axisIndex].high - box[axisIndex].low) * 0.5;
        (&centre.x)[axisIndex] = box[axisIndex].low + (&half.x)[axisIndex];
    }
    const TesVector offset = centre - apex;
    const double along = dot(offset, axis);
    const double across = std::sqrt(std::max(0.0, offset.squaredLength() - along * along));
    return across * cosine - along * sine - half.length();
}

void ConeWalk::test(uint32_t point) {
    double x = 0, y = 0, pointDepth = 0;
    if (!projector.project(xyz + 3 * static_cast<size_t>(point), &x, &y, &pointDepth)) return;
    const double squared = (x - clickX) * (x - clickX) + (y - clickY) * (y - clickY);
    if (squared > squaredPixels || (squared == squaredPixels && pointDepth >= depth)) return;
    squaredPixels = squared, depth = pointDepth, best = point;
    narrow();
}

void ConeWalk::visit(const Node* node, const Box& box) {
    if (node->child1 == nullptr && node->child2 == nullptr) {
        for (size_t index = node->node_type.lr.left; index < node->node_type.lr.right; ++index) test(tree.vAcc[index]);
        return;
    }
    const int split = node->node_type.sub.divfeat;
    std::pair<const Node*, Box> first{node->child1, box}, second{node->child2, box};
    first.second[split].high = node->node_type.sub.divlow;
    second.second[split].low = node->node_type.sub.divhigh;
    if (gap(second.second) < gap(first.second)) std::swap(first, second);
    if (gap(first.second) <= 0) visit(first.first, first.second);
    if (gap(second.second) <= 0) visit(second.first, second.second);
}

bool isAffine(const TesMatrix& m) { return m(3, 0) == 0 && m(3, 1) == 0 && m(3, 2) == 0 && m(3, 3) == 1; }

// A rotation times a uniform scale keeps angles, and so the cone.
bool isConformal(const TesMatrix& m) {
    const TesVector x = m.column(0), y = m.column(1), z = m.column(2);
    const double scale = x.squaredLength(), tolerance = kConformal * scale;
    return std::abs(y.squaredLength() - scale) <= tolerance && std::abs(z.squaredLength() - scale) <= tolerance &&
           std::abs(dot(x, y)) <= tolerance && std::abs(dot(y, z)) <= tolerance && std::abs(dot(x, z)) <= tolerance;
}

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

RefPickHit RefCloudPicker::pick(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) const {
    RefPickHit result;
    const TesMatrix toCamera = camera.orientation * pose;
    TesMatrix toModel;
    const RefPickRay ray = refPickRay(camera, x, y, pose);
    if (!good() || !ray.good || !isAffine(toCamera) || !toCamera.inverse(toModel)) return result;
    const RefPickProjector projector(camera, pose);
    // One pixel at unit depth, the larger of its sides; sin(angle) between two
    // rays is at most their distance there, the rays being at least 1 long.
    const double pixel = std::max(2.0 / (std::abs(camera.projection(0, 0)) * camera.width),
                                  2.0 / (std::abs(camera.projection(1, 1)) * camera.height));
    const TesVector apex = toModel * TesVector{};
    ConeWalk walk{tree_->index, tree_->points.xyz, projector, apex, (ray.origin - apex).normalized(), x, y, pixel,
                  isConformal(toCamera)};
    walk.narrow();
    if (walk.gap(tree_->index.root_bbox) <= 0) walk.visit(tree_->index.root_node, tree_->index.root_bbox);
    if (walk.best < 0) return result;
    result.hit = true;
    result.id = static_cast<int32_t>(walk.best);
    result.point = {walk.xyz[3 * walk.best], walk.xyz[3 * walk.best + 1], walk.xyz[3 * walk.best + 2]};
    result.distance = (result.point - ray.origin).length();
    return result;
}
