// The host's document: named objects, their sub-objects and coordinate
// systems, phases, host states and host commands. Names shown to the user are
// wide; a returned text stays valid as long as its object.
#pragma once

#include <cstdint>

#include "../classid.h"
#include "../tesobject.h"
#include "../tesvector.h"

class BitVector;
class ITesObjectIter;
class TesMatrix;

// An object of the document.
class ITesObject : public virtual ITesUnknown {
public:
    virtual const char16_t* name() = 0;
    // The object's kind, e.g. "World", "Point", "Mesh", "CoordinateSystem".
    virtual const char* type() = 0;
    // A component attached to the object, or null.
    virtual ITesUnknown* component(const TesClassId& classId) = 0;
    virtual bool isExcluded() = 0;
    // A named flag of the object, such as "Pinned"; `context` is the host's.
    virtual bool flag(const char* name, int32_t context) = 0;
    // Whether the object is drawn as a command's working object (1) or not (0).
    virtual uint8_t displayFlag() = 0;
    virtual void setDisplayFlag(uint8_t value) = 0;
    // The highlight a command gave the object; 0 takes it off.
    virtual void setSecondDisplayFlag(uint8_t value) = 0;
    // Display properties by name, such as "PrimViewPointColors" and
    // "PrimViewShadedPoints"; 0 for one the object does not have. `notify`
    // 1 tells the views.
    virtual uint8_t displayProperty(const char* name) = 0;
    virtual void setDisplayProperty(const char* name, uint8_t value, int32_t notify) = 0;
    // Widens *min and *max by the object's points in model coordinates; the
    // caller starts them empty (min above max). `flags` 1: shown points only.
    virtual void boundingBox(int32_t flags, TesVector* min, TesVector* max) = 0;
    virtual bool hasVertexColors() = 0;
    // Record an accepted alignment M (the motion a command found, relative to
    // the pose it started from) on the object it was fixed to and on the one
    // it moved. The poses themselves are the graphics service's.
    virtual void acceptAlignmentAsFixed(const TesMatrix& alignment) = 0;
    virtual void acceptAlignmentAsFloating(const TesMatrix& alignment) = 0;
};

// Kinds of objectIterator.
inline constexpr int32_t kDocAllObjects = 0;
inline constexpr int32_t kDocDataObjects = 2;
inline constexpr int32_t kDocCoordinateSystems = 3;

// "ITesDoc".
class ITesDoc : public virtual ITesUnknown {
public:
    virtual ITesObject* objectByName(const char16_t* name) = 0;
    virtual ITesObject* activeObject() = 0;
    virtual void registerNamedObject(const char16_t* name, ITesObject* object) = 0;
    virtual void removeNamedObject(const char16_t* name) = 0;
    // A new iterator (count 0) over the objects of `kind` in `phase` (-1: all).
    virtual ITesObjectIter* objectIterator(int32_t kind, int32_t phase) = 0;
    // An alignment of two objects begins in the inspection or the general
    // profile (the argument is the host's), and ends.
    virtual void beginInspectionAlignment(int32_t mode) = 0;
    virtual void beginGeneralAlignment(int32_t mode) = 0;
    virtual void endInspectionAlignment() = 0;
    virtual void endGeneralAlignment() = 0;
    // Brings the views and the object lists up to date; the arguments are the host's.
    virtual void update(int32_t what, int32_t how) = 0;
};

class ITesObjectIter : public virtual ITesUnknown {
public:
    virtual void reset() = 0;
    virtual bool atEnd() = 0;
    virtual ITesObject* current() = 0;
    virtual void next() = 0;
};

// "IPhaseService": the document's current phase.
class IPhaseService : public virtual ITesUnknown {
public:
    virtual int32_t currentPhase() = 0;
};

class ITesSubObjectIter : public virtual ITesUnknown {
public:
    virtual void reset() = 0;
    virtual bool atEnd() = 0;
    virtual ITesUnknown* current() = 0;
    virtual void next() = 0;
};

// "ITesSubObjectMgr": the sub-objects of an object, in a stable order.
class ITesSubObjectMgr : public virtual ITesUnknown {
public:
    virtual int32_t count() = 0;
    // A new iterator (count 0); `flags` 1 walks every sub-object.
    virtual ITesSubObjectIter* iterator(int32_t flags) = 0;
    virtual ITesUnknown* subObjectByName(const char16_t* name) = 0;
};

// "ITesSubObject".
class ITesSubObject : public virtual ITesUnknown {
public:
    virtual const char16_t* name() = 0;
    virtual uint8_t visibility() = 0;
    virtual void setVisibility(uint8_t visible) = 0;
};

// The features of an object, carried as its component kFeatureAttachmentId;
// answers "ITesSubObjectMgr" for the features themselves ("ITesSubObject").
inline constexpr TesClassId kFeatureAttachmentId = TesClassId::parse("acb43df0-d0ae-43f8-bbfe-3ccbd80c500e");

class ITesFeatureSubObjectMgr : public virtual ITesUnknown {
public:
    // True when the object has no features to show.
    virtual bool isEmpty() = 0;
};

// "ITesCoordinateSystemV2": an origin and three axes in world coordinates.
class ITesCoordinateSystemV2 : public virtual ITesUnknown {
public:
    virtual TesVector origin() = 0;
    virtual TesVector xAxis() = 0;
    virtual TesVector yAxis() = 0;
    virtual TesVector zAxis() = 0;
};

