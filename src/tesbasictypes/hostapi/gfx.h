// The host's graphics: views, cameras, the renderer and the graphics service.
// Orientation matrices map world to eye coordinates; their rows are the right,
// up and back (-look) axes, and the eye looks along -z.
#pragma once

#include <cstdint>

#include "../tesmatrix.h"
#include "../tesobject.h"

class BitVector;
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
    // The rectangle of the window the view draws into, in pixels.
    virtual void setViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void viewport(int32_t* x, int32_t* y, int32_t* width, int32_t* height) = 0;
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
    // A view that renders `sceneView` ("ISGfxScene") off screen, with a
    // camera of its own that starts as the scene's; a new object (count 0),
    // or null when the layout cannot make one.
    virtual IView* createOffscreenView(ITesUnknown* sceneView) = 0;
    // Makes `view` the current view: the view manager's current scene view
    // and the graphics service's view transformation answer its camera from
    // then on. Returns the view it replaces (no reference added), which a
    // second call puts back; null and nothing changed when `view` is null or
    // not one of this layout's.
    virtual IView* replaceCurrentView(IView* view) = 0;
    // Switches the layout's panes on (1) for a command that arranges them.
    virtual void activate(int32_t on) = 0;
};

// One pane of the view manager: the main view, or a pane of a split layout.
class IGfxPane : public virtual ITesUnknown {
public:
    virtual IGfxCamera* camera() = 0;
    virtual const char16_t* title() = 0;
    virtual void setTitle(const char16_t* title) = 0;
    // How the pane's scene is drawn; the values are the host's.
    virtual int32_t sceneSetting() = 0;
    virtual void setSceneSetting(int32_t setting, int32_t first, int32_t second) = 0;
    // How the pane's view behaves; the values are the host's.
    virtual int32_t viewSetting() = 0;
    virtual void setViewSetting(int32_t setting) = 0;
};

// Layouts of IGfxViewMgr::setLayout.
inline constexpr int32_t kGfxLayoutMain = 0;
// Four panes: 0 top left, 1 bottom (wide), 2 top right, 3 unused.
inline constexpr int32_t kGfxLayoutPanes = 4;

// "IGfxViewMgr".
class IGfxViewMgr : public virtual ITesUnknown {
public:
    // The view the user works in; answers "ISGfxScene".
    virtual ITesUnknown* currentSceneView() = 0;
    // Makes `view` the graphics view the manager works in.
    virtual void setGraphicsView(ISGfxView* view, int32_t flags) = 0;
    // The main view, shown while the layout is kGfxLayoutMain.
    virtual IGfxPane* mainView() = 0;
    virtual void setLayout(int32_t layout) = 0;
    virtual int32_t layout() = 0;
    // Pane `index` of the current layout, or null.
    virtual IGfxPane* pane(int32_t index) = 0;
    // The pane the user works in (the last one clicked).
    virtual IGfxPane* activePane() = 0;
};

// "ITesObjectVisibilityMgr": which objects a pane shows.
class ITesObjectVisibilityMgr : public virtual ITesUnknown {
public:
    // `hideAll` 1: the pane shows no object until shown one by one.
    virtual void reset(IGfxPane* pane, int32_t hideAll) = 0;
    virtual void show(IGfxPane* pane, ITesObject* object) = 0;
    virtual void hide(IGfxPane* pane, ITesObject* object) = 0;
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
    // Renders the document as `view` sees it into `buffer` (made by
    // "IGfxPickVisBufferFact"), within the view's viewport. False when the
    // buffer is not one of the host's.
    virtual bool renderIntoBuffer(IView* view, ITesUnknown* buffer) = 0;
    // Keep and put back the renderer's target and settings around an
    // off-screen render; the calls nest.
    virtual void saveState() = 0;
    virtual void restoreState() = 0;
};

// "IGfxPickVisBufferFact": makes visibility buffers, which hold what a
// render saw pixel by pixel. A buffer answers "ITesPickVisibleRect".
class IGfxPickVisBufferFact : public virtual ITesUnknown {
public:
    // A new buffer (count 0); `capacity` is the number of items the caller
    // expects, a hint and never a limit.
    virtual ITesUnknown* createBuffer(int32_t capacity) = 0;
};

