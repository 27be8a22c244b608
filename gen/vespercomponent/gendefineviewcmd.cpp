#include "gendefineviewcmd.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "hostapi/document.h"
#include "hostapi/settings.h"
#include "queryinterface.h"
#include "translatedtext.h"
#include "viewservices.h"
#include "viewalignment.h"

namespace {

constexpr const char* kClassName = "GenDefineViewCmd";
constexpr const char* kDisplayName = "Define View";

// Control ids.
constexpr int32_t kUpDirRadio = 0;
constexpr int32_t kUpSelector = 1;
constexpr int32_t kFrontPlaneRadio = 3;
constexpr int32_t kFrontSelector = 4;
constexpr int32_t kViewCombo = 5;
constexpr int32_t kNewView = 6;
constexpr int32_t kSaveView = 7;
constexpr int32_t kZoomToFit = 8;
constexpr int32_t kFlipUp = 9;
constexpr int32_t kFlipFront = 10;
constexpr int32_t kRotationCombo = 11;
constexpr int32_t kRotationAngle = 12;
constexpr int32_t kReapply = 13;
constexpr int32_t kNoId = -1;

// Key codes.
constexpr int32_t kKeyF = 262;
constexpr int32_t kKeySpace = 296;
constexpr int32_t kKeyR = 274;

// Callback kinds of the view manager this command listens to, and the mouse
// data type of a camera drag.
constexpr int32_t kCallbackKinds[] = {5, 8};
constexpr int32_t kCameraDrag = 2;

// Flags of a saved view: the layout view's 2 with the user-defined bit 4.
constexpr uint32_t kUserViewBit = 1u << 4;
constexpr uint32_t kSavedViewFlags = 18;

constexpr int32_t kSelectorOptions[] = {kSelectPlanes, kSelectLines, kSelectSpheres, kSelectCadFaces,
                                        kSelectFromPreselection};
constexpr const char* kIcons[] = {"delete",   "newview1",          "saveview",          "resetview",
                                  "cd_flip",  "createViewVertDir", "createViewFrontDir"};
constexpr int32_t kNewViewIcon = 1;
constexpr int32_t kSaveViewIcon = 2;
constexpr int32_t kZoomIcon = 3;
constexpr int32_t kFlipIcon = 4;
constexpr int32_t kVerticalIcon = 5;
constexpr int32_t kFrontIcon = 6;

constexpr const char16_t* kViewPrefix = u"View";
constexpr const char16_t* kCadFace = u"CAD Face";
constexpr const char* kSmoothInternal = "View/Smooth Camera Transition Internal";
constexpr const char* kSmooth = "View/Smooth Camera Transition";
constexpr const char* kSmoothDuration = "View/Smooth Camera Transition Duration";
constexpr const char* kPrompt =
    "Select objects to align the view to | Space: Toggle Up/Front constraint | F: Flip current constraint | "
    "R: Reapply current constraints";

IViewTheme* viewTheme() { return tesProcessService<IViewTheme>("IViewTheme"); }

IDataStore* dataStore() { return tesProcessService<IDataStore>("IDataStore"); }

IGuiStatusBar* statusBar() { return tesProcessService<IGuiStatusBar>("IGuiStatusBar"); }

ICallbackObject* callbackRegistry() { return tesQuery<ICallbackObject>(viewManager(), "ICallbackObject"); }

int32_t userViewCount() {
    IViewTheme* theme = viewTheme();
    return theme != nullptr ? theme->count() : 0;
}

// The number after "View" of a user view's name, if it reads as one.
std::optional<int64_t> viewNumber(const TesString& name) {
    if (!name.startsWith(kViewPrefix)) return std::nullopt;
    bool ok = false;
    const int32_t number = name.mid(4).toInt(&ok);
    return ok ? std::optional<int64_t>(number) : std::nullopt;
}

// The mesh of the document's surface model, as viewCadFaceNormal reads it.
std::optional<ViewFaceMesh> surfaceMesh(ITesUnknown* document) {
    auto* doc = tesQuery<ITesDoc>(document, "ITesDoc");
    if (doc == nullptr) return std::nullopt;
    IPtr<ITesObjectIter> objects(doc->objectIterator(kDocAllObjects, -1));
    if (!objects) return std::nullopt;
    for (objects->reset(); !objects->atEnd(); objects->next()) {
        ITesObject* object = objects->current();
        if (object == nullptr || std::string_view(object->type()) != "SurfModel") continue;
        auto* mesh = tesQuery<ITesMesh>(object, "ITesMesh");
        auto* extension = tesQuery<ITesMeshExt>(object, "ITesMeshExt");
        if (mesh == nullptr || extension == nullptr || extension->triangleFaces() == nullptr) return std::nullopt;
        const auto vertices = static_cast<size_t>(std::max(mesh->vertexCount(), 0)) * 3;
        const auto triangles = static_cast<size_t>(std::max(mesh->triangleCount(), 0));
        return ViewFaceMesh{{mesh->vertices(), vertices},
                            {mesh->triangles(), triangles * 3},
                            {extension->triangleFaces(), triangles}};
    }
    return std::nullopt;
}

}  // namespace

