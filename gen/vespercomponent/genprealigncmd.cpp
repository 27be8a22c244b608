#include "genprealigncmd.h"

#include "hostapi/computation.h"
#include "prealignhost.h"
#include "prealignparts.h"
#include "queryinterface.h"
#include "translatedtext.h"
#include "viewservices.h"

namespace {

constexpr const char* kClassName = "GenPreAlignCmd";
constexpr const char* kDisplayName = "N-Point Alignment";

constexpr int32_t kNoId = -1;

constexpr float kFixedColor[] = {0.6f, 0.0f, 0.0f, 1.0f};
constexpr int32_t kPickCursor = 14;
constexpr const char* kBlockingStates[] = {"inCommand", "recordingMacro", "sectionCurrent"};
constexpr const char* kHostStates[] = {"LockOpaque", "DisableUserDefinedView"};
constexpr const char* kUserDefinedViews = "Sensitive/UserDefinedViews";
constexpr const char16_t* kFixedName = u"FixedObject";

IGuiStatusBar* statusBar() { return tesProcessService<IGuiStatusBar>("IGuiStatusBar"); }

IGuiCursor* cursor() { return tesProcessService<IGuiCursor>("IGuiCursor"); }

IStateMgr* stateManager() { return tesProcessService<IStateMgr>("IStateMgr"); }

IUpdateGui* guiHints() { return tesProcessService<IUpdateGui>("IUpdateGui"); }

// The host's lock on what the user may do with the views while the command runs.
void lockHostViews(bool lock) {
    if (IStateMgr* states = stateManager()) {
        for (const char* state : kHostStates) lock ? states->pushState(state) : states->popState(state);
    }
    if (IDataStore* settings = preAlignSettings()) settings->setBool(nullptr, kUserDefinedViews, !lock);
}

// In the general profile: whether any data object of the document can float
// against `fixed`.
bool anyFloatingCandidate(ITesDoc* document, ITesObject* fixed) {
    IPtr<GenPreAlignCmd::FloatObjFilter> filter(new GenPreAlignCmd::FloatObjFilter(fixed));
    IPtr<ITesObjectIter> objects(document->objectIterator(kDocDataObjects, -1));
    if (!objects) return false;
    for (objects->reset(); !objects->atEnd(); objects->next()) {
        if (filter->accepts(objects->current())) return true;
    }
    return false;
}

// In the inspection profile: "RefObject" fixed and "TestObject" floating,
// one of them active.
bool inspectionPairAvailable(ITesDoc* document, ITesObject* active) {
    ITesObject* test = document->objectByName(u"TestObject");
    ITesObject* reference = document->objectByName(u"RefObject");
    if (test == nullptr || reference == nullptr || (active != test && active != reference)) return false;
    if (reference->isExcluded() || isOfType(reference, "World")) return false;
    IPtr<GenPreAlignCmd::FloatObjFilter> filter(new GenPreAlignCmd::FloatObjFilter(reference));
    return filter->accepts(test);
}

}  // namespace

void GenPreAlignCmd::FloatObjFilter::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {className(), this, this, {{"ITesObjFilter", static_cast<ITesObjFilter*>(this)}}});
}

const char* GenPreAlignCmd::FloatObjFilter::className() const { return "GenPreAlignCmd::FloatObjFilter"; }

bool GenPreAlignCmd::FloatObjFilter::accepts(ITesObject* object) {
    return object != nullptr && object != fixed_.get() && !isOfType(object, "World") && !object->isExcluded() &&
           !object->flag("Pinned", 0);
}

GenPreAlignCmd::GenPreAlignCmd() { name_ = TesString(kDisplayName); }

GenPreAlignCmd::~GenPreAlignCmd() = default;

void GenPreAlignCmd::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out, {kClassName, this, static_cast<IComponentCommand*>(this), {}})) return;
    CompBaseCmdInt::queryInterface(name, out);
}

const char* GenPreAlignCmd::className() const { return kClassName; }

bool GenPreAlignCmd::isAvailable(ICommandState* state) {
    if (state == nullptr) return false;
    for (const char* key : kBlockingStates) {
        if (state->boolValue(key)) return false;
    }
    ITesObject* active = state->activeObject();
    IPtr<ITesDoc> document = preAlignDocument();
    if (active == nullptr || !document) return false;
    if (preAlignInspectionProfile()) return inspectionPairAvailable(document.get(), active);
    return !state->boolValue("allObjectsEmpty") && anyFloatingCandidate(document.get(), active);
}

void GenPreAlignCmd::updateGui() { dialog_->enable(kGuiAcceptButton, solution_.has_value(), kGuiEnableScope); }

void GenPreAlignCmd::buildDialog(IGuiPanel* panel) {
    if (!preAlignInspectionProfile()) {
        panel->beginGroup("", kNoId, 0, trText("Objects").c_str(), 0);
        floatSelector_.reset();
        floatSelector_ = SPtr<ITesObjSelector>("ITesObjSelector");
        if (floatSelector_) {
            floatSelector_->initialize(this, kFloatSelector);
            panel->addWidget(floatSelector_.get(), kFloatSelector, trText("Float").c_str());
        }
        panel->endGroup();
    }
    panel->beginGroup("", kNoId, 0, trText("Display").c_str(), 0);
    panel->addCheck("ShowNormals", kShadedPoints, trText("Shaded Points").c_str(), false);
    panel->addCheck("ShowColor", kVertexColor, trText("Vertex Color").c_str(), false);
    panel->endGroup();
    panel->showStandardButton(kGuiContinueButton, false);
}

