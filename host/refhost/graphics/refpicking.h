// Picks through a camera: the first triangle of a mesh along the ray of a
// click (an Embree scene over the mesh), the point of a point set nearest the
// click within kRefPointPickPixels (a k-d tree searched along the cone of
// the tolerance), and the "ITesPickOnModel" service built on both.
//
// Viewport positions are sub-pixel, x and y from the top left corner:
// pixel (i, j) spans [i, i + 1) x [j, j + 1), so its centre is (i + 0.5, j + 0.5).
// Picks see what lies between the near and the far plane only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "hostapi/gfx.h"
#include "hostapi/selection.h"
#include "graphics/refrendercamera.h"
#include "iptr.h"
#include "tesmatrix.h"

inline constexpr double kRefPointPickPixels = 3.0;

struct RefPickHit {
    bool hit = false;
    TesVector point;  // in model coordinates
    int32_t id = -1;  // the triangle or the point
    // From where the ray leaves the near plane to the point, model units.
    double distance = 0.0;
};

// The ray of a click in model coordinates: from the near plane (t = 0) to the
// far plane (t = length) along a unit direction. Not good when the camera
// and pose cannot be inverted or the position is outside the viewport.
struct RefPickRay {
    bool good = false;
    TesVector origin, direction;
    double length = 0.0;
};

// `pose` maps model to world coordinates.
RefPickRay refPickRay(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose);

// Model points to viewport positions, for one camera and pose.
class RefPickProjector {
public:
    RefPickProjector(const RefRenderCamera& camera, const TesMatrix& pose);
    // The position and the depth in front of the eye (clip w); false outside
    // the viewport, behind the eye or outside the near-far range.
    bool project(const double* point, double* x, double* y, double* depth) const;

private:
    TesMatrix toClip_;
    double width_, height_;
};

// An Embree scene over a triangle mesh, built once; the mesh's arrays must
// outlive it (the triangles are shared, the vertices copied as floats about
// the mesh's centre).
class RefMeshPicker {
public:
    RefMeshPicker(const double* vertices, int32_t vertexCount, const int32_t* triangles, int32_t triangleCount);
    ~RefMeshPicker();
    RefMeshPicker(const RefMeshPicker&) = delete;
    RefMeshPicker& operator=(const RefMeshPicker&) = delete;

    // False for an index out of range, a coordinate that is not finite, or a
    // scene Embree refused; such a picker never hits.
    bool good() const { return scene_ != nullptr; }
    // The first triangle along the click's ray; the point is where the ray
    // meets that triangle's plane, in double precision.
    RefPickHit pick(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) const;

private:
    struct Scene;
    std::unique_ptr<Scene> scene_;
};

// A k-d tree over a point set, built once; the points must outlive it.
class RefCloudPicker {
public:
    RefCloudPicker(const double* xyz, int32_t count);
    ~RefCloudPicker();
    RefCloudPicker(const RefCloudPicker&) = delete;
    RefCloudPicker& operator=(const RefCloudPicker&) = delete;

    // False for a coordinate that is not finite; such a picker never hits.
    bool good() const { return tree_ != nullptr; }
    // The point whose position is nearest the click, within
    // kRefPointPickPixels; of equally near ones the one nearer the eye.
    // An affine pose only (else no hit); the tree speeds up poses that keep
    // angles (rotation, uniform scale, translation), others test every point.
    RefPickHit pick(const RefRenderCamera& camera, double x, double y, const TesMatrix& pose) const;

private:
    struct Tree;
    std::unique_ptr<Tree> tree_;
};

// The exact position of a click, for events that know more than its pixel;
// the pick service asks an event for "IRefClickPosition" and otherwise takes
// the centre of the event's pixel.
class IRefClickPosition : public virtual ITesUnknown {
public:
    virtual double clickX() = 0;
    virtual double clickY() = 0;
};

// "ITesPickOnModel" through the camera of the view manager's current scene
// view and the object's pose from the graphics service. An object is picked
// through its "ITesMesh": its triangles, or its vertices as a point set when
// it has no triangles. Pickers are built on an object's first pick and kept
// (with a reference to the object) until forget().
class RefPickOnModel : public ITesPickOnModel {
public:
    RefPickOnModel(IGfxViewMgr* views, IGenGfxService* graphics) : views_(views), graphics_(graphics) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setEvent(IGfxMouseEvent* event) override { event_ = event; }
    bool pick(ITesObject* object, TesVector* point) override;

    // Drops every picker and the objects they keep: the document was replaced.
    void forget() { pickers_.clear(); }

private:
    struct Pickers;
    const Pickers* pickersOf(ITesObject* object);

    IGfxViewMgr* views_;
    IGenGfxService* graphics_;
    IPtr<IGfxMouseEvent> event_;
    std::map<ITesObject*, std::shared_ptr<Pickers>> pickers_;
};
