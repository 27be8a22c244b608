// Selection and picking: the host's preselection (what the mouse would pick,
// highlighted before the click), the feature selectors that commands embed
// in their panels, and the pick of a point on an object.
#pragma once

#include <cstdint>

#include "../tesobject.h"
#include "gui.h"

class IGfxMouseEvent;
class ITesKeyEvent;
class ITesObject;
struct TesVector;

// Decides whether the preselection may offer an object. The meaning of the
// kind and the three values is the host's.
class ITesPreselectActivator : public virtual ITesUnknown {
public:
    // True when the activator handled the request; *accept says whether the
    // object may be preselected.
    virtual bool activate(int32_t kind, int32_t first, int32_t second, int32_t third, bool* accept) = 0;
    virtual bool activatorCall1() = 0;
    virtual bool activatorCall2() = 0;
};

// Kinds of preselection requests every activator accepts.
inline constexpr int32_t kPreselectAlways3 = 3;
inline constexpr int32_t kPreselectAlways4 = 4;

// "ITesPreselectMgr".
class ITesPreselectMgr : public virtual ITesUnknown {
public:
    // The activator asked before an object is preselected; null for none.
    virtual void setActivator(ITesPreselectActivator* activator) = 0;
    virtual ITesPreselectActivator* activator() = 0;
    // Keys a command does not handle itself.
    virtual void onKeyEvent(ITesKeyEvent* event) = 0;
    virtual void onNotification(int32_t first, int32_t second, int32_t third) = 0;
};

// Gives an object the preselect manager it works with.
class ITesPreselectMgrAccess : public virtual ITesUnknown {
public:
    virtual ITesPreselectMgr* preselectMgr() = 0;
    virtual void setPreselectMgr(ITesPreselectMgr* manager) = 0;
};

// Options of a feature selector: what a pick may select. With
// kSelectFromPreselection the selector also accepts what the preselection
// offers (its activator answers accept for the allowed kinds).
inline constexpr int32_t kSelectPlanes = 0;
inline constexpr int32_t kSelectLines = 1;
inline constexpr int32_t kSelectSpheres = 2;
inline constexpr int32_t kSelectCadFaces = 3;
inline constexpr int32_t kSelectFromPreselection = 4;

// Kinds of preselection requests that name a feature; a feature selector's
// activator accepts the kinds its options allow. 3 and 4 are the kinds every
// activator accepts (above).
inline constexpr int32_t kPreselectPlane = 10;
inline constexpr int32_t kPreselectLine = 11;
inline constexpr int32_t kPreselectSphere = 12;
inline constexpr int32_t kPreselectCadFace = 13;

// "ITesFeatureSelectorWidget": a panel widget (also "ITesWidget") that holds
// one picked feature of the document.
class ITesFeatureSelectorWidget : public virtual ITesUnknown {
public:
    virtual void setOption(int32_t option, bool on) = 0;
    virtual void setDocument(ITesUnknown* document) = 0;
    // The current selector receives the picks; `keep` keeps its selection
    // highlighted as it was.
    virtual void becomeCurrent(bool keep) = 0;
    virtual void stopCurrent() = 0;
    // True when the event changed the selection.
    virtual bool onMouseEvent(IGfxMouseEvent* event) = 0;
    // The selected feature, or null.
    virtual ITesUnknown* selection() = 0;
    virtual const char16_t* displayName() = 0;
    // The CAD face of the selection; -1 before a face was picked.
    virtual int32_t faceIndex() = 0;
    virtual void clearSelection() = 0;
};

// "ITesPickOnModel": the point of an object under a click, through the camera
// of the pane the user works in.
class ITesPickOnModel : public virtual ITesUnknown {
public:
    // The click the next pick looks through; the service keeps a reference.
    virtual void setEvent(IGfxMouseEvent* event) = 0;
    // The point of `object` under the click, in the object's own (model)
    // coordinates: the first surface hit on a mesh, the point nearest the
    // click within a few pixels on a point set. False, leaving *point as it
    // was, when there is no event or the click misses the object.
    virtual bool pick(ITesObject* object, TesVector* point) = 0;
};

// Decides which objects an object selector ("ITesObjSelector") offers.
class ITesObjFilter : public virtual ITesUnknown {
public:
    virtual bool accepts(ITesObject* object) = 0;
};
