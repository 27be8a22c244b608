#include "graphics/refgraphics.h"

#include <algorithm>

#include "document/refdocument.h"
#include "graphics/refpanes.h"
#include "graphics/refviews.h"
#include "graphics/refvisibility.h"
#include "hostapi/settings.h"
#include "queryinterface.h"

namespace {

// What the view manager's callbacks receive.
class RefMouseData : public IGfxMouseData {
public:
    explicit RefMouseData(int32_t type) : type_(type) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"RefMouseData", this, this, {{"IGfxMouseData", static_cast<IGfxMouseData*>(this)}}});
    }
    const char* className() const override { return "RefMouseData"; }
    int32_t type() override { return type_; }

private:
    int32_t type_;
};

// A service of `manager` seen as T, or null; services are held by the
// manager, so the pointer gains no reference.
template <class T>
T* serviceOf(ITesComponentManager* manager, const char* name) {
    void* face = nullptr;
    if (manager == nullptr || manager->getService(name, &face) != 1) return nullptr;
    return static_cast<T*>(face);
}

}  // namespace

void RefClipping::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefClipping", this, this, {{"IGfxClipping", static_cast<IGfxClipping*>(this)}}});
}

const char* RefClipping::className() const { return "RefClipping"; }

RefCamera::RefCamera() : clipping_(new RefClipping) { lookAt({0, 0, 10}, {0, 0, -1}, {0, 1, 0}); }

void RefCamera::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefCamera", this, this, {{"IGfxCamera", static_cast<IGfxCamera*>(this)}}});
}

const char* RefCamera::className() const { return "RefCamera"; }

void RefCamera::viewRectangle(double* left, double* bottom, double* right, double* top) {
    const double halfHeight = 0.5 / zoom_;
    if (left != nullptr) *left = -kAspect * halfHeight;
    if (bottom != nullptr) *bottom = -halfHeight;
    if (right != nullptr) *right = kAspect * halfHeight;
    if (top != nullptr) *top = halfHeight;
}

// The frustum of the view rectangle scaled to the near plane.
TesMatrix RefCamera::projection() {
    double left = 0, bottom = 0, right = 0, top = 0;
    viewRectangle(&left, &bottom, &right, &top);
    const double n = clipping_->nearPlane();
    const double f = clipping_->farPlane();
    left *= n;
    right *= n;
    bottom *= n;
    top *= n;
    const double values[16] = {2 * n / (right - left), 0, (right + left) / (right - left), 0,
                               0, 2 * n / (top - bottom), (top + bottom) / (top - bottom), 0,
                               0, 0, -(f + n) / (f - n), -2 * f * n / (f - n),
                               0, 0, -1, 0};
    return TesMatrix(values);
}

void RefCamera::lookAt(const TesVector& eye, const TesVector& look, const TesVector& up) {
    orientation_ = lookAtOrientation(eye, look, up);
}

TesMatrix RefCamera::lookAtOrientation(const TesVector& eye, const TesVector& look, const TesVector& up) {
    const TesVector back = (-look).normalized();
    const TesVector right = cross(up, back).normalized();
    const TesVector trueUp = cross(back, right);
    TesMatrix rotation = TesMatrix::fromRows(right, trueUp, back);
    const TesVector moved = rotation.transformPoint(eye);
    rotation.setTranslation(-moved);
    return rotation;
}

TesVector RefCamera::eye() const { return eyeOf(orientation_); }

TesVector RefCamera::eyeOf(const TesMatrix& orientation) { return orientation.inverse().transformPoint({0, 0, 0}); }

TesVector RefCamera::lookOf(const TesMatrix& orientation) {
    return {-orientation(2, 0), -orientation(2, 1), -orientation(2, 2)};
}

void RefCamera::commitState() {
    ++commits_;
    if (!pendingMove_) return;
    const std::function<void(RefCamera&)> move = std::move(pendingMove_);
    pendingMove_ = nullptr;
    move(*this);
}

void RefGraphicsView::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefGraphicsView", this, this, {{"ISGfxView", static_cast<ISGfxView*>(this)}}});
}

const char* RefGraphicsView::className() const { return "RefGraphicsView"; }

ITesUnknown* RefGraphicsView::sceneView() {
    if (scene_ == nullptr) return nullptr;
    return static_cast<ISGfxScene*>(scene_);
}

RefSceneView::RefSceneView() : camera_(new RefCamera), graphicsView_(new RefGraphicsView(this)) {}

