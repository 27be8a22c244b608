#include "graphics/refgraphics.h"

#include "queryinterface.h"

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
    const TesVector back = (-look).normalized();
    const TesVector right = cross(up, back).normalized();
    const TesVector trueUp = cross(back, right);
    TesMatrix rotation = TesMatrix::fromRows(right, trueUp, back);
    const TesVector moved = rotation.transformPoint(eye);
    rotation.setTranslation(-moved);
    orientation_ = rotation;
}

TesVector RefCamera::eye() const { return orientation_.inverse().transformPoint({0, 0, 0}); }

void RefSceneView::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefSceneView", this, this, {{"ISGfxScene", static_cast<ISGfxScene*>(this)}}});
}

const char* RefSceneView::className() const { return "RefSceneView"; }

void RefViewMgr::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefViewMgr", this, this, {{"IGfxViewMgr", static_cast<IGfxViewMgr*>(this)}}});
}

const char* RefViewMgr::className() const { return "RefViewMgr"; }

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

// Only the current view transformation exists in a one-view host.
bool RefGenGfxService::matrix(int32_t kind, int32_t, int32_t, int32_t, TesMatrix* out) {
    if (kind != kGfxViewTransform || out == nullptr) return false;
    *out = views_->current().refCamera().orientation();
    return true;
}

TesMatrix RefGenGfxService::objectTransform(ITesObject* object) {
    auto found = transforms_.find(object);
    return found != transforms_.end() ? found->second : TesMatrix();
}

void RefGenGfxService::setObjectTransform(ITesObject* object, const TesMatrix& transform) {
    if (object != nullptr) transforms_[object] = transform;
}