bool GenPreAlignCmd::start() {
    IPtr<ITesDoc> document = preAlignDocument();
    if (!document || graphicsService() == nullptr) return false;
    if (!takeObjects(document.get()) || !setUpFixed(document.get())) return false;
    if (preAlignInspectionProfile()) {
        document->beginInspectionAlignment(1);
    } else {
        document->beginGeneralAlignment(1);
    }
    setUpPanes(document.get());
    setUpFloating();
    setUpDisplay();
    undo_.clear();
    redo_.clear();
    undo_.emplace_back(new History(this));  // the bottom entry, never undone
    showPrompt();
    lockHostViews(true);
    redraw();
    if (IGuiCursor* shape = cursor()) shape->setCursor(static_cast<IComponentCommand*>(this), kPickCursor, 0);
    dialog_->enable(kGuiAcceptButton, false, kGuiEnableScope);
    return true;
}

// The fixed and the floating object of the profile; false, holding neither,
// when one is missing.
bool GenPreAlignCmd::takeObjects(ITesDoc* document) {
    if (preAlignInspectionProfile()) {
        floating_ = document->objectByName(u"TestObject");
        fixed_ = document->objectByName(u"RefObject");
    } else {
        fixed_ = document->activeObject();
        if (floatSelector_) {
            floatSelector_->setFilter(new FloatObjFilter(fixed_.get()));
            floating_ = floatSelector_->firstSelected();
            if (!floating_) floatSelector_->reset();
        }
    }
    if (fixed_ && floating_) return true;
    fixed_.reset();
    floating_.reset();
    return false;
}

bool GenPreAlignCmd::setUpFixed(ITesDoc* document) {
    fixedMarkers_ = new Markers(fixed_.get());
    fixedMarkers_->setMarkerColor(kFixedColor);
    if (!fixedMarkers_->hasWidget()) {
        fixed_.reset();
        floating_.reset();
        fixedMarkers_.reset();
        return false;
    }
    fixedDisplay_ = new VisData(fixed_.get());
    fixed_->setDisplayFlag(1);
    if (!preAlignInspectionProfile()) document->registerNamedObject(kFixedName, fixed_.get());
    return true;
}

// "%1: Undo | %2: Redo | %3" with the keys the theme binds and the host's hint.
void GenPreAlignCmd::showPrompt() {
    IGuiThemeMgr* theme = themeManager();
    IUpdateGui* hints = guiHints();
    const TesString undoKey = textOf(theme != nullptr ? theme->commandKeyName("Undo") : nullptr);
    const TesString redoKey = textOf(theme != nullptr ? theme->commandKeyName("Redo") : nullptr);
    const TesString hint = textOf(hints != nullptr ? hints->hintText() : nullptr);
    TesString prompt;
    tr(prompt, "%1: Undo | %2: Redo | %3", undoKey, redoKey, hint);
    if (IGuiStatusBar* bar = statusBar()) bar->setPrompt(static_cast<IComponentCommand*>(this), prompt.c_str());
}

void GenPreAlignCmd::end() {
    if (IGuiCursor* shape = cursor()) shape->resetCursor(static_cast<IComponentCommand*>(this));
    lockHostViews(false);
    if (IGuiStatusBar* bar = statusBar()) bar->clearPrompt(static_cast<IComponentCommand*>(this));
    undo_.clear();
    redo_.clear();
    working_.reset();
    solution_.reset();
    IPtr<ITesDoc> document = preAlignDocument();
    if (floating_) tearDownFloating();
    if (fixed_) tearDownFixed(document.get());
    if (layout_) {
        if (IGfxDoc* graphics = graphicsDocument()) graphics->restoreLayout(layout_.get(), 1);
        layout_.reset();
        if (document) document->update(1, 1);
    }
    if (document && preAlignInspectionProfile()) {
        document->endInspectionAlignment();
    } else if (document) {
        document->endGeneralAlignment();
    }
    if (floatSelector_) floatSelector_->reset();
    fixed_.reset();
    floating_.reset();
}

void GenPreAlignCmd::tearDownFixed(ITesDoc* document) {
    fixed_->setSecondDisplayFlag(0);
    if (fixedDisplay_) fixedDisplay_->restore();
    fixedDisplay_.reset();
    fixedMarkers_.reset();
    if (document != nullptr && !preAlignInspectionProfile()) document->removeNamedObject(kFixedName);
}

// The floating object already stands at M · W: M goes to both objects as the
// record of the accepted alignment, and the pose is made lasting.
bool GenPreAlignCmd::onOk() {
    if (solution_) {
        if (preAlignRecordsAutomation()) recordAutomation();
        fixed_->acceptAlignmentAsFixed(*solution_);
        floating_->acceptAlignmentAsFloating(*solution_);
        if (IGenGfxService* graphics = graphicsService()) graphics->commitTransform(floating_.get());
    }
    finish(1);
    return true;
}

void GenPreAlignCmd::recordAutomation() {
    SPtr<ITesAutomationNodeFactory> factory("ITesAutomationNodeFactory");
    IPtr<ITesUnknown> node(factory ? factory->createNode("ITesPreAlignAutoNode") : nullptr);
    auto* preAlign = tesQuery<ITesPreAlignAutoNode>(node.get(), "ITesPreAlignAutoNode");
    auto* automation = tesQuery<ITesAutomationNode>(node.get(), "ITesAutomationNode");
    if (automation != nullptr) {
        TesString label(u"%1: %2");
        label.arg({getName().c_str(), textOf(fixed_->name()).c_str()});
        automation->setLabel(label.c_str());
    }
    if (preAlign != nullptr) preAlign->setMatrix(*solution_);
}

bool GenPreAlignCmd::onCancel() {
    IGenGfxService* graphics = graphicsService();
    if (floating_ && graphics != nullptr) graphics->setObjectTransform(floating_.get(), start_);
    start_ = TesMatrix();
    return true;
}
