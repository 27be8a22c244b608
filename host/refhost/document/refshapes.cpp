#include "document/refshapes.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int32_t kFewestRings = 2;

int32_t ringsFor(int32_t triangles) {
    int32_t rings = kFewestRings;
    while (4 * static_cast<int64_t>(rings) * (rings - 1) < triangles) ++rings;
    return rings;
}

void addVertex(RefMesh& mesh, TesVector point) {
    mesh.vertices.insert(mesh.vertices.end(), {point.x, point.y, point.z});
}

void addTriangle(RefMesh& mesh, int32_t face, int32_t a, int32_t b, int32_t c) {
    mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
    mesh.triangleFaces.push_back(face);
}

}  // namespace

// Vertices: the north pole, rings − 1 circles of `segments` from north to
// south, the south pole. Around z the angle grows counter-clockwise seen from
// +z, which makes (pole, j, j + 1) outward at the north.
void refAddSphere(RefMesh& mesh, double radius, int32_t triangles, TesVector centre) {
    radius = std::abs(radius);
    const int32_t rings = ringsFor(triangles);
    const int32_t segments = 2 * rings;
    const int32_t north = mesh.vertexCount();
    const int32_t face = mesh.faceCount++;
    addVertex(mesh, {centre.x, centre.y, centre.z + radius});
    for (int32_t ring = 1; ring < rings; ++ring) {
        const double polar = std::numbers::pi * ring / rings;
        for (int32_t segment = 0; segment < segments; ++segment) {
            const double around = 2 * std::numbers::pi * segment / segments;
            addVertex(mesh,
                      {centre.x + radius * std::sin(polar) * std::cos(around),
                       centre.y + radius * std::sin(polar) * std::sin(around), centre.z + radius * std::cos(polar)});
        }
    }
    const int32_t south = mesh.vertexCount();
    addVertex(mesh, {centre.x, centre.y, centre.z - radius});
    const auto at = [&](int32_t ring, int32_t segment) {
        return north + 1 + (ring - 1) * segments + segment % segments;
    };
    for (int32_t segment = 0; segment < segments; ++segment) {
        addTriangle(mesh, face, north, at(1, segment), at(1, segment + 1));
        for (int32_t ring = 1; ring + 1 < rings; ++ring) {
            addTriangle(mesh, face, at(ring, segment), at(ring + 1, segment), at(ring + 1, segment + 1));
            addTriangle(mesh, face, at(ring, segment), at(ring + 1, segment + 1), at(ring, segment + 1));
        }
        addTriangle(mesh, face, south, at(rings - 1, segment + 1), at(rings - 1, segment));
    }
}

// Corner k has bit 0 set for +x, bit 1 for +y, bit 2 for +z; each side lists
// its corners counter-clockwise seen from outside.
void refAddBox(RefMesh& mesh, double sx, double sy, double sz, TesVector centre) {
    constexpr int32_t kSides[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                      {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    const TesVector half = TesVector{std::abs(sx), std::abs(sy), std::abs(sz)} * 0.5;
    const int32_t first = mesh.vertexCount();
    const int32_t face = mesh.faceCount++;
    for (int32_t corner = 0; corner < 8; ++corner) {
        addVertex(mesh, {centre.x + ((corner & 1) ? half.x : -half.x), centre.y + ((corner & 2) ? half.y : -half.y),
                         centre.z + ((corner & 4) ? half.z : -half.z)});
    }
    for (const auto& side : kSides) {
        addTriangle(mesh, face, first + side[0], first + side[1], first + side[2]);
        addTriangle(mesh, face, first + side[0], first + side[2], first + side[3]);
    }
}

std::vector<double> refGridPoints(int32_t nx, int32_t ny, double step, TesVector at) {
    std::vector<double> points;
    if (nx <= 0 || ny <= 0) return points;
    points.reserve(3 * static_cast<size_t>(nx) * static_cast<size_t>(ny));
    for (int32_t row = 0; row < ny; ++row) {
        for (int32_t column = 0; column < nx; ++column) {
            points.insert(points.end(), {at.x + column * step, at.y + row * step, at.z});
        }
    }
    return points;
}