// Registered with the view manager while the command runs; a camera drag
// makes the view modified. Detached when the command ends, since the view
// manager may hold it longer.
class GenDefineViewCmd::MouseCallback : public IGfxCallback {
public:
    explicit MouseCallback(GenDefineViewCmd* command) : command_(command) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"GenDefineViewCmdCallback", this, this, {{"IGfxCallback", this}}});
    }
    const char* className() const override { return "GenDefineViewCmdCallback"; }
    void onCallback(int32_t, ITesUnknown* event) override {
        auto* data = tesQuery<IGfxMouseData>(event, "IGfxMouseData");
        if (command_ != nullptr && data != nullptr && data->type() == kCameraDrag) command_->markModified();
    }
    void detach() { command_ = nullptr; }

private:
    GenDefineViewCmd* command_;
};

GenDefineViewCmd::GenDefineViewCmd() { name_ = TesString(kDisplayName); }

GenDefineViewCmd::~GenDefineViewCmd() {
    if (callback_) callback_->detach();
}

void GenDefineViewCmd::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out,
                       {kClassName,
                        this,
                        static_cast<IComponentCommand*>(this),
                        {{"ITesPreselectActivator", static_cast<ITesPreselectActivator*>(this)},
                         {"ITesPreselectMgrAccess", static_cast<ITesPreselectMgrAccess*>(this)}}})) {
        return;
    }
    CompBaseCmdInt::queryInterface(name, out);
}

const char* GenDefineViewCmd::className() const { return kClassName; }

bool GenDefineViewCmd::isAvailable(ICommandState* state) { return commandMayStart(state); }

void GenDefineViewCmd::buildDialog(IGuiPanel* panel) {
    upSelector_ = SPtr<ITesFeatureSelectorWidget>("ITesFeatureSelectorWidget");
    frontSelector_ = SPtr<ITesFeatureSelectorWidget>("ITesFeatureSelectorWidget");
    for (ITesFeatureSelectorWidget* selector : {upSelector_.get(), frontSelector_.get()}) {
        if (selector == nullptr) continue;
        for (int32_t option : kSelectorOptions) selector->setOption(option, true);
    }
    for (int32_t index = 0; index < static_cast<int32_t>(std::size(kIcons)); ++index) {
        panel->registerIcon(index, kIcons[index]);
    }
    panel->beginGroup("", kNoId, 0, trText("View Control").c_str(), 0);
    panel->addCombo("ViewCombo", kViewCombo, trText("View Name").c_str(), true);
    panel->addToolButton("NewView", kNewView, trText("New/Duplicate").c_str(), kNewViewIcon);
    panel->addToolButton("SaveView", kSaveView, trText("Save").c_str(), kSaveViewIcon);
    panel->addToolButton("ZoomToFit", kZoomToFit, trText("Zoom To Fit").c_str(), kZoomIcon);
    panel->endGroup();
    panel->beginGroup("", kNoId, 0, trText("View Orientation").c_str(), 0);
    panel->addRadio("FrontPlaneRadio", kFrontPlaneRadio, trText("Select View Plane").c_str(), true);
    panel->setIcon(kFrontPlaneRadio, kFrontIcon);
    panel->addWidget(frontSelector_.get(), kFrontSelector, u"");
    panel->addToolButton("FlipFrontButton", kFlipFront, trText("Flip").c_str(), kFlipIcon);
    panel->addRadio("UpDirRadio", kUpDirRadio, trText("Select Vertical Direction").c_str(), false);
    panel->setIcon(kUpDirRadio, kVerticalIcon);
    panel->addWidget(upSelector_.get(), kUpSelector, u"");
    panel->addToolButton("FlipUpButton", kFlipUp, trText("Flip").c_str(), kFlipIcon);
    panel->addCombo("RotationCombo", kRotationCombo, trText("Rotate About:").c_str(), false);
    panel->addItem(kRotationCombo, trText("Front Plane").c_str());
    panel->addItem(kRotationCombo, trText("Vertical Axis").c_str());
    panel->setSelection(kRotationCombo, kRotateAboutViewingAxis);
    panel->addNumeric("RotationAngle", kRotationAngle, u"", -180.0, 180.0, 5.0, 4);
    panel->addPushButton("ReapplyButton", kReapply, trText("Reapply Constraints").c_str());
    panel->endGroup();
    panel->showStandardButton(kGuiContinueButton, true);
    panel->setStandardButtonText(kGuiContinueButton, trText("Next").c_str());
    panel->setReceiver(this);
}

