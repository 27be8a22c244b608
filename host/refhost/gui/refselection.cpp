#include "gui/refselection.h"

#include <algorithm>
#include <optional>

#include "document/refgeometry.h"
#include "graphics/refinputevents.h"
#include "gui/refpanel.h"
#include "queryinterface.h"

namespace {

// What a pick hit, as a selector sees it.
struct PickedFeature {
    int32_t option;  // the selector option that allows it
    std::u16string name;
    int32_t face;  // -1 unless it is a CAD face
};

// A CAD face answers "ITesSphere" too, so it is told apart first.
std::optional<PickedFeature> classify(ITesUnknown* target) {
    if (auto* face = tesQuery<RefCadFace>(target, "RefCadFace")) {
        return PickedFeature{kSelectCadFaces, face->name(), face->face()};
    }
    auto* feature = tesQuery<RefFeature>(target, "RefFeature");
    std::u16string name = feature != nullptr ? feature->name() : std::u16string();
    if (tesQuery<ITesPlane>(target, "ITesPlane") != nullptr) return PickedFeature{kSelectPlanes, std::move(name), -1};
    if (tesQuery<ITesLine>(target, "ITesLine") != nullptr) return PickedFeature{kSelectLines, std::move(name), -1};
    if (tesQuery<ITesSphere>(target, "ITesSphere") != nullptr) {
        return PickedFeature{kSelectSpheres, std::move(name), -1};
    }
    return std::nullopt;
}

// The selector option of a preselection kind, or -1.
int32_t optionOfKind(int32_t kind) {
    switch (kind) {
    case kPreselectPlane: return kSelectPlanes;
    case kPreselectLine: return kSelectLines;
    case kPreselectSphere: return kSelectSpheres;
    case kPreselectCadFace: return kSelectCadFaces;
    default: return -1;
    }
}

}  // namespace

void RefPreselectMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefPreselectMgr", this, this, {{"ITesPreselectMgr", static_cast<ITesPreselectMgr*>(this)}}});
}

const char* RefPreselectMgr::className() const { return "RefPreselectMgr"; }

void RefPreselectMgr::setActivator(ITesPreselectActivator* activator) {
    activatorRef_ = activator != nullptr ? activator->weakRef() : nullptr;
    activator_ = activator;
}

ITesPreselectActivator* RefPreselectMgr::activator() {
    return activatorRef_ && activatorRef_->target() != nullptr ? activator_ : nullptr;
}

void RefPreselectMgr::onKeyEvent(ITesKeyEvent* event) {
    if (event != nullptr) keys_.push_back(event->keyCode());
}

void RefPreselectMgr::onNotification(int32_t first, int32_t second, int32_t third) {
    notifications_.push_back({first, second, third});
}

void RefFeatureSelector::queryInterface(const char* name, void** out) {
    auto* root = static_cast<ITesFeatureSelectorWidget*>(this);
    tesAnswerQuery(name, out,
                   {"RefFeatureSelector",
                    this,
                    root,
                    {{"ITesFeatureSelectorWidget", root},
                     {"ITesWidget", static_cast<ITesWidget*>(this)},
                     {"ITesPreselectMgrAccess", static_cast<ITesPreselectMgrAccess*>(this)},
                     {"ITesPreselectActivator", static_cast<ITesPreselectActivator*>(this)}}});
}

const char* RefFeatureSelector::className() const { return "RefFeatureSelector"; }

void RefFeatureSelector::setOption(int32_t option, bool on) {
    if (option >= 0 && option < static_cast<int32_t>(options_.size())) options_[static_cast<size_t>(option)] = on;
}

bool RefFeatureSelector::onMouseEvent(IGfxMouseEvent* event) {
    auto* pick = tesQuery<RefMouseEvent>(event, "RefMouseEvent");
    if (pick == nullptr || pick->type() != kRefMousePress || (pick->buttons() & kRefLeftButton) == 0) return false;
    ITesUnknown* target = pick->target();
    if (target == nullptr || target == selection_.get()) return false;
    const std::optional<PickedFeature> picked = classify(target);
    if (!picked || !options_[static_cast<size_t>(picked->option)]) return false;
    selection_ = target;
    displayName_ = picked->name;
    face_ = picked->face;
    return true;
}

void RefFeatureSelector::clearSelection() {
    selection_.reset();
    displayName_.clear();
    face_ = -1;
}

RefPanel* RefFeatureSelector::panel() const {
    return panelRef_ ? tesQuery<RefPanel>(panelRef_->object(), "RefPanel") : nullptr;
}

// The panel has just added this selector as a widget control: its id is
// that of the last such control.
void RefFeatureSelector::attach(ITesUnknown* owner) {
    auto* panel = tesQuery<RefPanel>(owner, "RefPanel");
    if (panel == nullptr) return;
    const auto& controls = panel->controls();
    const auto self = static_cast<ITesUnknown*>(static_cast<ITesFeatureSelectorWidget*>(this));
    const auto placed = std::find_if(controls.rbegin(), controls.rend(),
                                     [self](const RefControl& control) { return control.widget == self; });
    if (placed == controls.rend()) return;
    panelRef_ = panel->weakRef();
    id_ = placed->id;
}

void RefFeatureSelector::build(IGuiPanel* panel, const char16_t* label) {
    if (panel == nullptr) return;
    const int32_t id = panel->reserveIds(1);
    panel->addWidget(static_cast<ITesFeatureSelectorWidget*>(this), id, label);
    panel->finishWidget(nullptr);
}

void RefFeatureSelector::show(bool shown) {
    if (RefPanel* placed = panel()) placed->show(id_, shown);
}

void RefFeatureSelector::remove() {
    if (RefPanel* placed = panel()) placed->removeControl(id_);
    panelRef_.reset();
}

bool RefFeatureSelector::activate(int32_t kind, int32_t, int32_t, int32_t, bool* accept) {
    const int32_t option = optionOfKind(kind);
    if (accept != nullptr) {
        *accept = option >= 0 && options_[static_cast<size_t>(option)] && options_[kSelectFromPreselection];
    }
    return true;
}

RefFeatureSelector* RefSelectorRegistry::create() {
    std::erase_if(made_, [](const IPtr<TesWeakRef, TesShared>& weak) { return weak->target() == nullptr; });
    auto* selector = new RefFeatureSelector(++count_);
    made_.emplace_back(selector->weakRef());
    return selector;
}

std::vector<RefFeatureSelector*> RefSelectorRegistry::live() const {
    std::vector<RefFeatureSelector*> selectors;
    for (const IPtr<TesWeakRef, TesShared>& weak : made_) {
        auto* selector = tesQuery<RefFeatureSelector>(weak->object(), "RefFeatureSelector");
        if (selector != nullptr) selectors.push_back(selector);
    }
    return selectors;
}
