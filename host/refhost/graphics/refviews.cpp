#include "graphics/refviews.h"

#include <algorithm>

#include "graphics/refgraphics.h"
#include "queryinterface.h"

namespace {

constexpr const char16_t* kMainViewName = u"Main";

}  // namespace

void RefView::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefView", this, this, {{"IView", static_cast<IView*>(this)}}});
}

const char* RefView::className() const { return "RefView"; }

// Only another host view has a camera to copy.
void RefView::copyFrom(IView* other, bool withCamera) {
    if (other == nullptr || other == this) return;
    flags_ = other->flags();
    name_ = other->name() != nullptr ? other->name() : u"";
    if (auto* view = tesQuery<RefView>(other, "RefView"); view != nullptr && withCamera) camera_ = view->camera_;
    changed();
}

void RefView::setFlags(uint32_t flags) {
    flags_ = flags;
    changed();
}

void RefView::setName(const char16_t* name) {
    name_ = name != nullptr ? name : u"";
    changed();
}

// A scene view that does not answer "ISGfxScene" leaves the camera as it was.
void RefView::takeCamera(ITesUnknown* sceneView) {
    if (sceneView == nullptr && views_ != nullptr) sceneView = views_->currentSceneView();
    auto* scene = tesQuery<ISGfxScene>(sceneView, "ISGfxScene");
    IGfxCamera* camera = scene != nullptr ? scene->camera() : nullptr;
    if (camera != nullptr) setCamera(camera->state());
}

void RefView::setCamera(const GfxCameraState& camera) {
    camera_ = camera;
    changed();
}

bool RefView::active() const {
    const auto begun = std::find(steps_.begin(), steps_.end(), kBegin);
    return begun != steps_.end() && std::find(begun, steps_.end(), kComplete) != steps_.end();
}

void RefView::changed() {
    if (changed_) changed_();
}

// Views the theme held may live on elsewhere: they stop telling it.
RefViewTheme::~RefViewTheme() {
    for (const IPtr<IView>& each : views_) {
        if (auto* view = tesQuery<RefView>(each.get(), "RefView")) view->onChanged(nullptr);
    }
}

void RefViewTheme::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefViewTheme", this, this, {{"IViewTheme", static_cast<IViewTheme*>(this)}}});
}

const char* RefViewTheme::className() const { return "RefViewTheme"; }

IView* RefViewTheme::view(int32_t number) {
    if (number < 1 || number > count()) return nullptr;
    return views_[static_cast<size_t>(number - 1)].get();
}

void RefViewTheme::append(IView* view, int32_t, int32_t position) {
    if (view == nullptr) return;
    if (std::any_of(views_.begin(), views_.end(), [view](const IPtr<IView>& each) { return each.get() == view; })) {
        return;
    }
    const auto at = position >= 1 && position <= count() ? views_.begin() + (position - 1) : views_.end();
    views_.insert(at, IPtr<IView>(view));
    if (auto* refView = tesQuery<RefView>(view, "RefView")) refView->onChanged([this] { changed(); });
    changed();
}

void RefViewTheme::changed() {
    if (changed_) changed_();
}

void RefView::setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    viewport_[0] = x;
    viewport_[1] = y;
    viewport_[2] = width;
    viewport_[3] = height;
}

void RefView::viewport(int32_t* x, int32_t* y, int32_t* width, int32_t* height) {
    int32_t* out[] = {x, y, width, height};
    for (int i = 0; i < 4; ++i) {
        if (out[i] != nullptr) *out[i] = viewport_[i];
    }
}

RefOffscreenView::RefOffscreenView(RefViewMgr* views, RefSceneView& from) : RefView(views), scene_(new RefSceneView) {
    RefCamera& camera = scene_->refCamera();
    RefCamera& original = from.refCamera();
    camera.setOrientation(original.orientation());
    camera.setZoom(original.zoom());
    camera.clipping()->setNear(original.clipping()->nearPlane());
}

void RefOffscreenView::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out, {"RefOffscreenView", this, static_cast<IView*>(this), {}})) return;
    RefView::queryInterface(name, out);
}

const char* RefOffscreenView::className() const { return "RefOffscreenView"; }

RefViewLayout::RefViewLayout(RefViewMgr* views) : views_(views), main_(new RefView(views)), current_(main_.get()) {
    main_->setName(kMainViewName);
    main_->setFlags(kMainFlags);
    main_->beginActivation();
    main_->completeActivation();
}

void RefViewLayout::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefViewLayout", this, this, {{"IViewLayout", static_cast<IViewLayout*>(this)}}});
}

const char* RefViewLayout::className() const { return "RefViewLayout"; }

IView* RefViewLayout::currentView(int32_t pane) {
    if (pane != 0) return nullptr;
    main_->takeCamera(nullptr);
    return main_.get();
}

IView* RefViewLayout::createOffscreenView(ITesUnknown* sceneView) {
    auto* scene = tesQuery<RefSceneView>(sceneView, "RefSceneView");
    return scene != nullptr ? new RefOffscreenView(views_, *scene) : nullptr;
}

IView* RefViewLayout::replaceCurrentView(IView* view) {
    auto* offscreen = tesQuery<RefOffscreenView>(view, "RefOffscreenView");
    if (view == nullptr || (view != main_.get() && offscreen == nullptr)) return nullptr;
    IView* replaced = current_.get();
    current_ = view;
    views_->show(offscreen != nullptr ? &offscreen->scene() : nullptr);
    return replaced;
}
