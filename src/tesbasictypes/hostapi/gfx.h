// The host's graphics: views, cameras, the renderer and the graphics service.
// Orientation matrices map world to eye coordinates; their rows are the right,
// up and back (-look) axes, and the eye looks along -z.
#pragma once

#include <cstdint>

#include "../tesmatrix.h"
#include "../tesobject.h"

class ITesObject;

class IGfxClipping : public virtual ITesUnknown {
public:
    virtual double nearPlane() = 0;
    virtual double farPlane() = 0;
    virtual void setNear(double value) = 0;
};

// A snapshot of a camera as the host records it between moves.
struct GfxCameraState {
    TesMatrix orientation;
    double zoom = 1.0;
};

class IGfxCamera : public virtual ITesUnknown {
public:
    // The camera's zoom value; its meaning is the host camera's.
    virtual double zoom() = 0;
    virtual void setZoom(double value) = 0;
    virtual TesMatrix orientation() = 0;
    virtual void setOrientation(const TesMatrix& matrix) = 0;
    virtual TesMatrix projection() = 0;
    // The visible rectangle in eye coordinates: left, bottom, right, top.
    virtual void viewRectangle(double* left, double* bottom, double* right, double* top) = 0;
    virtual IGfxClipping* clipping() = 0;
    // The camera's state as it stands.
    virtual GfxCameraState state() = 0;
    // Records the current state as the camera's new position; a camera
    // animation set up for this camera starts from here.
    virtual void commitState() = 0;
};

class IView;

// "ISGfxView": the graphics view (window) that shows a scene view.
class ISGfxView : public virtual ITesUnknown {
public:
    virtual ITesUnknown* sceneView() = 0;
};

// "ISGfxScene": a scene view.
class ISGfxScene : public virtual ITesUnknown {
public:
    virtual IGfxCamera* camera() = 0;
    // Shows `view` in this scene view: the camera follows it from then on.
    virtual void attachView(IView* view) = 0;
    // Shows the stored view `number` (1-based, as IViewTheme counts).
    virtual void showStoredView(int32_t number, bool animate, int32_t flags) = 0;
    // The graphics view showing this scene view (answers "ISGfxView"), or null.
    virtual ITesUnknown* graphicsView() = 0;
};

// A view: a named camera placement. Flags are the host's; bit 4 marks a
// view defined by the user.
class IView : public virtual ITesUnknown {
public:
    // Copies the other view's flags, name and camera (the camera only with `withCamera`).
    virtual void copyFrom(IView* other, bool withCamera) = 0;
    virtual uint32_t flags() = 0;
    virtual void setFlags(uint32_t flags) = 0;
    // The two steps that make a new view usable, in this order.
    virtual void beginActivation() = 0;
    virtual void completeActivation() = 0;
    virtual const char16_t* name() = 0;
    virtual void setName(const char16_t* name) = 0;
    // Takes the camera of `sceneView` ("ISGfxScene"); null: the current one.
    virtual void takeCamera(ITesUnknown* sceneView) = 0;
};

// "IViewTheme": the user-defined views, numbered from 1.
class IViewTheme : public virtual ITesUnknown {
public:
    virtual int32_t count() = 0;
    // Null outside 1..count.
    virtual IView* view(int32_t number) = 0;
    virtual void append(IView* view, int32_t flags, int32_t position) = 0;
};

// "IViewLayout": the arrangement of views on screen.
class IViewLayout : public virtual ITesUnknown {
public:
    // The view of pane `pane`.
    virtual IView* currentView(int32_t pane) = 0;
};

// "IGfxViewMgr".
class IGfxViewMgr : public virtual ITesUnknown {
public:
    // The view the user works in; answers "ISGfxScene".
    virtual ITesUnknown* currentSceneView() = 0;
    // Makes `view` the graphics view the manager works in.
    virtual void setGraphicsView(ISGfxView* view, int32_t flags) = 0;
};

// Called back by the view manager for the kinds it was registered for.
class IGfxCallback : public virtual ITesUnknown {
public:
    virtual void onCallback(int32_t kind, ITesUnknown* event) = 0;
};

// "ICallbackObject": the view manager's registry of callbacks.
class ICallbackObject : public virtual ITesUnknown {
public:
    virtual void addCallback(int32_t kind, IGfxCallback* callback) = 0;
    virtual void removeCallback(int32_t kind, IGfxCallback* callback) = 0;
};

// "IGfxMouseData": what a mouse callback carries; type 2 is a camera drag.
class IGfxMouseData : public virtual ITesUnknown {
public:
    virtual int32_t type() = 0;
};

// "ITesAnimateCameraUtil": smooth camera transitions. animate sets one up
// towards `target`; it plays when the camera's state is next committed.
class ITesAnimateCameraUtil : public virtual ITesUnknown {
public:
    virtual void animate(int32_t mode, ITesUnknown* sceneView, const TesMatrix& target,
                         const GfxCameraState& targetState, double speed, double duration) = 0;
};

// "IGfxRenderer".
inline constexpr int32_t kRedraw = 0;
inline constexpr int32_t kFullRefresh = 1;

class IGfxRenderer : public virtual ITesUnknown {
public:
    virtual void redraw(int32_t mode) = 0;
    // Bracket changes that must appear at once.
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
};

// Matrix kinds of IGenGfxService::matrix.
inline constexpr int32_t kGfxViewTransform = 4;

// "IGenGfxService".
class IGenGfxService : public virtual ITesUnknown {
public:
    // A matrix of the views; (kGfxViewTransform, 2, 0, -1) is the current
    // camera's orientation. False when the host has no such matrix.
    virtual bool matrix(int32_t kind, int32_t space, int32_t flags, int32_t pane, TesMatrix* out) = 0;
    // An object's placement in the world (identity for none).
    virtual TesMatrix objectTransform(ITesObject* object) = 0;
    virtual void setObjectTransform(ITesObject* object, const TesMatrix& transform) = 0;
};

// A mouse event in a view.
class IGfxMouseEvent : public virtual ITesUnknown {
public:
    virtual int32_t type() = 0;
    virtual int32_t x() = 0;
    virtual int32_t y() = 0;
    virtual int32_t buttons() = 0;
};

// A key event; the key code comes first.
class ITesKeyEvent : public virtual ITesUnknown {
public:
    virtual int32_t keyCode() = 0;
    virtual int32_t modifiers() = 0;
};
