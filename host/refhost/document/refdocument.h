// The reference host's document: objects with names, kinds, attached
// components, coordinate systems, meshes and features, named-object
// registration, the phase, host states and the state object commands are
// asked with.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hostapi/commands.h"
#include "document/refgeometry.h"
#include "document/refmodels.h"
#include "hostapi/document.h"
#include "graphics/refgfxnode.h"
#include "iptr.h"
#include "tesmatrix.h"

// An origin and three axes; also the sub-object and the object that hold one.
class RefCoordinateSystem : public ITesCoordinateSystemV2 {
public:
    RefCoordinateSystem(TesVector origin, TesVector x, TesVector y, TesVector z)
        : origin_(origin), x_(x), y_(y), z_(z) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    TesVector origin() override { return origin_; }
    TesVector xAxis() override { return x_; }
    TesVector yAxis() override { return y_; }
    TesVector zAxis() override { return z_; }

    // Columns x, y, z and the origin.
    TesMatrix matrix() const;

private:
    TesVector origin_, x_, y_, z_;
};

class RefSubObject : public ITesSubObject, public ITesCSysSubObject {
public:
    RefSubObject(std::u16string name, RefCoordinateSystem* system) : name_(std::move(name)), system_(system) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    const char16_t* name() override { return name_.c_str(); }
    uint8_t visibility() override { return visible_; }
    void setVisibility(uint8_t visible) override { visible_ = visible; }
    ITesUnknown* coordinateSystem() override { return system_.get(); }

private:
    std::u16string name_;
    IPtr<RefCoordinateSystem> system_;
    uint8_t visible_ = 1;
};

class RefSubObjectMgr : public ITesSubObjectMgr {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t count() override { return static_cast<int32_t>(subObjects_.size()); }
    ITesSubObjectIter* iterator(int32_t flags) override;
    ITesUnknown* subObjectByName(const char16_t* name) override;

    void add(RefSubObject* subObject) { subObjects_.emplace_back(subObject); }
    const std::vector<IPtr<RefSubObject>>& subObjects() const { return subObjects_; }

private:
    std::vector<IPtr<RefSubObject>> subObjects_;
};

// A new iterator (count 0) over `items`.
ITesSubObjectIter* refSubObjectIter(std::vector<IPtr<ITesUnknown>> items);

// An object with a mesh answers "GenModel" with it, and its "ITesMesh" and
// "ITesMeshExt" faces directly; an object with points answers "ScanModel"
// when its type is "Scan", else "PointModel".
class RefObject : public ITesObject, public ITesCSysSubObject {
public:
    RefObject(std::u16string name, std::string type) : name_(std::move(name)), type_(std::move(type)) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    const char16_t* name() override { return name_.c_str(); }
    const char* type() override { return type_.c_str(); }
    ITesUnknown* component(const TesClassId& classId) override;
    bool isExcluded() override { return excluded_; }
    bool flag(const char* name, int32_t context) override;
    uint8_t displayFlag() override { return display_.flag; }
    void setDisplayFlag(uint8_t value) override { display_.flag = value; }
    void setSecondDisplayFlag(uint8_t value) override { display_.secondFlag = value; }
    uint8_t displayProperty(const char* name) override;
    void setDisplayProperty(const char* name, uint8_t value, int32_t notify) override;
    // The mesh's vertices or the points; flags are not looked at, all are shown.
    void boundingBox(int32_t flags, TesVector* min, TesVector* max) override;
    bool hasVertexColors() override;
    void acceptAlignmentAsFixed(const TesMatrix& alignment) override { accepted_ = {alignment, "fixed"}; }
    void acceptAlignmentAsFloating(const TesMatrix& alignment) override { accepted_ = {alignment, "floating"}; }
    // Null unless the object is a coordinate system.
    ITesUnknown* coordinateSystem() override { return system_.get(); }