// What a pick found on the objects of the document. Items are numbered from
// 1 on each object (triangles of a mesh, points of a cloud or a scan); bit 0
// of the vectors is never set.
class ITesPick : public virtual ITesUnknown {
public:
    // The items of `object` that own at least one pixel of the picked area.
    virtual bool picked(ITesObject* object, BitVector* out) = 0;
    // The items of `object` that face the camera inside its view and that
    // nothing nearer hides: the picked ones and their neighbourhood.
    virtual bool visible(ITesObject* object, BitVector* out) = 0;
};

// "ITesPickVisibleRect": picks in the last render of a visibility buffer.
class ITesPickVisibleRect : public virtual ITesUnknown {
public:
    // The items seen in the rectangle (pixels, from the top left corner); a
    // new object (count 0) answering "ITesPick", or null when nothing was
    // rendered into the buffer.
    virtual ITesUnknown* pickRect(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
};

// The graphics node of an object: how the scene draws it.
class IGfxNode : public virtual ITesUnknown {
public:
    // The values are the host's; 0 is plain.
    virtual int32_t displayMode() = 0;
    virtual void setDisplayMode(int32_t mode) = 0;
    // Draws `handle` (a widget's display handle) with the object; `flags` is the host's.
    virtual void attach(ITesUnknown* handle, int32_t flags) = 0;
    virtual void detach(ITesUnknown* handle) = 0;
    // Rebuilds what the node draws; the arguments are the host's.
    virtual void refresh(int32_t what, int32_t how) = 0;
};

// "IGfxDoc": the graphics side of the document.
inline constexpr int32_t kGfxDocSelectionChanged = 1;

class IGfxDoc : public virtual ITesUnknown {
public:
    // Tells the views that the document changed in the way `what` says.
    virtual void notify(int32_t what) = 0;
    // The node drawing `object`, or null.
    virtual IGfxNode* node(ITesObject* object) = 0;
    // A command hands back the layout it split: the main view returns.
    virtual void restoreLayout(IViewLayout* layout, int32_t flags) = 0;
};

// Matrix kinds of IGenGfxService. A pane's camera matrix (kinds 0 and 3)
// maps world to eye coordinates; kind 5 is an object's model-view matrix,
// its pose followed by the pane's camera.
inline constexpr int32_t kGfxPaneCamera = 0;
inline constexpr int32_t kGfxPaneView = 3;
inline constexpr int32_t kGfxViewTransform = 4;
inline constexpr int32_t kGfxModelView = 5;

// "IGenGfxService".
class IGenGfxService : public virtual ITesUnknown {
public:
    // A matrix of the views; (kGfxViewTransform, 2, 0, -1) is the current
    // camera's orientation. False when the host has no such matrix.
    virtual bool matrix(int32_t kind, int32_t space, int32_t flags, int32_t pane, TesMatrix* out) = 0;
    // An object's placement in the world (identity for none).
    virtual TesMatrix objectTransform(ITesObject* object) = 0;
    virtual void setObjectTransform(ITesObject* object, const TesMatrix& transform) = 0;
    // Brings pane `pane` up to date with the objects it shows; the other
    // arguments are the host's.
    virtual void updatePane(int32_t pane, int32_t what, int32_t how) = 0;
    // An object's matrix of `kind` seen from pane `pane` (kGfxModelView).
    virtual bool objectMatrix(int32_t kind, ITesObject* object, int32_t pane, TesMatrix* out) = 0;
    // Sets pane `pane`'s matrix of `kind` (kGfxPaneCamera).
    virtual void setMatrix(int32_t kind, int32_t pane, const TesMatrix& matrix) = 0;
    // The point pane `pane`'s camera turns about, in world coordinates.
    virtual bool cameraCentre(int32_t pane, TesVector* centre) = 0;
    // Moves pane `pane`'s camera sideways so that it looks at `centre`,
    // which it turns about from then on.
    virtual void setCameraCentre(int32_t pane, const TesVector& centre) = 0;
    // Makes the object's present pose its lasting one.
    virtual void commitTransform(ITesObject* object) = 0;
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
