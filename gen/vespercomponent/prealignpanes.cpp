#include "genprealigncmd.h"
#include "prealignhost.h"
#include "prealignparts.h"
#include "tesassert.h"
#include "translatedtext.h"
#include "viewservices.h"

namespace {

constexpr const char* kTesSourceName = kPreAlignSourceName;

constexpr float kFloatingColor[] = {0.0f, 0.6f, 0.0f, 1.0f};
constexpr const char16_t* kFloatName = u"FloatObject";
constexpr double kFloatMax = 3.4028234663852886e38;

struct Box {
    TesVector min{kFloatMax, kFloatMax, kFloatMax};
    TesVector max{-kFloatMax, -kFloatMax, -kFloatMax};
    TesVector centre() const { return (min + max) * 0.5; }
};

// The object's shown points, in its model coordinates.
Box boxOf(ITesObject* object) {
    Box box;
    object->boundingBox(1, &box.min, &box.max);
    return box;
}

// The middle of the object's box where the object stands in the world.
TesVector objectCentre(ITesObject* object) {
    TES_ASSERT(object != nullptr, "obj1");
    if (object == nullptr) return TesVector::zero();
    return graphicsService()->objectTransform(object).transformPoint(boxOf(object).centre());
}

IGfxPane* paneOf(int32_t index) {
    IGfxViewMgr* views = viewManager();
    return views != nullptr ? views->pane(index) : nullptr;
}

void showIn(int32_t index, ITesObject* object) {
    IGfxPane* pane = paneOf(index);
    if (ITesObjectVisibilityMgr* visibility = objectVisibility(); visibility != nullptr && pane != nullptr) {
        visibility->show(pane, object);
    }
}

void hideIn(int32_t index, ITesObject* object) {
    IGfxPane* pane = paneOf(index);
    if (ITesObjectVisibilityMgr* visibility = objectVisibility(); visibility != nullptr && pane != nullptr) {
        visibility->hide(pane, object);
    }
}

// What every pane takes over from the main view.
struct MainView {
    TesMatrix camera;
    TesString title;
    int32_t sceneSetting = 0;
    int32_t viewSetting = 0;
};

MainView readMainView(IGfxPane* main) {
    MainView view;
    if (IGfxCamera* camera = main->camera()) view.camera = camera->orientation();
    view.title = textOf(main->title());
    view.sceneSetting = main->sceneSetting();
    view.viewSetting = main->viewSetting();
    return view;
}

// Gives the pane the main view's scene, camera and title, and empties it.
void prepare(int32_t index, const MainView& main, const TesString& title) {
    IGfxPane* pane = paneOf(index);
    if (pane == nullptr) return;
    pane->setSceneSetting(main.sceneSetting, 0, 0);
    if (IGfxCamera* camera = pane->camera()) camera->setOrientation(main.camera);
    pane->setTitle(title.c_str());
    if (index == kBothPane) pane->setViewSetting(main.viewSetting);
    if (ITesObjectVisibilityMgr* visibility = objectVisibility()) visibility->reset(pane, 1);
}

}  // namespace

// Splits the graphics area: the fixed object alone in pane 0, the floating
// one alone in pane 2 and both in pane 1; floating setup adds the floating
// object and centres panes 2 and 1.
void GenPreAlignCmd::setUpPanes(ITesDoc* document) {
    layout_.reset();
    layout_ = SPtr<IViewLayout>("IViewLayout");
    if (!layout_) return;
    layout_->activate(1);
    IGfxViewMgr* views = viewManager();
    IGfxPane* mainPane = views != nullptr ? views->mainView() : nullptr;
    if (mainPane == nullptr) return;
    const MainView main = readMainView(mainPane);
    views->setLayout(kGfxLayoutPanes);
    prepare(kFixedPane, main, trText("Fixed"));
    showIn(kFixedPane, fixed_.get());
    graphicsService()->updatePane(kFixedPane, 1, 0);
    centrePane(kFixedPane, objectCentre(fixed_.get()));
    prepare(kFloatingPane, main, trText("Floating"));
    prepare(kBothPane, main, main.title);
    showIn(kBothPane, fixed_.get());
    document->update(1, 1);
}

void GenPreAlignCmd::centrePane(int32_t pane, const TesVector& centre) {
    graphicsService()->setCameraCentre(pane, centre);
}

// Moves the floating object's box centre onto the fixed object's (W = O · T)
// and shows it in panes 2 and 1.
void GenPreAlignCmd::setUpFloating() {
    TES_ASSERT(floating_, "floatObj_");
    if (!floating_) return;
    if (!preAlignInspectionProfile()) {
        if (IPtr<ITesDoc> document = preAlignDocument()) document->registerNamedObject(kFloatName, floating_.get());
    }
    solution_.reset();
    floatingMarkers_ = new Markers(floating_.get());
    floatingMarkers_->setMarkerColor(kFloatingColor);
    floatingDisplay_ = new VisData(floating_.get());
    const TesVector offset = boxOf(fixed_.get()).centre() - boxOf(floating_.get()).centre();
    IGenGfxService* graphics = graphicsService();
    start_ = graphics->objectTransform(floating_.get());
    working_ = start_ * TesMatrix::translationMatrix(offset);
    graphics->setObjectTransform(floating_.get(), *working_);
    floating_->setDisplayFlag(1);
    showIn(kFloatingPane, floating_.get());
    graphics->updatePane(kFloatingPane, 1, 0);
    centrePane(kFloatingPane, objectCentre(floating_.get()));
    showIn(kBothPane, floating_.get());
    graphics->updatePane(kBothPane, 1, 0);
    centreBothPane();
}

void GenPreAlignCmd::centreBothPane() {
    centrePane(kBothPane, (objectCentre(fixed_.get()) + objectCentre(floating_.get())) * 0.5);
}

// Gives the floating object back as it was. Its starting pose O is restored
// only while W exists: after accept W is gone, and O would undo the accept.
void GenPreAlignCmd::tearDownFloating() {
    ITesObject* floating = floating_.get();
    hideIn(kFloatingPane, floating);
    hideIn(kBothPane, floating);
    floating->setSecondDisplayFlag(0);
    if (floatingDisplay_) floatingDisplay_->restore();
    floatingDisplay_.reset();
    if (working_) graphicsService()->setObjectTransform(floating, start_);
    floatingMarkers_.reset();
    if (!preAlignInspectionProfile()) {
        if (IPtr<ITesDoc> document = preAlignDocument()) document->removeNamedObject(kFloatName);
    }
}
