// Geometry of the reference host's document: triangle meshes as flat arrays,
// the features (planes, lines, spheres) an object carries, and the CAD faces
// a pick finds on a mesh.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classid.h"
#include "hostapi/document.h"
#include "iptr.h"

// A triangle mesh. The arrays stay contiguous so that spatial indexes can be
// built on them directly. Every triangle belongs to one face, numbered from 0
// in the order the file declares them.
struct RefMesh {
    std::vector<double> vertices;        // x, y, z of each vertex
    std::vector<int32_t> triangles;      // three vertex indices per triangle
    std::vector<int32_t> triangleFaces;  // the face of each triangle
    int32_t faceCount = 0;

    int32_t vertexCount() const { return static_cast<int32_t>(vertices.size() / 3); }
    int32_t triangleCount() const { return static_cast<int32_t>(triangleFaces.size()); }
    TesVector vertex(int32_t index) const;
    // True when face `face` has at least one triangle.
    bool hasFace(int32_t face) const;
    // The smallest box holding every vertex; false for a mesh without vertices.
    bool bounds(TesVector& low, TesVector& high) const;
};

// A feature of an object: answers the interface of its kind, and
// "ITesSubObject" for its name and visibility.
class RefFeature : public ITesPlane, public ITesLine, public ITesSphere, public ITesSubObject {
public:
    enum class Kind { Plane, Line, Sphere };

    static RefFeature* plane(std::u16string name, TesVector origin, TesVector normal);
    static RefFeature* line(std::u16string name, TesVector start, TesVector end);
    static RefFeature* sphere(std::u16string name, TesVector centre, double radius, TesVector direction);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    TesVector origin() override { return first_; }
    TesVector normal() override { return second_; }
    TesVector start() override { return first_; }
    TesVector end() override { return second_; }
    TesVector centre() override { return first_; }
    double radius() override { return radius_; }
    TesVector vector() override { return second_; }

    const char16_t* name() override { return name_.c_str(); }
    uint8_t visibility() override { return visible_; }
    void setVisibility(uint8_t visible) override { visible_ = visible; }
    Kind kind() const { return kind_; }

private:
    RefFeature(std::u16string name, Kind kind, TesVector first, TesVector second, double radius)
        : name_(std::move(name)), kind_(kind), first_(first), second_(second), radius_(radius) {}

    std::u16string name_;
    Kind kind_;
    TesVector first_, second_;  // origin and normal, start and end, centre and direction
    double radius_;
    uint8_t visible_ = 1;
};

// The features of an object in file order, attached under kRefFeatureMgrId
// and answering "ITesFeatureSubObjectMgr" there.
class RefFeatureMgr : public ITesSubObjectMgr, public ITesFeatureSubObjectMgr {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t count() override { return static_cast<int32_t>(features_.size()); }
    bool isEmpty() override { return features_.empty(); }
    ITesSubObjectIter* iterator(int32_t flags) override;
    ITesUnknown* subObjectByName(const char16_t* name) override;

    void add(RefFeature* feature) { features_.emplace_back(feature); }
    RefFeature* find(const std::u16string& name) const;
    const std::vector<IPtr<RefFeature>>& features() const { return features_; }

private:
    std::vector<IPtr<RefFeature>> features_;
};

inline constexpr TesClassId kRefFeatureMgrId = kFeatureAttachmentId;

// A face of a mesh as a pick finds it: answers "ITesSphere" only, with the
// centre of its triangles, radius 0 and its mean unit normal as the vector.
class RefCadFace : public ITesSphere {
public:
    RefCadFace(const RefMesh& mesh, int32_t face);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    TesVector centre() override { return centre_; }
    double radius() override { return 0.0; }
    TesVector vector() override { return normal_; }

    int32_t face() const { return face_; }
    // "CAD Face K".
    const std::u16string& name() const { return name_; }

private:
    int32_t face_;
    std::u16string name_;
    TesVector centre_, normal_;
};