    void attach(const TesClassId& classId, ITesUnknown* component);
    void setCoordinateSystem(RefCoordinateSystem* system) { system_ = system; }
    RefCoordinateSystem* system() const { return system_.get(); }
    // The sub-object manager, created on first use under the class id of
    // sub-object managers.
    RefSubObjectMgr& subObjects();
    // The features, created on first use under kRefFeatureMgrId.
    RefFeatureMgr& features();
    // Without `connectivity` the mesh has no surface data ("IComplex2D").
    void setMesh(RefMesh mesh, bool connectivity = true);
    void setPoints(std::vector<double> points);
    // Null for an object without a mesh.
    const RefMesh* mesh() const { return meshModel_ ? &meshModel_->mesh() : nullptr; }
    RefMeshModel* meshModel() const { return meshModel_.get(); }
    // Null for an object without points.
    RefPointModel* pointModel() const { return pointModel_.get(); }
    // The CAD face `face` of the mesh, made on first use; null when the mesh
    // has no triangle of that face.
    RefCadFace* cadFace(int32_t face);
    void setExcluded(bool excluded) { excluded_ = excluded; }
    void setPinned(bool pinned) { pinned_ = pinned; }
    // How the object is drawn, as commands set it.
    struct Display {
        uint8_t flag = 0;
        uint8_t secondFlag = 0;
        std::map<std::string, uint8_t> properties;
    };
    const Display& display() const { return display_; }
    // The pose in the world, as the graphics service sets it.
    const TesMatrix& pose() const { return pose_; }
    void setPose(const TesMatrix& pose) { pose_ = pose; }
    // The last alignment accepted on the object, and its role in it ("fixed"
    // or "floating"); the role is empty before any.
    struct Accepted {
        TesMatrix alignment;
        std::string role;
    };
    const Accepted& accepted() const { return accepted_; }
    // The graphics node drawing the object, made on first use.
    RefGfxNode& node();
    int32_t phase() const { return phase_; }
    void setPhase(int32_t phase) { phase_ = phase; }

private:
    bool isScan() const;

    std::u16string name_;
    std::string type_;
    std::vector<std::pair<TesClassId, IPtr<ITesUnknown>>> components_;
    IPtr<RefCoordinateSystem> system_;
    IPtr<RefMeshModel> meshModel_;
    IPtr<RefPointModel> pointModel_;
    std::map<int32_t, IPtr<RefCadFace>> cadFaces_;
    bool excluded_ = false;
    bool pinned_ = false;
    Display display_;
    TesMatrix pose_;
    Accepted accepted_;
    IPtr<RefGfxNode> node_;
    int32_t phase_ = 0;
};

// The class id under which an object carries its sub-object manager.
inline constexpr TesClassId kRefSubObjectMgrId = TesClassId::parse("4705ab39-e004-403e-bd9f-844bcbe35c15");

class RefDocument : public ITesDoc, public IPhaseService, public IStateMgr {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    ITesObject* objectByName(const char16_t* name) override;
    ITesObject* activeObject() override { return active_.get(); }
    void registerNamedObject(const char16_t* name, ITesObject* object) override;
    void removeNamedObject(const char16_t* name) override;
    ITesObjectIter* objectIterator(int32_t kind, int32_t phase) override;
    void beginInspectionAlignment(int32_t mode) override;
    void beginGeneralAlignment(int32_t mode) override;
    void endInspectionAlignment() override { calls_.push_back("endInspectionAlignment"); }
    void endGeneralAlignment() override { calls_.push_back("endGeneralAlignment"); }
    void update(int32_t what, int32_t how) override;

    int32_t currentPhase() override { return phase_; }

    void pushState(const char* name) override;
    void popState(const char* name) override;

    // Objects in document order; adding one names it too.
    void add(RefObject* object);
    // Empties the document: objects, names, the active object and the states.
    void clear();
    const std::vector<IPtr<RefObject>>& objects() const { return objects_; }
    RefObject* find(const std::u16string& name);
    // The feature of that name on any object, or null.
    RefFeature* findFeature(const std::u16string& name);
    void setActive(RefObject* object) { active_ = object; }
    void setPhase(int32_t phase) { phase_ = phase; }
    const std::vector<std::string>& states() const { return states_; }
    // The alignment and update calls commands made, in order, such as
    // "beginGeneralAlignment 1" and "update 1 1".
    const std::vector<std::string>& calls() const { return calls_; }

private:
    std::vector<IPtr<RefObject>> objects_;
    std::map<std::u16string, IPtr<ITesObject>> named_;
    IPtr<ITesObject> active_;
    std::vector<std::string> states_;
    std::vector<std::string> calls_;
    int32_t phase_ = 0;
};

// The state object of isAvailable: host flags by key and the active object.
class RefCommandState : public ICommandState {
public:
    explicit RefCommandState(RefDocument* document) : document_(document) {}
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool boolValue(const char* key) override;
    ITesObject* activeObject() override { return document_->activeObject(); }

    void set(const std::string& key, bool value) { flags_[key] = value; }

private:
    RefDocument* document_;
    std::map<std::string, bool> flags_;
};