bool GenDefineViewCmd::start() {
    dialog_->setChecked(kFrontPlaneRadio, true);
    preselect_ = SPtr<ITesPreselectMgr>("ITesPreselectMgr");
    for (ITesFeatureSelectorWidget* selector : {upSelector_.get(), frontSelector_.get()}) {
        if (selector == nullptr) continue;
        if (auto* access = tesQuery<ITesPreselectMgrAccess>(selector, "ITesPreselectMgrAccess")) {
            access->setPreselectMgr(preselect_.get());
        }
        selector->setDocument(document());
    }
    if (upSelector_) upSelector_->becomeCurrent(false);
    if (preselect_) preselect_->setActivator(this);

    SPtr<IViewLayout> layout("IViewLayout");
    IView* layoutView = layout ? layout->currentView(0) : nullptr;
    tempView_ = SPtr<IView>("IView");
    if (tempView_) {
        if (layoutView != nullptr) tempView_->copyFrom(layoutView, true);
        tempView_->setFlags((layoutView != nullptr ? layoutView->flags() : 0) | kUserViewBit);
        tempView_->beginActivation();
        tempView_->setName(u"Temp");
        tempView_->completeActivation();
    }
    ISGfxScene* scene = currentScene();
    if (scene != nullptr && tempView_) scene->attachView(tempView_.get());
    auto* graphicsView = scene != nullptr ? tesQuery<ISGfxView>(scene->graphicsView(), "ISGfxView") : nullptr;
    if (IGfxViewMgr* views = viewManager()) views->setGraphicsView(graphicsView, 0);
    startNewView();

    if (ICallbackObject* callbacks = callbackRegistry()) {
        callback_ = new MouseCallback(this);
        for (int32_t kind : kCallbackKinds) callbacks->addCallback(kind, callback_.get());
    }
    modified_ = false;
    upFlip_ = false;
    frontFlip_ = false;
    dialog_->setValue(kRotationAngle, 0.0);
    if (IGuiStatusBar* bar = statusBar()) bar->setPrompt(static_cast<IComponentCommand*>(this), trText(kPrompt).c_str());
    return true;
}

void GenDefineViewCmd::end() {
    const int32_t radio = dialog_->checkedRadio(kUpDirRadio);
    ITesFeatureSelectorWidget* current =
        radio == kUpDirRadio ? upSelector_.get() : radio == kFrontPlaneRadio ? frontSelector_.get() : nullptr;
    if (current != nullptr) current->stopCurrent();
    for (ITesFeatureSelectorWidget* selector : {upSelector_.get(), frontSelector_.get()}) {
        if (auto* widget = tesQuery<ITesWidget>(selector, "ITesWidget")) widget->remove();
    }
    if (callback_) {
        if (ICallbackObject* callbacks = callbackRegistry()) {
            for (int32_t kind : kCallbackKinds) callbacks->removeCallback(kind, callback_.get());
        }
        callback_->detach();
        callback_.reset();
    }
    tempView_.reset();
    if (IGuiStatusBar* bar = statusBar()) bar->clearPrompt(static_cast<IComponentCommand*>(this));
}

