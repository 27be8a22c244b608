#include <algorithm>
#include <limits>
#include <vector>

#include "genprealigncmd.h"
#include "hostapi/computation.h"
#include "prealignhost.h"
#include "prealignparts.h"
#include "tesassert.h"
#include "viewservices.h"

namespace {

constexpr const char* kTesSourceName = kPreAlignSourceName;

constexpr int32_t kMinPairs = 3;
constexpr int32_t kKeyUndo = 294;
constexpr int32_t kKeyRedo = 295;

void put(std::vector<double>& values, size_t at, const TesVector& point) {
    values[at] = point.x;
    values[at + 1] = point.y;
    values[at + 2] = point.z;
}

void fullRefresh() {
    if (IGfxRenderer* render = renderer()) render->redraw(kFullRefresh);
}

}  // namespace

// A pick in pane 0 marks the fixed object, one in pane 2 the floating one.
void GenPreAlignCmd::onMouseEvent(IGfxMouseEvent* event) {
    IGfxViewMgr* views = viewManager();
    IGfxPane* active = views != nullptr ? views->activePane() : nullptr;
    if (active == nullptr) return;
    const bool onFixed = active == views->pane(kFixedPane);
    if (!onFixed && active != views->pane(kFloatingPane)) return;
    Markers* markers = (onFixed ? fixedMarkers_ : floatingMarkers_).get();
    ITesObject* object = (onFixed ? fixed_ : floating_).get();
    if (markers == nullptr || object == nullptr || markers->count() >= Markers::kMaxMarkers) return;
    SPtr<ITesPickOnModel> picker("ITesPickOnModel");
    if (!picker) return;
    picker->setEvent(event);
    TesVector point;
    if (!picker->pick(object, &point)) return;
    markers->add(point);
    if (!resolve()) fullRefresh();
    updateGui();
    redo_.clear();
    undo_.emplace_back(new History(this));
}

// The rigid motion R carrying the floating markers (at W) onto the fixed ones
// (at the fixed object's pose), pairing them by index.
bool GenPreAlignCmd::solve(TesMatrix& result) {
    if (!fixedMarkers_ || !floatingMarkers_ || !working_) return false;
    const int32_t pairs = std::min(fixedMarkers_->count(), floatingMarkers_->count());
    if (pairs < kMinPairs) return false;
    const TesMatrix fixedPose = graphicsService()->objectTransform(fixed_.get());
    SPtr<IAligner> aligner("IAligner");
    if (!aligner) return false;
    SPtr<IAligner_Input_Dummy> input("IAligner_Input_Dummy");
    if (!input) return false;
    input->setParameter(std::numeric_limits<double>::max());
    aligner->setInput(input.get());
    const auto entries = static_cast<size_t>(pairs) + 1;
    std::vector<double> fixedPoints(3 * entries, 0.0);
    std::vector<double> floatingPoints(6 * entries, 0.0);  // position, then a zero normal
    for (int32_t i = 0; i < pairs; ++i) {
        put(fixedPoints, 3 * static_cast<size_t>(i), fixedPose.transformPoint(fixedMarkers_->point(i)));
        put(floatingPoints, 6 * static_cast<size_t>(i), working_->transformPoint(floatingMarkers_->point(i)));
    }
    result = TesMatrix();
    return aligner->align(pairs, fixedPoints.data(), floatingPoints.data(), &result);
}

// Previews the solve on the floating object, or puts it back at W.
bool GenPreAlignCmd::resolve() {
    TesMatrix solution;
    if (!solve(solution)) {
        if (working_) graphicsService()->setObjectTransform(floating_.get(), *working_);
        solution_.reset();
        return false;
    }
    followSolution(solution);
    solution_ = solution;
    return true;
}

// Moves the floating object to R · W while pane 2's camera moves with it, so
// the object stands still in that pane; pane 1 is centred on both again.
void GenPreAlignCmd::followSolution(const TesMatrix& solution) {
    IGenGfxService* graphics = graphicsService();
    ITesObject* floating = floating_.get();
    TesMatrix modelView, paneView, paneCamera;
    TesVector centre;
    graphics->objectMatrix(kGfxModelView, floating, kFloatingPane, &modelView);
    graphics->matrix(kGfxPaneView, 0, 0, kFloatingPane, &paneView);
    graphics->matrix(kGfxPaneCamera, 0, 0, kFloatingPane, &paneCamera);
    graphics->cameraCentre(kFloatingPane, &centre);
    graphics->setObjectTransform(floating, solution * *working_);
    TesMatrix movedModelView;
    graphics->objectMatrix(kGfxModelView, floating, kFloatingPane, &movedModelView);
    graphics->setMatrix(kGfxPaneCamera, kFloatingPane, modelView * movedModelView.inverse() * paneCamera);
    TesMatrix movedPaneView;
    graphics->matrix(kGfxPaneView, 0, 0, kFloatingPane, &movedPaneView);
    centrePane(kFloatingPane, (movedPaneView.inverse() * paneView).transformPoint(centre));
    centreBothPane();
    redraw();
}

void GenPreAlignCmd::onKeyEvent(ITesKeyEvent* event) {
    if (event == nullptr) return;
    const int32_t code = event->keyCode();
    if (code == kKeyUndo) {
        undo();
    } else if (code == kKeyRedo) {
        redo();
    }
}

// The bottom snapshot, taken at start, is never undone.
void GenPreAlignCmd::undo() {
    if (undo_.size() <= 1) return;
    redo_.push_back(undo_.back());
    undo_.pop_back();
    undo_.back()->apply();
    resolve();
    updateGui();
    redraw();
}

void GenPreAlignCmd::redo() {
    if (redo_.empty()) return;
    redo_.back()->apply();
    undo_.push_back(redo_.back());
    redo_.pop_back();
    resolve();
    updateGui();
    redraw();
}

// The selector chose another floating object: the old one is given back and
// the markers start again on both objects.
void GenPreAlignCmd::onWidgetActivated(int32_t id, bool active) {
    if (id != kFloatSelector || active) return;
    TES_ASSERT(floatSelector_, "floatSelector_");
    if (!floatSelector_) return;
    ITesObject* chosen = floatSelector_->firstSelected();
    if (chosen == nullptr || chosen == floating_.get()) return;
    undo_.clear();
    redo_.clear();
    if (floating_) tearDownFloating();
    if (fixedMarkers_) fixedMarkers_->clear();
    floating_ = chosen;
    undo_.emplace_back(new History(this));
    setUpFloating();
    setUpDisplay();
    updateGui();
    redraw();
}
