// The camera frame of "Define View": a front feature fixes the view plane, an
// optional up feature the vertical direction; either can be flipped, and the
// frame turned about the viewing axis or the vertical axis.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

#include "tesmatrix.h"
#include "tesvector.h"

// A triangle mesh as the document's surface model holds it: x, y, z of each
// vertex, three vertex indices per triangle, and the CAD face of each triangle.
struct ViewFaceMesh {
    std::span<const double> vertices;
    std::span<const int32_t> triangles;
    std::span<const int32_t> triangleFaces;
};

struct ViewPlane {
    TesVector normal;
};
struct ViewLine {
    TesVector start;
    TesVector end;
};
// The vector the host's sphere reports.
struct ViewSphere {
    TesVector vector;
};
// A picked CAD face: the surface model's mesh, null when the document has
// none, and the face index, -1 before a pick.
struct ViewCadFace {
    const ViewFaceMesh* mesh = nullptr;
    int32_t face = -1;
};
// std::monostate: a selected object of any other kind.
using ViewFeature = std::variant<std::monostate, ViewPlane, ViewLine, ViewSphere, ViewCadFace>;

// Plane: its normal; line: end − start; sphere: its vector; CAD face:
// viewCadFaceNormal; any other kind: the zero vector. Not normalised.
TesVector viewFeatureDirection(const ViewFeature& feature);

// The sum of the unit normals of the face's triangles (counter-clockwise
// corners), normalised with TesVector::normalize: zero when no triangle of the
// face has an area. (0, 0, 1) without a mesh or with a malformed one: vertices
// or triangles not in threes, not one face per triangle, or a triangle of the
// face naming a vertex outside the vertex array.
TesVector viewCadFaceNormal(const ViewFaceMesh* mesh, int32_t face);

// A unit vector perpendicular to `v`, chosen by which of |x|, |y|, |z| is
// largest and smallest. The zero vector has none: the result holds a NaN.
TesVector viewPerpendicular(const TesVector& v);

// Indices of "RotationCombo".
constexpr int32_t kRotateAboutViewingAxis = 0;  // "Front Plane"
constexpr int32_t kRotateAboutVerticalAxis = 1; // "Vertical Axis"

// The two constraints as feature directions (none: nothing selected), their
// flips and the rotation controls.
struct ViewConstraints {
    std::optional<TesVector> front;
    std::optional<TesVector> up;
    bool frontFlip = false;
    bool upFlip = false;
    int32_t rotationAxis = kRotateAboutViewingAxis;
    double rotationAngle = 0.0;  // degrees; positive turns clockwise seen from the axis tip
};

// Unit vectors: right = up × look; look is the viewing axis, the third row of
// the camera orientation.
struct ViewFrame {
    TesVector up;
    TesVector look;
    TesVector right;
};

// look is the front direction, up the up direction, each reversed by its
// flip. Without an up feature the vertical is +Z, or +Y when the view is
// within about 10 degrees of Z; an up direction that close to the viewing axis
// gives way to viewPerpendicular of it. A zero front direction gives zero
// vectors throughout, a zero up direction a zero up and right. A rotation axis
// other than the two above leaves the frame unturned. Returns false, leaving
// `frame` unchanged, when there is no front feature.
bool computeViewFrame(const ViewConstraints& constraints, ViewFrame& frame);

// Rows (right, 0), (up, 0), (look, −6), (0, 0, 0, 1).
TesMatrix viewOrientationMatrix(const ViewFrame& frame);
