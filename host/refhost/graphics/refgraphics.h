// The reference host's graphics: a perspective camera, the scene view that
// holds it and the graphics view showing it, the view manager with its
// callbacks, the renderer and the graphics service that hands out the current
// view transformation and object placements.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "graphics/refrendercamera.h"
#include "hostapi/component.h"
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
    static constexpr double kAspect = static_cast<double>(kRefViewWidth) / kRefViewHeight;

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
    // Plays the move set up since the last commit, if any.
    void commitState() override;

    // The move the next commitState plays (a camera transition); it replaces
    // one set up before.
    void setPendingMove(std::function<void(RefCamera&)> move) { pendingMove_ = std::move(move); }
    int commits() const { return commits_; }
    // The eye position in world coordinates and the viewing direction of an orientation.
    static TesVector eyeOf(const TesMatrix& orientation);
    static TesVector lookOf(const TesMatrix& orientation);

    // Places the eye at `eye` looking along `look` with `up` roughly up.
    void lookAt(const TesVector& eye, const TesVector& look, const TesVector& up);
    static TesMatrix lookAtOrientation(const TesVector& eye, const TesVector& look, const TesVector& up);
    // The eye position in world coordinates.
    TesVector eye() const;
    int setCount() const { return setCount_; }

private:
    double zoom_ = 1.0;
    TesMatrix orientation_;
    IPtr<RefClipping> clipping_;
    int setCount_ = 0;
    int commits_ = 0;
    std::function<void(RefCamera&)> pendingMove_;
};

class RefSceneView;

// The window showing a scene view; it refers to the scene view without
// keeping it, and answers null once the scene view is gone.
class RefGraphicsView : public ISGfxView {
public:
    explicit RefGraphicsView(RefSceneView* scene) : scene_(scene) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* sceneView() override;
    void detach() { scene_ = nullptr; }

private:
    RefSceneView* scene_;
};

class RefSceneView : public ISGfxScene {
public:
    static constexpr const char* kSmoothKey = "View/Smooth Camera Transition Internal";
    static constexpr const char* kDurationKey = "View/Smooth Camera Transition Duration";

    RefSceneView();
    ~RefSceneView() override;
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    IGfxCamera* camera() override { return camera_.get(); }
    RefCamera& refCamera() { return *camera_; }
    // Shows `view`: the camera takes the view's stored camera at once.
    void attachView(IView* view) override;
    // Moves the camera to the stored camera of the theme's view `number`:
    // through the animator when `animate` and the data store's kSmoothKey ask
    // for it and there is one, else at once. Nothing for a number outside the theme.
    void showStoredView(int32_t number, bool animate, int32_t flags) override;
    ITesUnknown* graphicsView() override;

    // The view shown, or null.
    IView* attached() const { return attached_.get(); }
    // Where showStoredView finds the theme, the data store and the animator.
    void useServices(ITesComponentManager* manager) { manager_ = manager; }

private:
    IPtr<RefCamera> camera_;
    IPtr<IView> attached_;
    IPtr<RefGraphicsView> graphicsView_;
    ITesComponentManager* manager_ = nullptr;
};

class RefPane;

// The view manager and its registry of callbacks ("ICallbackObject"). The
// current scene view is the main view's, or in the split layout the active
// pane's, unless an off-screen view was shown in its place.
class RefViewMgr : public IGfxViewMgr, public ICallbackObject {
public:
    RefViewMgr();
    ~RefViewMgr() override;
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    ITesUnknown* currentSceneView() override { return static_cast<ISGfxScene*>(&current()); }
    RefSceneView& current();
    // Makes `scene` current in place of the main view's or the active
    // pane's; null brings that back.
    void show(RefSceneView* scene) { shown_ = scene; }
    // The main view's scene view.
    RefSceneView& userScene() { return *user_; }
    void setGraphicsView(ISGfxView* view, int32_t) override { graphicsView_ = view; }
    IGfxPane* mainView() override;
    // kGfxLayoutPanes makes four panes that start as the main view; any
    // other layout is the main view alone.
    void setLayout(int32_t layout) override;
    int32_t layout() override { return layout_; }
    IGfxPane* pane(int32_t index) override;
    IGfxPane* activePane() override;
    // Pane `index` of the layout (-1: the active one); null for none.
    RefPane* refPane(int32_t index);
    // Where new scene views find the theme, the data store and the animator.
    void useServices(ITesComponentManager* manager);
    // The graphics view set last, or null.
    ISGfxView* graphicsView() const { return graphicsView_.get(); }

