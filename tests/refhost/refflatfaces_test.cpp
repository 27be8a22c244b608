#include "document/refflatfaces.h"

#include <gtest/gtest.h>

#include "document/refshapes.h"

namespace {

// A box's sides meet at 90 degrees, an octahedron's faces at about 109.5.
TEST(RefFlatFaces, NeighboursJoinWithinTheAngle) {
    const struct {
        const char* name;
        bool sphere;
        double degrees;
        int32_t faces;
    } rows[] = {
        {"box, exact", false, 0, 6},
        {"box, up to 89 degrees", false, 89, 6},
        {"octahedron, up to 45 degrees", true, 45, 8},
    };
    for (const auto& row : rows) {
        RefMesh mesh;
        row.sphere ? refAddSphere(mesh, 1.0, 8, {0, 0, 0}) : refAddBox(mesh, 1, 2, 3, {0, 0, 0});
        refSplitFlatFaces(mesh, row.degrees);
        EXPECT_EQ(mesh.faceCount, row.faces) << row.name;
        EXPECT_EQ(mesh.triangleFaces.size(), static_cast<size_t>(mesh.triangleCount())) << row.name;
        EXPECT_EQ(mesh.triangleFaces.front(), 0) << row.name;
    }
}

// A triangle of zero area has no normal: a face of its own, never joined.
TEST(RefFlatFaces, DegenerateTriangleStaysAlone) {
    RefMesh mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0};
    mesh.triangles = {0, 1, 2, 0, 3, 1};
    mesh.triangleFaces = {0, 0};
    refSplitFlatFaces(mesh, 90);
    EXPECT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.triangleFaces, (std::vector<int32_t>{0, 1}));
}

}  // namespace
