#include "computation/refnormals.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>

#include "computation/refpointtree.h"
#include "document/refmodels.h"
#include "hostapi/document.h"
#include "queryinterface.h"

namespace {

constexpr double kAcross = 1e-9;  // a seed normal this close to across an axis tries the next

// The k nearest neighbours of every point, k to a point (fewer points: all).
std::vector<uint32_t> neighbourhoods(const RefPointArray& points, size_t k) {
    const RefPointTree tree(3, points, nanoflann::KDTreeSingleIndexAdaptorParams(kRefPointLeafSize));
    std::vector<uint32_t> found(points.count * k);
    std::vector<double> distances(k);
    for (size_t point = 0; point < points.count; ++point) {
        tree.knnSearch(points.xyz + 3 * point, k, found.data() + point * k, distances.data());
    }
    return found;
}

Eigen::Vector3d pcaNormal(const double* xyz, const uint32_t* around, size_t k) {
    Eigen::Vector3d mean = Eigen::Vector3d::Zero();
    for (size_t i = 0; i < k; ++i) mean += Eigen::Vector3d(xyz + 3 * around[i]);
    mean /= static_cast<double>(k);
    Eigen::Matrix3d scatter = Eigen::Matrix3d::Zero();
    for (size_t i = 0; i < k; ++i) {
        const Eigen::Vector3d offset = Eigen::Vector3d(xyz + 3 * around[i]) - mean;
        scatter += offset * offset.transpose();
    }
    // Eigenvalues come in increasing order: the first vector spreads least.
    return Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(scatter).eigenvectors().col(0);
}

void turnSeed(double* normal) {
    for (int axis = 0; axis < 3; ++axis) {
        if (std::abs(normal[axis]) <= kAcross) continue;
        if (normal[axis] < 0) std::transform(normal, normal + 3, normal, [](double v) { return -v; });
        return;
    }
}

// Breadth first through the neighbourhoods, seeds by decreasing x.
void orientNormals(const double* xyz, size_t count, const std::vector<uint32_t>& around, size_t k, double* normals) {
    std::vector<uint32_t> seeds(count);
    std::iota(seeds.begin(), seeds.end(), 0u);
    std::sort(seeds.begin(), seeds.end(), [xyz](uint32_t a, uint32_t b) { return xyz[3 * a] > xyz[3 * b]; });
    std::vector<bool> reached(count, false);
    std::deque<uint32_t> queue;
    for (uint32_t seed : seeds) {
        if (reached[seed]) continue;
        reached[seed] = true;
        turnSeed(normals + 3 * seed);
        queue.push_back(seed);
        while (!queue.empty()) {
            const uint32_t from = queue.front();
            queue.pop_front();
            const double* agreed = normals + 3 * from;
            for (size_t i = 0; i < k; ++i) {
                const uint32_t next = around[from * k + i];
                if (reached[next]) continue;
                reached[next] = true;
                double* normal = normals + 3 * next;
                if (agreed[0] * normal[0] + agreed[1] * normal[1] + agreed[2] * normal[2] < 0) {
                    std::transform(normal, normal + 3, normal, [](double v) { return -v; });
                }
                queue.push_back(next);
            }
        }
    }
}

}  // namespace

bool refEstimateNormals(const double* xyz, size_t count, size_t neighbours, bool orient, std::vector<double>& normals) {
    if (xyz == nullptr || count < 3 || !std::all_of(xyz, xyz + 3 * count, [](double v) { return std::isfinite(v); })) {
        return false;
    }
    const size_t k = std::clamp<size_t>(neighbours, 3, count);
    const std::vector<uint32_t> around = neighbourhoods(RefPointArray{xyz, count}, k);
    normals.resize(3 * count);
    for (size_t point = 0; point < count; ++point) {
        Eigen::Map<Eigen::Vector3d>(normals.data() + 3 * point) = pcaNormal(xyz, around.data() + point * k, k);
    }
    if (orient) orientNormals(xyz, count, around, k, normals.data());
    return true;
}

void RefPointNormalCalculator::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefPointNormalCalculator", this, this,
                    {{"IPointNormalCalculator", static_cast<IPointNormalCalculator*>(this)}}});
}

const char* RefPointNormalCalculator::className() const { return "RefPointNormalCalculator"; }

// The points come from a point set ("ITesPoints") or a mesh's vertices; a
// point set of the host's keeps them when asked to store.
bool RefPointNormalCalculator::calculate(bool orient, bool store) {
    const double* xyz = nullptr;
    int32_t count = -1;
    if (auto* points = tesQuery<ITesPoints>(points_.get(), "ITesPoints")) {
        xyz = points->points();
        count = points->pointCount();
    } else if (auto* mesh = tesQuery<ITesMesh>(points_.get(), "ITesMesh")) {
        xyz = mesh->vertices();
        count = mesh->vertexCount();
    }
    std::vector<double> normals;
    if (count < 0 || !refEstimateNormals(xyz, static_cast<size_t>(count), kRefNormalNeighbours, orient, normals)) {
        return false;
    }
    normals_ = normals;
    if (auto* own = tesQuery<RefPointModel>(points_.get(), "RefPointModel"); own != nullptr && store) {
        own->setNormals(std::move(normals));
    }
    return true;
}