    // A callback registered twice for a kind is called once; removing one
    // that is not registered does nothing.
    void addCallback(int32_t kind, IGfxCallback* callback) override;
    void removeCallback(int32_t kind, IGfxCallback* callback) override;
    // Calls every callback of `kind`, in the order they were added, with a
    // mouse data of `type` ("IGfxMouseData"); returns how many it called.
    int fireCallbacks(int32_t kind, int32_t type);
    // The pane the user last worked in (a pick's pane); 0 at start.
    int32_t activePaneIndex() const { return activePane_; }
    void setActivePane(int32_t pane) { activePane_ = pane; }

private:
    IPtr<ISGfxView> graphicsView_;
    IPtr<RefSceneView> user_;
    IPtr<RefPane> main_;
    std::vector<IPtr<RefPane>> panes_;
    IPtr<RefSceneView> shown_;
    std::map<int32_t, std::vector<IPtr<IGfxCallback>>> callbacks_;
    ITesComponentManager* manager_ = nullptr;
    int32_t layout_ = kGfxLayoutMain;
    int32_t activePane_ = 0;
};

class RefGenGfxService;
class RefDocument;

// Redraws are counted; renders into a visibility buffer draw the document
// as the view's camera sees it.
class RefRenderer : public IGfxRenderer {
public:
    RefRenderer(RefDocument* document, RefViewMgr* views, RefGenGfxService* graphics)
        : document_(document), views_(views), graphics_(graphics) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void redraw(int32_t mode) override;
    void beginUpdate() override { ++updateDepth_; }
    void endUpdate() override {
        if (updateDepth_ > 0) --updateDepth_;
    }
    // An off-screen view renders its own camera, any other view the current one.
    bool renderIntoBuffer(IView* view, ITesUnknown* buffer) override;
    void saveState() override { ++savedStates_; }
    void restoreState() override {
        if (savedStates_ > 0) --savedStates_;
    }

    int redraws() const { return redraws_; }
    int fullRefreshes() const { return fullRefreshes_; }
    // States saved and not yet restored.
    int savedStates() const { return savedStates_; }

private:
    RefDocument* document_;
    RefViewMgr* views_;
    RefGenGfxService* graphics_;
    int redraws_ = 0;
    int fullRefreshes_ = 0;
    int updateDepth_ = 0;
    int savedStates_ = 0;
};

class RefGenGfxService : public IGenGfxService {
public:
    explicit RefGenGfxService(RefViewMgr* views) : views_(views) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool matrix(int32_t kind, int32_t space, int32_t flags, int32_t pane, TesMatrix* out) override;
    // Poses live on the host's objects; any other object stays at the identity.
    TesMatrix objectTransform(ITesObject* object) override;
    void setObjectTransform(ITesObject* object, const TesMatrix& transform) override;
    void updatePane(int32_t pane, int32_t what, int32_t how) override;
    // Panes are numbered as the view manager's; -1 is the current view.
    bool objectMatrix(int32_t kind, ITesObject* object, int32_t pane, TesMatrix* out) override;
    void setMatrix(int32_t kind, int32_t pane, const TesMatrix& matrix) override;
    bool cameraCentre(int32_t pane, TesVector* centre) override;
    void setCameraCentre(int32_t pane, const TesVector& centre) override;
    void commitTransform(ITesObject* object) override;

    // The objects whose pose was committed, in order.
    const std::vector<std::u16string>& commits() const { return commits_; }

private:
    // The camera of pane `pane`, or null.
    RefCamera* paneCamera(int32_t pane);

    RefViewMgr* views_;
    std::vector<std::u16string> commits_;
};