RefSceneView::~RefSceneView() { graphicsView_->detach(); }

void RefSceneView::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefSceneView", this, this, {{"ISGfxScene", static_cast<ISGfxScene*>(this)}}});
}

const char* RefSceneView::className() const { return "RefSceneView"; }

ITesUnknown* RefSceneView::graphicsView() { return static_cast<ISGfxView*>(graphicsView_.get()); }

void RefSceneView::attachView(IView* view) {
    attached_ = view;
    if (auto* shown = tesQuery<RefView>(view, "RefView")) {
        camera_->setOrientation(shown->camera().orientation);
        camera_->setZoom(shown->camera().zoom);
    }
}

void RefSceneView::showStoredView(int32_t number, bool animate, int32_t) {
    auto* theme = serviceOf<IViewTheme>(manager_, "IViewTheme");
    auto* view = tesQuery<RefView>(theme != nullptr ? theme->view(number) : nullptr, "RefView");
    if (view == nullptr) return;
    const GfxCameraState target = view->camera();
    auto* settings = serviceOf<IDataStore>(manager_, "IDataStore");
    auto* animator = serviceOf<ITesAnimateCameraUtil>(manager_, "ITesAnimateCameraUtil");
    if (animate && animator != nullptr && settings != nullptr && settings->getBool(kSmoothKey, false)) {
        animator->animate(0, static_cast<ISGfxScene*>(this), target.orientation, target, 1.0,
                          settings->getDouble(kDurationKey, 0.0));
    } else {
        camera_->setOrientation(target.orientation);
        camera_->setZoom(target.zoom);
    }
    camera_->commitState();
}

RefViewMgr::RefViewMgr() : user_(new RefSceneView), main_(new RefPane(user_.get(), u"3D View")) {}

RefViewMgr::~RefViewMgr() = default;

RefSceneView& RefViewMgr::current() {
    if (shown_) return *shown_;
    RefPane* active = layout_ == kGfxLayoutPanes ? refPane(activePane_) : nullptr;
    return active != nullptr ? active->scene() : *user_;
}

IGfxPane* RefViewMgr::mainView() { return main_.get(); }

void RefViewMgr::setLayout(int32_t layout) {
    panes_.clear();
    activePane_ = 0;
    layout_ = layout == kGfxLayoutPanes ? kGfxLayoutPanes : kGfxLayoutMain;
    if (layout_ != kGfxLayoutPanes) return;
    for (int i = 0; i < 4; ++i) {
        IPtr<RefSceneView> scene(new RefSceneView);
        scene->useServices(manager_);
        scene->refCamera().setOrientation(user_->refCamera().orientation());
        scene->refCamera().setZoom(user_->refCamera().zoom());
        panes_.emplace_back(new RefPane(scene.get(), u""));
    }
}

RefPane* RefViewMgr::refPane(int32_t index) {
    if (index < 0) index = activePane_;
    if (layout_ != kGfxLayoutPanes) return index == 0 ? main_.get() : nullptr;
    return index < static_cast<int32_t>(panes_.size()) ? panes_[static_cast<size_t>(index)].get() : nullptr;
}

IGfxPane* RefViewMgr::pane(int32_t index) { return index < 0 ? nullptr : refPane(index); }

IGfxPane* RefViewMgr::activePane() {
    RefPane* active = refPane(activePane_);
    return active != nullptr ? active : main_.get();
}

void RefViewMgr::useServices(ITesComponentManager* manager) {
    manager_ = manager;
    user_->useServices(manager);
}

void RefViewMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefViewMgr",
                    this,
                    static_cast<IGfxViewMgr*>(this),
                    {{"IGfxViewMgr", static_cast<IGfxViewMgr*>(this)},
                     {"ICallbackObject", static_cast<ICallbackObject*>(this)}}});
}

const char* RefViewMgr::className() const { return "RefViewMgr"; }

void RefViewMgr::addCallback(int32_t kind, IGfxCallback* callback) {
    if (callback == nullptr) return;
    std::vector<IPtr<IGfxCallback>>& registered = callbacks_[kind];
    const auto same = [callback](const IPtr<IGfxCallback>& each) { return each.get() == callback; };
    if (std::none_of(registered.begin(), registered.end(), same)) registered.emplace_back(callback);
}

void RefViewMgr::removeCallback(int32_t kind, IGfxCallback* callback) {
    auto found = callbacks_.find(kind);
    if (found == callbacks_.end()) return;
    std::erase_if(found->second, [callback](const IPtr<IGfxCallback>& each) { return each.get() == callback; });
    if (found->second.empty()) callbacks_.erase(found);
}

