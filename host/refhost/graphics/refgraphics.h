// The reference host's graphics: a perspective camera, the scene view that
// holds it, the view manager, the renderer and the graphics service that hands
// out the current view transformation and object placements.
#pragma once

#include <map>

#include "hostapi/gfx.h"
#include "iptr.h"

class RefClipping : public IGfxClipping {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    double nearPlane() override { return near_; }
    double farPlane() override { return far_; }
    void setNear(double value) override { near_ = value; }
    void setFar(double value) { far_ = value; }

private:
    double near_ = 0.1;
    double far_ = 10000.0;
};

// A pinhole camera: zoom is the focal length in units of the view height, so
// the view rectangle at unit distance is 1 / zoom high. The viewport is
// 1200 x 900.
class RefCamera : public IGfxCamera {
public:
    static constexpr double kAspect = 1200.0 / 900.0;

    RefCamera();
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    double zoom() override { return zoom_; }
    void setZoom(double value) override { zoom_ = value; }
    TesMatrix orientation() override { return orientation_; }
    void setOrientation(const TesMatrix& matrix) override { orientation_ = matrix; }
    TesMatrix projection() override;
    void viewRectangle(double* left, double* bottom, double* right, double* top) override;
    IGfxClipping* clipping() override { return clipping_.get(); }
    GfxCameraState state() override { return {orientation_, zoom_}; }
    void commitState() override { ++commits_; }

    // Places the eye at `eye` looking along `look` with `up` roughly up.
    void lookAt(const TesVector& eye, const TesVector& look, const TesVector& up);
    // The eye position in world coordinates.
    TesVector eye() const;
    int setCount() const { return setCount_; }

private:
    double zoom_ = 1.0;
    TesMatrix orientation_;
    IPtr<RefClipping> clipping_;
    int setCount_ = 0;
    int commits_ = 0;
};

class RefSceneView : public ISGfxScene {
public:
    RefSceneView() : camera_(new RefCamera) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    IGfxCamera* camera() override { return camera_.get(); }
    RefCamera& refCamera() { return *camera_; }
    void attachView(IView* view) override { attached_ = view; }
    void showStoredView(int32_t, bool, int32_t) override {}
    ITesUnknown* graphicsView() override { return nullptr; }

private:
    IPtr<RefCamera> camera_;
    IPtr<IView> attached_;
};

class RefViewMgr : public IGfxViewMgr {
public:
    RefViewMgr() : current_(new RefSceneView) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* currentSceneView() override { return static_cast<ISGfxScene*>(current_.get()); }
    RefSceneView& current() { return *current_; }
    void setGraphicsView(ISGfxView* view, int32_t) override { graphicsView_ = view; }
    // The pane the user last worked in (a pick's pane); 0 at start.
    int32_t activePane() const { return activePane_; }
    void setActivePane(int32_t pane) { activePane_ = pane; }

private:
    IPtr<ISGfxView> graphicsView_;
    IPtr<RefSceneView> current_;
    int32_t activePane_ = 0;
};

class RefRenderer : public IGfxRenderer {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void redraw(int32_t mode) override;
    void beginUpdate() override { ++updateDepth_; }
    void endUpdate() override {
        if (updateDepth_ > 0) --updateDepth_;
    }

    int redraws() const { return redraws_; }
    int fullRefreshes() const { return fullRefreshes_; }

private:
    int redraws_ = 0;
    int fullRefreshes_ = 0;
    int updateDepth_ = 0;
};

class RefGenGfxService : public IGenGfxService {
public:
    explicit RefGenGfxService(RefViewMgr* views) : views_(views) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool matrix(int32_t kind, int32_t space, int32_t flags, int32_t pane, TesMatrix* out) override;
    TesMatrix objectTransform(ITesObject* object) override;
    void setObjectTransform(ITesObject* object, const TesMatrix& transform) override;

private:
    RefViewMgr* views_;
    std::map<ITesObject*, TesMatrix> transforms_;
};
