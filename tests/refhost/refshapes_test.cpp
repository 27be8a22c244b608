// Generated shells: triangle counts, outward winding, bounds, and shells
// added one after another as faces of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/refshapes.h"

namespace {

// Every triangle of `face` has its right-hand normal pointing away from `centre`.
void expectOutward(const RefMesh& mesh, int32_t face, TesVector centre) {
    for (int32_t triangle = 0; triangle < mesh.triangleCount(); ++triangle) {
        if (mesh.triangleFaces[triangle] != face) continue;
        const TesVector a = mesh.vertex(mesh.triangles[3 * triangle]);
        const TesVector b = mesh.vertex(mesh.triangles[3 * triangle + 1]);
        const TesVector c = mesh.vertex(mesh.triangles[3 * triangle + 2]);
        EXPECT_GT(dot(cross(b - a, c - a), (a + b + c) * (1.0 / 3) - centre), 0) << "triangle " << triangle;
    }
}

TEST(RefShapes, ShellsWindOutwardAndFollowEachOther) {
    const TesVector sphereCentre{1, 2, 3};
    const TesVector boxCentre{-5, 0, 1};
    const struct { int32_t asked, made; } spheres[] = {{0, 8}, {8, 8}, {9, 24}, {1000, 1088}};
    for (const auto& row : spheres) {
        SCOPED_TRACE(row.asked);
        RefMesh mesh;
        refAddBox(mesh, 2, -4, 6, boxCentre);
        refAddSphere(mesh, 2.5, row.asked, sphereCentre);
        ASSERT_EQ(mesh.faceCount, 2);
        EXPECT_EQ(mesh.triangleCount(), 12 + row.made);
        EXPECT_EQ(mesh.vertexCount(), 8 + 2 + row.made / 2);  // a closed genus-0 shell: V = T / 2 + 2
        EXPECT_EQ(std::count(mesh.triangleFaces.begin(), mesh.triangleFaces.end(), 0), 12);
        EXPECT_GE(*std::min_element(mesh.triangles.begin() + 36, mesh.triangles.end()), 8);
        EXPECT_LT(*std::max_element(mesh.triangles.begin(), mesh.triangles.end()), mesh.vertexCount());
        expectOutward(mesh, 0, boxCentre);
        expectOutward(mesh, 1, sphereCentre);
        TesVector low, high;
        ASSERT_TRUE(mesh.bounds(low, high));
        EXPECT_EQ(low.x, -6);
        EXPECT_EQ(low.y, -2);
        EXPECT_EQ(low.z, -2);
        EXPECT_DOUBLE_EQ(high.z, 5.5);
    }
}

TEST(RefShapes, GridPointsRunAlongXThenY) {
    EXPECT_EQ(refGridPoints(2, 3, 0.5, {1, 2, 3}),
              (std::vector<double>{1, 2, 3, 1.5, 2, 3, 1, 2.5, 3, 1.5, 2.5, 3, 1, 3, 3, 1.5, 3, 3}));
    EXPECT_TRUE(refGridPoints(0, 3, 1, {}).empty());
    EXPECT_TRUE(refGridPoints(3, -1, 1, {}).empty());
}

}  // namespace