// The callbacks are copied first: one may remove itself, or others, when called.
int RefViewMgr::fireCallbacks(int32_t kind, int32_t type) {
    auto found = callbacks_.find(kind);
    if (found == callbacks_.end()) return 0;
    const std::vector<IPtr<IGfxCallback>> called = found->second;
    IPtr<RefMouseData> event(new RefMouseData(type));
    for (const IPtr<IGfxCallback>& callback : called) callback->onCallback(kind, event.get());
    return static_cast<int>(called.size());
}

void RefRenderer::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefRenderer", this, this, {{"IGfxRenderer", static_cast<IGfxRenderer*>(this)}}});
}

const char* RefRenderer::className() const { return "RefRenderer"; }

void RefRenderer::redraw(int32_t mode) {
    ++redraws_;
    if (mode == kFullRefresh) ++fullRefreshes_;
}

void RefGenGfxService::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefGenGfxService", this, this, {{"IGenGfxService", static_cast<IGenGfxService*>(this)}}});
}

const char* RefGenGfxService::className() const { return "RefGenGfxService"; }

RefCamera* RefGenGfxService::paneCamera(int32_t pane) {
    RefPane* target = views_->refPane(pane);
    return target != nullptr ? &target->scene().refCamera() : nullptr;
}

// Every camera matrix of a pane is its orientation, world to eye.
bool RefGenGfxService::matrix(int32_t kind, int32_t, int32_t, int32_t pane, TesMatrix* out) {
    const bool cameraKind = kind == kGfxPaneCamera || kind == kGfxPaneView || kind == kGfxViewTransform;
    RefCamera* camera = pane < 0 ? &views_->current().refCamera() : paneCamera(pane);
    if (!cameraKind || camera == nullptr || out == nullptr) return false;
    *out = camera->orientation();
    return true;
}

TesMatrix RefGenGfxService::objectTransform(ITesObject* object) {
    auto* own = tesQuery<RefObject>(object, "RefObject");
    return own != nullptr ? own->pose() : TesMatrix();
}

void RefGenGfxService::setObjectTransform(ITesObject* object, const TesMatrix& transform) {
    if (auto* own = tesQuery<RefObject>(object, "RefObject")) own->setPose(transform);
}

void RefGenGfxService::updatePane(int32_t pane, int32_t, int32_t) {
    if (RefPane* target = views_->refPane(pane)) target->countUpdate();
}

bool RefGenGfxService::objectMatrix(int32_t kind, ITesObject* object, int32_t pane, TesMatrix* out) {
    TesMatrix camera;
    if (kind != kGfxModelView || object == nullptr || out == nullptr) return false;
    if (!matrix(kGfxPaneCamera, 0, 0, pane, &camera)) return false;
    *out = camera * objectTransform(object);
    return true;
}

void RefGenGfxService::setMatrix(int32_t kind, int32_t pane, const TesMatrix& matrix) {
    RefCamera* camera = paneCamera(pane);
    if ((kind == kGfxPaneCamera || kind == kGfxPaneView) && camera != nullptr) camera->setOrientation(matrix);
}

bool RefGenGfxService::cameraCentre(int32_t pane, TesVector* centre) {
    RefPane* target = views_->refPane(pane);
    if (target == nullptr || centre == nullptr) return false;
    *centre = target->centre();
    return true;
}

void RefGenGfxService::setCameraCentre(int32_t pane, const TesVector& centre) {
    if (RefPane* target = views_->refPane(pane)) target->lookAtCentre(centre);
}

void RefGenGfxService::commitTransform(ITesObject* object) {
    if (object != nullptr) commits_.emplace_back(object->name());
}

bool RefRenderer::renderIntoBuffer(IView* view, ITesUnknown* buffer) {
    auto* target = tesQuery<RefVisBuffer>(buffer, "RefVisBuffer");
    if (target == nullptr || view == nullptr) return false;
    auto* offscreen = tesQuery<RefOffscreenView>(view, "RefOffscreenView");
    RefCamera& camera = offscreen != nullptr ? offscreen->scene().refCamera() : views_->current().refCamera();
    int32_t width = 0, height = 0;
    view->viewport(nullptr, nullptr, &width, &height);
    if (width <= 0 || height <= 0) return false;
    target->render(*document_, *graphics_, refRenderCamera(camera, width, height));
    return true;
}
