#include "viewalignment.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

#include "bitvector.h"

namespace {

// |cos| of about 10 degrees: directions closer than that count as parallel.
constexpr double kParallelLimit = 0.984;
constexpr TesVector kMissingFaceNormal{0.0, 0.0, 1.0};
// The orientation matrix's translation along the viewing axis.
constexpr double kViewDistance = -6.0;
// The rotation angle is used with its sign inverted.
constexpr double kRadiansPerDegree = -std::numbers::pi / 180.0;

bool isSoundMesh(const ViewFaceMesh& mesh) {
    const size_t triangleCount = mesh.triangles.size() / 3;
    return mesh.vertices.size() % 3 == 0 && mesh.triangles.size() % 3 == 0 &&
           mesh.triangleFaces.size() == triangleCount &&
           triangleCount <= static_cast<size_t>(std::numeric_limits<int32_t>::max());
}

void collectFaceTriangles(const ViewFaceMesh& mesh, int32_t face, BitVector& faceTriangles) {
    const auto triangleCount = static_cast<int32_t>(mesh.triangleFaces.size());
    for (int32_t triangle = 0; triangle < triangleCount; ++triangle) {
        if (mesh.triangleFaces[static_cast<size_t>(triangle)] == face) faceTriangles.set(triangle);
    }
}

bool readVertex(const ViewFaceMesh& mesh, int32_t vertex, TesVector& point) {
    if (vertex < 0 || static_cast<size_t>(vertex) >= mesh.vertices.size() / 3) return false;
    const double* coordinates = &mesh.vertices[3 * static_cast<size_t>(vertex)];
    point = {coordinates[0], coordinates[1], coordinates[2]};
    return true;
}

// Adds the triangle's unit normal to `sum`; false when a corner is out of range.
bool addTriangleNormal(const ViewFaceMesh& mesh, int32_t triangle, TesVector& sum) {
    TesVector corners[3];
    for (size_t corner = 0; corner < 3; ++corner) {
        const int32_t vertex = mesh.triangles[3 * static_cast<size_t>(triangle) + corner];
        if (!readVertex(mesh, vertex, corners[corner])) return false;
    }
    sum = sum + cross(corners[1] - corners[0], corners[2] - corners[0]).normalized();
    return true;
}

TesVector initialUp(const ViewConstraints& constraints, const TesVector& front) {
    if (!constraints.up) {
        return std::abs(front.z) > kParallelLimit ? TesVector{0.0, 1.0, 0.0} : TesVector{0.0, 0.0, 1.0};
    }
    const TesVector up = constraints.up->normalized();
    return constraints.upFlip ? -up : up;
}

void rotateFrame(int32_t axis, double degrees, ViewFrame& frame) {
    const double angle = degrees * kRadiansPerDegree;
    if (axis == kRotateAboutVerticalAxis) {
        frame.look = -(TesMatrix::rotation(frame.up, angle) * -frame.look);
    } else if (axis == kRotateAboutViewingAxis) {
        frame.up = TesMatrix::rotation(frame.look, angle) * frame.up;
    }
    frame.right = cross(frame.up, frame.look).normalized();
}

}  // namespace

TesVector viewFeatureDirection(const ViewFeature& feature) {
    if (const auto* plane = std::get_if<ViewPlane>(&feature)) return plane->normal;
    if (const auto* line = std::get_if<ViewLine>(&feature)) return line->end - line->start;
    if (const auto* sphere = std::get_if<ViewSphere>(&feature)) return sphere->vector;
    if (const auto* cadFace = std::get_if<ViewCadFace>(&feature)) return viewCadFaceNormal(cadFace->mesh, cadFace->face);
    return TesVector::zero();
}

TesVector viewCadFaceNormal(const ViewFaceMesh* mesh, int32_t face) {
    if (mesh == nullptr || !isSoundMesh(*mesh)) return kMissingFaceNormal;
    BitVector faceTriangles(static_cast<int32_t>(mesh->triangleFaces.size()));
    collectFaceTriangles(*mesh, face, faceTriangles);
    TesVector sum;
    for (int32_t triangle = faceTriangles.nextSet(-1); triangle >= 0; triangle = faceTriangles.nextSet(triangle)) {
        if (!addTriangleNormal(*mesh, triangle, sum)) return kMissingFaceNormal;
    }
    return sum.normalized();
}

TesVector viewPerpendicular(const TesVector& v) {
    const double ax = std::abs(v.x);
    const double ay = std::abs(v.y);
    const double az = std::abs(v.z);
    TesVector perpendicular;
    if (ax <= ay) {
        if (ax > az) {
            perpendicular = {-v.z / v.x, 0.0, 1.0};
        } else if (ay > az) {
            perpendicular = {0.0, -v.z / v.y, 1.0};
        } else {
            perpendicular = {1.0, 0.0, -v.x / v.z};
        }
    } else if (ay > az) {
        perpendicular = {-v.z / v.x, 0.0, 1.0};
    } else if (ax > az) {
        perpendicular = {-v.y / v.x, 1.0, 0.0};
    } else {
        perpendicular = {0.0, 1.0, -v.y / v.z};
    }
    return perpendicular.normalized();
}

bool computeViewFrame(const ViewConstraints& constraints, ViewFrame& frame) {
    if (!constraints.front) return false;
    TesVector front = -*constraints.front;
    if (constraints.frontFlip) front = -front;
    front.normalize();
    ViewFrame result;
    result.up = initialUp(constraints, front);
    if (std::abs(dot(result.up, front)) > kParallelLimit) result.up = viewPerpendicular(front);
    result.look = -front;
    result.right = cross(result.up, result.look).normalized();
    result.up = cross(result.look, result.right).normalized();
    if (constraints.rotationAngle != 0.0) rotateFrame(constraints.rotationAxis, constraints.rotationAngle, result);
    frame = result;
    return true;
}

TesMatrix viewOrientationMatrix(const ViewFrame& frame) {
    TesMatrix orientation = TesMatrix::fromRows(frame.right, frame.up, frame.look);
    orientation(2, 3) = kViewDistance;
    return orientation;
}