bool GenDefineViewCmd::onOk() {
    saveCurrentView();
    return true;
}

void GenDefineViewCmd::onApply() {
    saveCurrentView();
    startNewView();
}

// The view the panel shows: a user-defined view, or the temporary one.
IView* GenDefineViewCmd::currentView() {
    IViewTheme* theme = viewTheme();
    if (theme != nullptr && currentViewIndex_ + 1 <= theme->count()) return theme->view(currentViewIndex_ + 1);
    return tempView_.get();
}

void GenDefineViewCmd::startNewView() {
    std::vector<TesString> names;
    IViewTheme* theme = viewTheme();
    for (int32_t number = 1; number <= userViewCount(); ++number) {
        IView* view = theme->view(number);
        names.emplace_back(view != nullptr ? view->name() : u"");
    }
    // 64 bits: "View 2147483647" would overflow the next number; the name then
    // keeps the largest 32-bit number.
    int64_t next = 1;
    for (const TesString& name : names) {
        if (const std::optional<int64_t> number = viewNumber(name)) next = std::max(next, *number + 1);
    }
    TesString name(u"%1 %2");
    name.arg({kViewPrefix, TesString::number(static_cast<int32_t>(std::min<int64_t>(next, INT32_MAX)))});
    if (tempView_) tempView_->setName(name.c_str());
    dialog_->clearItems(kViewCombo);
    for (const TesString& each : names) dialog_->addItem(kViewCombo, each.c_str());
    dialog_->addItem(kViewCombo, name.c_str());
    dialog_->setSelection(kViewCombo, static_cast<int32_t>(names.size()));
    currentViewIndex_ = static_cast<int32_t>(names.size());
    upFlip_ = false;
    clearSelectors();
}

void GenDefineViewCmd::saveCurrentView() {
    IView* current = currentView();
    if (current != nullptr && current == tempView_.get()) {
        SPtr<IView> view("IView");
        IViewTheme* theme = viewTheme();
        if (view && theme != nullptr) {
            view->setFlags(kSavedViewFlags);
            view->setName(tempView_->name());
            view->takeCamera(nullptr);
            theme->append(view.get(), 1, 0);
        }
    } else if (current != nullptr) {
        current->takeCamera(nullptr);
    }
    modified_ = false;
}

int32_t GenDefineViewCmd::askToSave(const char16_t* name) {
    SPtr<IGuiSimpleDlg> dialogs("IGuiSimpleDlg");
    if (!dialogs) return kAnswerCancel;
    TesString question = trText("Do you want to save %1?");
    question.arg({name != nullptr ? name : u""});
    return dialogs->show(kDialogYesNo, question.c_str(), getName().c_str(), false, false, false);
}

void GenDefineViewCmd::makeCurrent(ITesFeatureSelectorWidget* current, ITesFeatureSelectorWidget* other) {
    if (other != nullptr) other->stopCurrent();
    if (current != nullptr) current->becomeCurrent(false);
    if (preselect_) preselect_->setActivator(this);
}

ITesFeatureSelectorWidget* GenDefineViewCmd::currentSelector() {
    return dialog_->checkedRadio(kUpDirRadio) == kFrontPlaneRadio ? frontSelector_.get() : upSelector_.get();
}

void GenDefineViewCmd::clearSelectors() {
    if (upSelector_) upSelector_->clearSelection();
    if (frontSelector_) frontSelector_->clearSelection();
}

