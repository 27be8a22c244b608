#include "graphics/refpanes.h"

#include <algorithm>

#include "queryinterface.h"

void RefPane::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefPane", this, this, {{"IGfxPane", static_cast<IGfxPane*>(this)}}});
}

const char* RefPane::className() const { return "RefPane"; }

void RefPane::resetObjects(bool hideAll) {
    hideAll_ = hideAll;
    shown_.clear();
}

namespace {

// Matches the entry of the shown objects that holds `object`.
auto holding(ITesObject* object) {
    return [object](const IPtr<ITesObject>& each) { return each.get() == object; };
}

}  // namespace

void RefPane::showObject(ITesObject* object) {
    if (object != nullptr && std::none_of(shown_.begin(), shown_.end(), holding(object))) shown_.emplace_back(object);
}

bool RefPane::shows(ITesObject* object) const {
    return !hideAll_ || std::any_of(shown_.begin(), shown_.end(), holding(object));
}

void RefPane::hideObject(ITesObject* object) { std::erase_if(shown_, holding(object)); }

void RefPane::lookAtCentre(const TesVector& centre) {
    RefCamera& camera = scene_->refCamera();
    const TesMatrix orientation = camera.orientation();
    const TesVector eye = RefCamera::eyeOf(orientation);
    const TesVector look = RefCamera::lookOf(orientation);
    const TesVector toCentre = centre - eye;
    const TesVector sideways = toCentre - look * dot(toCentre, look);
    const TesMatrix moved = orientation * TesMatrix::translationMatrix(-sideways);
    camera.setOrientation(moved);
    centre_ = centre;
}

namespace {

RefPane* refPane(IGfxPane* pane) { return tesQuery<RefPane>(pane, "RefPane"); }

}  // namespace

void RefObjectVisibilityMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefObjectVisibilityMgr",
                    this,
                    this,
                    {{"ITesObjectVisibilityMgr", static_cast<ITesObjectVisibilityMgr*>(this)}}});
}

const char* RefObjectVisibilityMgr::className() const { return "RefObjectVisibilityMgr"; }

void RefObjectVisibilityMgr::reset(IGfxPane* pane, int32_t hideAll) {
    if (RefPane* target = refPane(pane)) target->resetObjects(hideAll != 0);
}

void RefObjectVisibilityMgr::show(IGfxPane* pane, ITesObject* object) {
    if (RefPane* target = refPane(pane)) target->showObject(object);
}

void RefObjectVisibilityMgr::hide(IGfxPane* pane, ITesObject* object) {
    if (RefPane* target = refPane(pane)) target->hideObject(object);
}