// "ITesCSysSubObject": a sub-object or object that holds a coordinate system.
class ITesCSysSubObject : public virtual ITesUnknown {
public:
    // Answers "ITesCoordinateSystemV2".
    virtual ITesUnknown* coordinateSystem() = 0;
};

// "IStateMgr": named host states, popped by name.
class IStateMgr : public virtual ITesUnknown {
public:
    virtual void pushState(const char* name) = 0;
    virtual void popState(const char* name) = 0;
};

// "ICommandAccess": runs a host command by its name.
class ICommandAccess : public virtual ITesUnknown {
public:
    virtual bool runCommand(const char16_t* name, int32_t flags) = 0;
};

// Features of the document. "ITesPlane".
class ITesPlane : public virtual ITesUnknown {
public:
    virtual TesVector origin() = 0;
    virtual TesVector normal() = 0;
};

// "ITesLine": a segment.
class ITesLine : public virtual ITesUnknown {
public:
    virtual TesVector start() = 0;
    virtual TesVector end() = 0;
};

// "ITesSphere". The vector is the host's: a direction that goes with the sphere.
class ITesSphere : public virtual ITesUnknown {
public:
    virtual TesVector centre() = 0;
    virtual double radius() = 0;
    virtual TesVector vector() = 0;
};

// "ITesMesh": a triangle mesh as flat arrays; valid as long as the mesh.
class ITesMesh : public virtual ITesUnknown {
public:
    virtual int32_t vertexCount() = 0;
    // x, y, z of each vertex.
    virtual const double* vertices() = 0;
    virtual int32_t triangleCount() = 0;
    // Three vertex indices per triangle, counter-clockwise seen from outside.
    virtual const int32_t* triangles() = 0;
    // What the mesh knows of its surface; may answer "IComplex2D". Null for none.
    virtual ITesUnknown* surfaceData() = 0;
};

// "ITesMeshExt": what a mesh knows beyond its triangles. Triangles are
// numbered from 1 in selections: the k-th triangle (from 0) is item k + 1,
// and bit 0 is never set.
class ITesMeshExt : public virtual ITesUnknown {
public:
    // The CAD face of each triangle (triangleCount entries), or null.
    virtual const int32_t* triangleFaces() = 0;
    virtual void triangleSelection(BitVector* out) = 0;
    // Replaces the selection by `triangles`, or with `add` adds them to it.
    virtual void selectTriangles(const BitVector& triangles, bool add) = 0;
};

// "IComplex2D": how the triangles of a surface meet.
class IComplex2D : public virtual ITesUnknown {
public:
    // The triangle across edge `edge` (0 to 2: from corner edge to corner
    // edge + 1) of triangle `triangle`, both numbered from 1; 0 for none.
    virtual uint32_t neighbour(uint32_t triangle, int32_t edge) = 0;
};

// "ITesPoints": a point cloud; points numbered from 1 in selections.
class ITesPoints : public virtual ITesUnknown {
public:
    virtual int32_t pointCount() = 0;
    // x, y, z of each point.
    virtual const double* points() = 0;
    virtual void pointSelection(BitVector* out) = 0;
    virtual void selectPoints(const BitVector& points, bool add) = 0;
    // Whether every point carries a normal.
    virtual bool hasNormals() = 0;
};

// "ITesScan": the points of one scan; numbered from 1 in selections.
class ITesScan : public virtual ITesUnknown {
public:
    virtual int32_t pointCount() = 0;
    virtual void pointSelection(BitVector* out) = 0;
    virtual void selectPoints(const BitVector& points, bool add) = 0;
};

// The workflow of the host: what runs when the user starts a scan. An object
// can carry a workflow of its own through the component below.
inline constexpr TesClassId kWorkflowOwnerId = TesClassId::parse("c1b2aebf-928d-4faa-8429-ff63122a801d");

// The object component of class kWorkflowOwnerId.
class ITesWorkflowOwner : public virtual ITesUnknown {
public:
    // True when the object's workflow is to be used.
    virtual bool usesWorkflow() = 0;
};

// "ITesWorkflowSubObjectMgr": the owner's link to its workflow.
class ITesWorkflowSubObjectMgr : public virtual ITesUnknown {
public:
    // The held link ("ITesWorkflowLink"), or null.
    virtual ITesUnknown* heldObject() = 0;
};

// "ITesWorkflowLink".
class ITesWorkflowLink : public virtual ITesUnknown {
public:
    // The workflow linked to, or null.
    virtual ITesUnknown* value() = 0;
};

// A workflow's holder of the automation script it runs.
class ITesScriptHolder : public virtual ITesUnknown {
public:
    // Starts a new script; the argument is the host's.
    virtual void begin(int32_t mode) = 0;
    virtual void setLanguage(const char* language) = 0;
    // 8-bit (UTF-8) text, stored as given.
    virtual void setScript(const char* script) = 0;
};

// "ITesWorkflow".
class ITesWorkflow : public virtual ITesUnknown {
public:
    virtual ITesScriptHolder* scriptHolder() = 0;
};

// "ITesWorkflowManager".
class ITesWorkflowManager : public virtual ITesUnknown {
public:
    // Makes `workflow` (as a link's value) the current workflow.
    virtual void takeWorkflow(ITesUnknown* workflow) = 0;
    // Answers "ITesWorkflow", or null.
    virtual ITesUnknown* currentWorkflow() = 0;
};
