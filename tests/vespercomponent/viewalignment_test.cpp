#include "viewalignment.h"

#include <gtest/gtest.h>

TEST(ViewAlignment, Perpendicular) {
    struct Row { const char* name; TesVector input, beforeNormalising; };
    const Row rows[] = {
        {"|x| = |y| > |z|", {2, -2, 1}, {-0.5, 0, 1}},
        {"|x| <= |z| < |y|", {-1, 3, -2}, {0, 2.0 / 3.0, 1}},
        {"|x| = |y| = |z|", {2, -2, 2}, {1, 0, -1}},
        {"|x| > |y| > |z|", {4, 2, 1}, {-0.25, 0, 1}},
        {"|x| > |z| >= |y|", {4, -1, 2}, {0.25, 1, 0}},
        {"|x| = |z| > |y|", {2, 1, 2}, {0, 1, -0.5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TesVector perpendicular = viewPerpendicular(row.input), expected = row.beforeNormalising.normalized();
        EXPECT_NEAR((perpendicular - expected).squaredLength(), 0.0, 1e-24);
    }
}

TEST(ViewAlignment, FrameTable) {
    // Face 0 lies in z = 0; face 1 has a unit and a larger triangle facing +X and +Y.
    const double vertices[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 2, 2, 0, 0};
    const int32_t triangles[] = {0, 1, 2, 0, 2, 4, 1, 3, 2, 0, 5, 6};
    const int32_t triangleFaces[] = {0, 1, 0, 1};
    const ViewFaceMesh mesh{vertices, triangles, triangleFaces}, shortFaces{vertices, {triangles, 6}, {triangleFaces, 1}};
    const ViewFaceMesh fourVertices{{vertices, 12}, triangles, triangleFaces};
    const TesVector X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1}, O{};
    const TesVector tilted = TesVector{0, 0.2, 1}.normalized(), diagonal = TesVector{1, 1, 0}.normalized();
    const ViewFrame untouched{{7, 7, 7}, {7, 7, 7}, {7, 7, 7}};
    struct Row { const char* name; std::optional<ViewFeature> front, up; bool frontFlip, upFlip; int32_t axis;
                 double angle; ViewFrame expected; };
    const Row rows[] = {
        {"plane along z: up +Y", ViewPlane{Z}, {}, false, false, 0, 0, {Y, Z, X}},
        {"view 11 degrees off z: up +Z", ViewPlane{tilted}, {}, false, false, 0, 0, {{0, -tilted.z, tilted.y}, tilted, -X}},
        {"line", ViewLine{{1, 1, 1}, {4, 1, 1}}, {}, false, false, 0, 0, {Z, X, Y}},
        {"sphere", ViewSphere{{0, -4, 0}}, {}, false, false, 0, 0, {Z, -Y, X}},
        {"CAD face: unit normals summed", ViewCadFace{&mesh, 1}, {}, false, false, 0, 0, {Z, diagonal, {-diagonal.x, diagonal.y, 0}}},
        {"CAD face without a mesh", ViewCadFace{nullptr, 1}, {}, false, false, 0, 0, {Y, Z, X}},
        {"CAD face, faces not one per triangle", ViewCadFace{&shortFaces, 1}, {}, false, false, 0, 0, {Y, Z, X}},
        {"CAD face, corner beyond the vertices", ViewCadFace{&fourVertices, 1}, {}, false, false, 0, 0, {Y, Z, X}},
        {"CAD face not picked: zero", ViewCadFace{&mesh, -1}, {}, false, false, 0, 0, {O, O, O}},
        {"zero-length line: zero", ViewLine{X, X}, {}, false, false, 0, 0, {O, O, O}},
        {"up of another kind: zero up and right", ViewPlane{Z}, std::monostate{}, false, false, 0, 0, {O, Z, O}},
        {"up 6 degrees off the view: perpendicular", ViewPlane{Z}, ViewLine{O, {0, 0.1, 1}}, false, false, 0, 0, {X, Z, -Y}},
        {"up 11 degrees off the view: kept", ViewPlane{Z}, ViewLine{O, tilted}, false, false, 0, 0, {Y, Z, X}},
        {"front flip", ViewPlane{Z}, {}, true, false, 0, 0, {Y, -Z, -X}},
        {"up flip", ViewPlane{Z}, ViewLine{O, {0, 3, 0}}, false, true, 0, 0, {-Y, Z, -X}},
        {"90 about the front plane", ViewPlane{Z}, {}, false, false, 0, 90, {X, Z, -Y}},
        {"90 about the vertical axis", ViewPlane{Z}, {}, false, false, 1, 90, {Y, -X, Z}},
        {"unknown rotation axis", ViewPlane{Z}, {}, false, false, 2, 90, {Y, Z, X}},
        {"no front", {}, ViewPlane{Z}, false, false, 0, 0, untouched},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewConstraints constraints{{}, {}, row.frontFlip, row.upFlip, row.axis, row.angle};
        if (row.front) constraints.front = viewFeatureDirection(*row.front);
        if (row.up) constraints.up = viewFeatureDirection(*row.up);
        ViewFrame frame = untouched;
        EXPECT_EQ(computeViewFrame(constraints, frame), row.front.has_value());
        const ViewFrame& e = row.expected;
        const TesMatrix expected({e.right.x, e.right.y, e.right.z, 0, e.up.x, e.up.y, e.up.z, 0,  //
                                  e.look.x, e.look.y, e.look.z, -6, 0, 0, 0, 1});
        const TesMatrix matrix = viewOrientationMatrix(frame);
        for (int i = 0; i < TesMatrix::kElementCount; ++i) EXPECT_NEAR(matrix[i], expected[i], 1e-12) << i;
    }
}
