#include "document/refdocument.h"

#include <algorithm>

#include "queryinterface.h"

namespace {

// Walks a snapshot of items; `Item` converts to the iterator's current type.
template <class Interface, class Current, class Item>
class RefListIter : public Interface {
public:
    RefListIter(const char* className, std::vector<IPtr<Item>> items)
        : className_(className), items_(std::move(items)) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {className_, this, this, {}});
    }
    const char* className() const override { return className_; }
    void reset() override { position_ = 0; }
    bool atEnd() override { return position_ >= items_.size(); }
    Current* current() override { return atEnd() ? nullptr : items_[position_].get(); }
    void next() override {
        if (!atEnd()) ++position_;
    }

private:
    const char* className_;
    std::vector<IPtr<Item>> items_;
    size_t position_ = 0;
};

using RefObjectIter = RefListIter<ITesObjectIter, ITesObject, RefObject>;
using RefSubObjectIter = RefListIter<ITesSubObjectIter, ITesUnknown, RefSubObject>;
using RefUnknownIter = RefListIter<ITesSubObjectIter, ITesUnknown, ITesUnknown>;

// Models are asked for by their kind and used through ITesUnknown.
ITesUnknown* modelRoot(ITesUnknown* model) { return model; }

}  // namespace

ITesSubObjectIter* refSubObjectIter(std::vector<IPtr<ITesUnknown>> items) {
    return new RefUnknownIter("RefSubObjectIter", std::move(items));
}

void RefCoordinateSystem::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefCoordinateSystem",
                    this,
                    this,
                    {{"ITesCoordinateSystemV2", static_cast<ITesCoordinateSystemV2*>(this)}}});
}

const char* RefCoordinateSystem::className() const { return "RefCoordinateSystem"; }

TesMatrix RefCoordinateSystem::matrix() const { return TesMatrix::fromColumns(x_, y_, z_, origin_); }

void RefSubObject::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefSubObject",
                    this,
                    static_cast<ITesSubObject*>(this),
                    {{"ITesSubObject", static_cast<ITesSubObject*>(this)},
                     {"ITesCSysSubObject", system_ ? static_cast<ITesCSysSubObject*>(this) : nullptr}}});
}

const char* RefSubObject::className() const { return "RefSubObject"; }

void RefSubObjectMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefSubObjectMgr", this, this, {{"ITesSubObjectMgr", static_cast<ITesSubObjectMgr*>(this)}}});
}

const char* RefSubObjectMgr::className() const { return "RefSubObjectMgr"; }

ITesSubObjectIter* RefSubObjectMgr::iterator(int32_t) { return new RefSubObjectIter("RefSubObjectIter", subObjects_); }

ITesUnknown* RefSubObjectMgr::subObjectByName(const char16_t* name) {
    if (name == nullptr) return nullptr;
    for (const IPtr<RefSubObject>& subObject : subObjects_) {
        if (subObject->name() == std::u16string_view(name)) return static_cast<ITesSubObject*>(subObject.get());
    }
    return nullptr;
}

void RefObject::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefObject",
                    this,
                    static_cast<ITesObject*>(this),
                    {{"ITesObject", static_cast<ITesObject*>(this)},
                     {"ITesCSysSubObject", system_ ? static_cast<ITesCSysSubObject*>(this) : nullptr},
                     {"GenModel", modelRoot(static_cast<ITesMesh*>(meshModel_.get()))},
                     {"ITesMesh", static_cast<ITesMesh*>(meshModel_.get())},
                     {"ITesMeshExt", static_cast<ITesMeshExt*>(meshModel_.get())},
                     {isScan() ? "ScanModel" : "PointModel", modelRoot(static_cast<ITesPoints*>(pointModel_.get()))}}});
}

bool RefObject::isScan() const { return type_ == "Scan"; }

void RefObject::setMesh(RefMesh mesh, bool connectivity) {
    meshModel_ = new RefMeshModel(std::move(mesh), connectivity);
    cadFaces_.clear();
}

void RefObject::setPoints(std::vector<double> points) { pointModel_ = new RefPointModel(std::move(points)); }

const char* RefObject::className() const { return "RefObject"; }

ITesUnknown* RefObject::component(const TesClassId& classId) {
    for (auto& [id, component] : components_) {
        if (id == classId) return component.get();
    }
    return nullptr;
}

void RefObject::attach(const TesClassId& classId, ITesUnknown* component) {
    components_.emplace_back(classId, component);
}

