#include "document/refgeometry.h"

#include <algorithm>

#include "document/refdocument.h"
#include "queryinterface.h"

namespace {
constexpr const char16_t* kCadFacePrefix = u"CAD Face ";
}  // namespace

TesVector RefMesh::vertex(int32_t index) const {
    const double* coordinates = &vertices[3 * static_cast<size_t>(index)];
    return {coordinates[0], coordinates[1], coordinates[2]};
}

bool RefMesh::hasFace(int32_t face) const {
    return std::find(triangleFaces.begin(), triangleFaces.end(), face) != triangleFaces.end();
}

bool RefMesh::bounds(TesVector& low, TesVector& high) const {
    if (vertexCount() == 0) return false;
    low = high = vertex(0);
    for (int32_t index = 1; index < vertexCount(); ++index) extendBox(vertex(index), low, high);
    return true;
}

RefFeature* RefFeature::plane(std::u16string name, TesVector origin, TesVector normal) {
    return new RefFeature(std::move(name), Kind::Plane, origin, normal, 0.0);
}

RefFeature* RefFeature::line(std::u16string name, TesVector start, TesVector end) {
    return new RefFeature(std::move(name), Kind::Line, start, end, 0.0);
}

RefFeature* RefFeature::sphere(std::u16string name, TesVector centre, double radius, TesVector direction) {
    return new RefFeature(std::move(name), Kind::Sphere, centre, direction, radius);
}

void RefFeature::queryInterface(const char* name, void** out) {
    auto* root = static_cast<ITesPlane*>(this);
    auto* subObject = static_cast<ITesSubObject*>(this);
    switch (kind_) {
    case Kind::Plane:
        tesAnswerQuery(name, out, {"RefFeature", this, root, {{"ITesPlane", root}, {"ITesSubObject", subObject}}});
        break;
    case Kind::Line:
        tesAnswerQuery(name, out,
                       {"RefFeature",
                        this,
                        root,
                        {{"ITesLine", static_cast<ITesLine*>(this)}, {"ITesSubObject", subObject}}});
        break;
    case Kind::Sphere:
        tesAnswerQuery(name, out,
                       {"RefFeature",
                        this,
                        root,
                        {{"ITesSphere", static_cast<ITesSphere*>(this)}, {"ITesSubObject", subObject}}});
        break;
    }
}

const char* RefFeature::className() const { return "RefFeature"; }

void RefFeatureMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefFeatureMgr",
                    this,
                    static_cast<ITesSubObjectMgr*>(this),
                    {{"ITesSubObjectMgr", static_cast<ITesSubObjectMgr*>(this)},
                     {"ITesFeatureSubObjectMgr", static_cast<ITesFeatureSubObjectMgr*>(this)}}});
}

const char* RefFeatureMgr::className() const { return "RefFeatureMgr"; }

ITesSubObjectIter* RefFeatureMgr::iterator(int32_t) {
    std::vector<IPtr<ITesUnknown>> items;
    for (const IPtr<RefFeature>& feature : features_) items.emplace_back(static_cast<ITesPlane*>(feature.get()));
    return refSubObjectIter(std::move(items));
}

ITesUnknown* RefFeatureMgr::subObjectByName(const char16_t* name) {
    RefFeature* feature = name != nullptr ? find(name) : nullptr;
    return feature != nullptr ? static_cast<ITesPlane*>(feature) : nullptr;
}

RefFeature* RefFeatureMgr::find(const std::u16string& name) const {
    for (const IPtr<RefFeature>& feature : features_) {
        if (feature->name() == name) return feature.get();
    }
    return nullptr;
}

// The centre is the mean of the triangles' centroids; the normal the sum of
// their unit normals, normalised (degenerate triangles add nothing).
RefCadFace::RefCadFace(const RefMesh& mesh, int32_t face) : face_(face) {
    const std::string number = std::to_string(face);
    name_ = std::u16string(kCadFacePrefix) + std::u16string(number.begin(), number.end());
    TesVector centroidSum, normalSum;
    int32_t count = 0;
    for (int32_t triangle = 0; triangle < mesh.triangleCount(); ++triangle) {
        if (mesh.triangleFaces[static_cast<size_t>(triangle)] != face) continue;
        const int32_t* corners = &mesh.triangles[3 * static_cast<size_t>(triangle)];
        const TesVector a = mesh.vertex(corners[0]), b = mesh.vertex(corners[1]), c = mesh.vertex(corners[2]);
        centroidSum = centroidSum + (a + b + c) * (1.0 / 3.0);
        const TesVector normal = cross(b - a, c - a);
        if (normal.squaredLength() > 0.0) normalSum = normalSum + normal.normalized();
        ++count;
    }
    if (count > 0) centre_ = centroidSum * (1.0 / count);
    normal_ = normalSum.normalized();
}

void RefCadFace::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefCadFace", this, this, {{"ITesSphere", static_cast<ITesSphere*>(this)}}});
}

const char* RefCadFace::className() const { return "RefCadFace"; }
