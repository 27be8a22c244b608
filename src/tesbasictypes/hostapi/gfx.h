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
};

// "ISGfxScene": a scene view.
class ISGfxScene : public virtual ITesUnknown {
public:
    virtual IGfxCamera* camera() = 0;
};

// "IGfxViewMgr".
class IGfxViewMgr : public virtual ITesUnknown {
public:
    // The view the user works in; answers "ISGfxScene".
    virtual ITesUnknown* currentSceneView() = 0;
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