void GenDefineViewCmd::onControlClicked(int32_t id, bool) {
    switch (id) {
    case kUpDirRadio: makeCurrent(upSelector_.get(), frontSelector_.get()); break;
    case kFrontPlaneRadio: makeCurrent(frontSelector_.get(), upSelector_.get()); break;
    case kNewView: {
        const int32_t answer = modified_ ? askToSave(currentView() != nullptr ? currentView()->name() : u"") : 2;
        if (answer == kAnswerCancel) break;
        if (answer == kAnswerYes) saveCurrentView();
        startNewView();
        break;
    }
    case kSaveView: saveCurrentView(); break;
    case kZoomToFit:
        if (SPtr<ICommandAccess> commands("ICommandAccess"); commands) commands->runCommand(u"Fit Model to View", 0);
        modified_ = true;
        break;
    case kFlipUp:
    case kFlipFront: {
        ITesFeatureSelectorWidget* selector = id == kFlipUp ? upSelector_.get() : frontSelector_.get();
        if (selector == nullptr || selector->selection() == nullptr) break;
        bool& flip = id == kFlipUp ? upFlip_ : frontFlip_;
        flip = !flip;
        updateView();
        break;
    }
    case kReapply: updateView(); break;
    default: break;
    }
}

void GenDefineViewCmd::onTextEdited(int32_t id, const char16_t* text) {
    IView* current = currentView();
    if (id != kViewCombo || current == nullptr || text == nullptr) return;
    if (TesString(text) == TesString(current->name())) return;
    current->setName(text);
    dialog_->setItemText(kViewCombo, dialog_->getSelection(kViewCombo), text);
}

void GenDefineViewCmd::onEditFinished(int32_t id) {
    if (id == kRotationAngle) updateView();
}

void GenDefineViewCmd::onSelectionChanged(int32_t id, int32_t index) {
    if (id == kViewCombo) {
        chooseView(index);
    } else if (id == kRotationCombo) {
        dialog_->setValue(kRotationAngle, 0.0);
        updateView();
    }
}

// Shows the view chosen in "ViewCombo", smoothly whatever the user's setting.
void GenDefineViewCmd::chooseView(int32_t index) {
    const TesString name(currentView() != nullptr ? currentView()->name() : u"");
    if (modified_ && askToSave(name.c_str()) == kAnswerYes) saveCurrentView();
    IDataStore* settings = dataStore();
    const bool smooth = settings != nullptr && settings->getBool(kSmoothInternal, false);
    if (settings != nullptr) settings->setBool(nullptr, kSmoothInternal, true);
    currentViewIndex_ = index;
    modified_ = false;
    if (ISGfxScene* scene = currentScene()) {
        if (index + 1 <= userViewCount()) {
            scene->showStoredView(index + 1, true, 0);
        } else if (tempView_) {
            scene->attachView(tempView_.get());
        }
    }
    if (settings != nullptr) settings->setBool(nullptr, kSmoothInternal, smooth);
    redraw();
    upFlip_ = false;
    frontFlip_ = false;
    clearSelectors();
}

void GenDefineViewCmd::onWidgetActivated(int32_t id, bool active) {
    if (active || (id != kUpSelector && id != kFrontSelector)) return;
    (id == kUpSelector ? upFlip_ : frontFlip_) = false;
    updateView();
}

void GenDefineViewCmd::onMouseEvent(IGfxMouseEvent* event) {
    ITesFeatureSelectorWidget* selector = currentSelector();
    if (selector == nullptr || !selector->onMouseEvent(event)) return;
    (selector == frontSelector_.get() ? frontFlip_ : upFlip_) = false;
    updateView();
}

void GenDefineViewCmd::onKeyEvent(ITesKeyEvent* event) {
    if (event == nullptr) return;
    const int32_t radio = dialog_->checkedRadio(kUpDirRadio);
    switch (event->keyCode()) {
    case kKeyF:
        if (radio == kFrontPlaneRadio && frontSelector_ && frontSelector_->selection() != nullptr) frontFlip_ = !frontFlip_;
        if (radio == kUpDirRadio && upSelector_ && upSelector_->selection() != nullptr) upFlip_ = !upFlip_;
        updateView();
        break;
    case kKeySpace: {
        const int32_t other = radio == kUpDirRadio ? kFrontPlaneRadio : kUpDirRadio;
        dialog_->setChecked(other, true);
        onControlClicked(other, true);
        break;
    }
    case kKeyR: updateView(); break;
    default:
        if (preselect_) preselect_->onKeyEvent(event);
        break;
    }
}

