#include "document/refflatfaces.h"

#include <cmath>
#include <vector>

#include "document/refmodels.h"

namespace {

constexpr int32_t kNoFace = -1;

TesVector unitNormal(const RefMesh& mesh, int32_t triangle) {
    const int32_t* corners = &mesh.triangles[3 * static_cast<size_t>(triangle)];
    const TesVector a = mesh.vertex(corners[0]);
    const TesVector normal = cross(mesh.vertex(corners[1]) - a, mesh.vertex(corners[2]) - a);
    const double length = normal.length();
    return length > 0 ? normal * (1.0 / length) : TesVector{0, 0, 0};
}

}  // namespace

void refSplitFlatFaces(RefMesh& mesh, double degrees) {
    const int32_t count = mesh.triangleCount();
    std::vector<TesVector> normals(static_cast<size_t>(count));
    for (int32_t t = 0; t < count; ++t) normals[static_cast<size_t>(t)] = unitNormal(mesh, t);
    IPtr<RefComplex2D> complex(new RefComplex2D(mesh));
    const double flat = std::cos(degrees * M_PI / 180.0);
    std::vector<int32_t> faces(static_cast<size_t>(count), kNoFace);
    std::vector<int32_t> front;
    int32_t next = 0;
    for (int32_t seed = 0; seed < count; ++seed) {
        if (faces[static_cast<size_t>(seed)] != kNoFace) continue;
        const TesVector& seedNormal = normals[static_cast<size_t>(seed)];
        faces[static_cast<size_t>(seed)] = next;
        front.assign(1, seed);
        while (!front.empty()) {
            const int32_t t = front.back();
            front.pop_back();
            for (int32_t edge = 0; edge < 3; ++edge) {
                const uint32_t item = complex->neighbour(static_cast<uint32_t>(t) + 1, edge);
                if (item == 0) continue;
                const auto n = static_cast<size_t>(item - 1);
                if (faces[n] != kNoFace || dot(normals[n], seedNormal) < flat) continue;
                faces[n] = next;
                front.push_back(static_cast<int32_t>(n));
            }
        }
        ++next;
    }
    mesh.triangleFaces = std::move(faces);
    mesh.faceCount = next;
}