RefSubObjectMgr& RefObject::subObjects() {
    if (auto* existing = tesQuery<RefSubObjectMgr>(component(kRefSubObjectMgrId), "RefSubObjectMgr")) {
        return *existing;
    }
    auto* manager = new RefSubObjectMgr;
    attach(kRefSubObjectMgrId, manager);
    return *manager;
}

RefFeatureMgr& RefObject::features() {
    if (auto* existing = tesQuery<RefFeatureMgr>(component(kRefFeatureMgrId), "RefFeatureMgr")) return *existing;
    auto* manager = new RefFeatureMgr;
    attach(kRefFeatureMgrId, manager);
    return *manager;
}

RefCadFace* RefObject::cadFace(int32_t face) {
    if (mesh() == nullptr || !mesh()->hasFace(face)) return nullptr;
    IPtr<RefCadFace>& cached = cadFaces_[face];
    if (!cached) cached = new RefCadFace(*mesh(), face);
    return cached.get();
}

void RefDocument::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefDocument",
                    this,
                    static_cast<ITesDoc*>(this),
                    {{"ITesDoc", static_cast<ITesDoc*>(this)},
                     {"IPhaseService", static_cast<IPhaseService*>(this)},
                     {"IStateMgr", static_cast<IStateMgr*>(this)}}});
}

const char* RefDocument::className() const { return "RefDocument"; }

ITesObject* RefDocument::objectByName(const char16_t* name) {
    if (name == nullptr) return nullptr;
    auto found = named_.find(name);
    return found != named_.end() ? found->second.get() : nullptr;
}

void RefDocument::registerNamedObject(const char16_t* name, ITesObject* object) {
    if (name != nullptr && object != nullptr) named_[name] = object;
}

void RefDocument::removeNamedObject(const char16_t* name) {
    if (name != nullptr) named_.erase(name);
}

ITesObjectIter* RefDocument::objectIterator(int32_t kind, int32_t phase) {
    std::vector<IPtr<RefObject>> selected;
    for (const IPtr<RefObject>& object : objects_) {
        if (phase >= 0 && object->phase() != phase) continue;
        const bool isSystem = object->system() != nullptr;
        if (kind == kDocCoordinateSystems && !isSystem) continue;
        if (kind == kDocDataObjects && isSystem) continue;
        selected.push_back(object);
    }
    return new RefObjectIter("RefObjectIter", std::move(selected));
}

void RefDocument::pushState(const char* name) {
    if (name != nullptr) states_.emplace_back(name);
}

void RefDocument::popState(const char* name) {
    if (name == nullptr) return;
    auto found = std::find(states_.rbegin(), states_.rend(), name);
    if (found != states_.rend()) states_.erase(std::next(found).base());
}

void RefDocument::add(RefObject* object) {
    objects_.emplace_back(object);
    named_[object->name()] = static_cast<ITesObject*>(object);
}

void RefDocument::clear() {
    objects_.clear();
    named_.clear();
    active_.reset();
    states_.clear();
    calls_.clear();
    phase_ = 0;
}

RefObject* RefDocument::find(const std::u16string& name) {
    for (const IPtr<RefObject>& object : objects_) {
        if (object->name() == name) return object.get();
    }
    return nullptr;
}

RefFeature* RefDocument::findFeature(const std::u16string& name) {
    for (const IPtr<RefObject>& object : objects_) {
        auto* features = tesQuery<RefFeatureMgr>(object->component(kRefFeatureMgrId), "RefFeatureMgr");
        if (RefFeature* feature = features != nullptr ? features->find(name) : nullptr) return feature;
    }
    return nullptr;
}

void RefCommandState::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefCommandState", this, this, {{"ICommandState", static_cast<ICommandState*>(this)}}});
}

const char* RefCommandState::className() const { return "RefCommandState"; }

bool RefCommandState::boolValue(const char* key) {
    if (key == nullptr) return false;
    auto found = flags_.find(key);
    return found != flags_.end() && found->second;
}

void RefDocument::beginInspectionAlignment(int32_t mode) {
    calls_.push_back("beginInspectionAlignment " + std::to_string(mode));
}

void RefDocument::beginGeneralAlignment(int32_t mode) {
    calls_.push_back("beginGeneralAlignment " + std::to_string(mode));
}

void RefDocument::update(int32_t what, int32_t how) {
    calls_.push_back("update " + std::to_string(what) + " " + std::to_string(how));
}