void GenDefineViewCmd::onPreselectNotification(int32_t first, int32_t second, int32_t third) {
    if (preselect_) preselect_->onNotification(first, second, third);
}

bool GenDefineViewCmd::activate(int32_t kind, int32_t first, int32_t second, int32_t third, bool* accept) {
    if (kind == kPreselectAlways3 || kind == kPreselectAlways4) {
        if (accept != nullptr) *accept = true;
        return true;
    }
    const int32_t radio = dialog_ != nullptr ? dialog_->checkedRadio(kUpDirRadio) : -1;
    if (radio != kUpDirRadio && radio != kFrontPlaneRadio) return false;
    ITesFeatureSelectorWidget* selector = radio == kUpDirRadio ? upSelector_.get() : frontSelector_.get();
    auto* activator = tesQuery<ITesPreselectActivator>(selector, "ITesPreselectActivator");
    return activator != nullptr && activator->activate(kind, first, second, third, accept);
}

// The direction of a selector's feature: plane, line and sphere in that order;
// a sphere named as a CAD face stands for the face's mesh normal.
std::optional<TesVector> GenDefineViewCmd::directionOf(ITesFeatureSelectorWidget* selector) {
    ITesUnknown* selected = selector != nullptr ? selector->selection() : nullptr;
    if (selected == nullptr) return std::nullopt;
    ViewFeature feature;
    if (auto* plane = tesQuery<ITesPlane>(selected, "ITesPlane")) {
        feature = ViewPlane{plane->normal()};
    } else if (auto* line = tesQuery<ITesLine>(selected, "ITesLine")) {
        feature = ViewLine{line->start(), line->end()};
    } else if (auto* sphere = tesQuery<ITesSphere>(selected, "ITesSphere")) {
        if (TesString(selector->displayName()).contains(kCadFace)) {
            const std::optional<ViewFaceMesh> mesh = surfaceMesh(document());
            feature = ViewCadFace{mesh ? &*mesh : nullptr, selector->faceIndex()};
            return viewFeatureDirection(feature);
        }
        feature = ViewSphere{sphere->vector()};
    }
    return viewFeatureDirection(feature);
}

void GenDefineViewCmd::updateView() {
    applyFrame();
    modified_ = true;
}

// Turns the camera of the current scene view to the frame of the
// constraints, smoothly when the user asked for camera transitions.
void GenDefineViewCmd::applyFrame() {
    ViewConstraints constraints;
    constraints.front = directionOf(frontSelector_.get());
    constraints.up = directionOf(upSelector_.get());
    constraints.frontFlip = frontFlip_;
    constraints.upFlip = upFlip_;
    constraints.rotationAxis = dialog_->getSelection(kRotationCombo);
    constraints.rotationAngle = dialog_->getValue(kRotationAngle);
    ViewFrame frame;
    if (!computeViewFrame(constraints, frame)) return;
    ITesUnknown* sceneView = currentSceneView();
    ISGfxScene* scene = currentScene();
    IGfxCamera* camera = scene != nullptr ? scene->camera() : nullptr;
    if (camera == nullptr) return;
    const TesMatrix target = viewOrientationMatrix(frame);
    const double oldZoom = camera->zoom();
    const TesMatrix oldMatrix = camera->orientation();
    IGfxRenderer* render = renderer();
    if (render != nullptr) render->beginUpdate();
    camera->setOrientation(target);
    const GfxCameraState targetState = camera->state();
    if (render != nullptr) render->endUpdate();
    IDataStore* settings = dataStore();
    SPtr<ITesAnimateCameraUtil> animator("ITesAnimateCameraUtil");
    if (settings != nullptr && settings->getBool(kSmooth, false) && animator) {
        camera->setOrientation(oldMatrix);
        camera->setZoom(oldZoom);
        const double duration = settings->getDouble(kSmoothDuration, 0.0);
        animator->animate(0, sceneView, target, targetState, 1.0, duration);
        camera->commitState();
    }
    if (tempView_) tempView_->takeCamera(sceneView);
    redraw();
}
