#include "gensetcameracmd.h"

#include <cmath>
#include <cstdio>

#include "hostapi/document.h"
#include "cameraplacement.h"
#include "iptr.h"
#include "queryinterface.h"
#include "translatedtext.h"
#include "viewservices.h"

namespace {

constexpr const char* kClassName = "GenSetCameraCmd";
constexpr const char* kDisplayName = "Camera Position";

// Control ids.
constexpr int32_t kZoomLevel = 0;
constexpr int32_t kXTrans = 1;
constexpr int32_t kYTrans = 2;
constexpr int32_t kZTrans = 3;
constexpr int32_t kUpDirBox = 4;
constexpr int32_t kUpDir = 5;
constexpr int32_t kLookAtDirBox = 6;
constexpr int32_t kLookDir = 7;
constexpr int32_t kCSysObjects = 8;
constexpr int32_t kSetToZeros = 9;
constexpr int32_t kWorld = 10;
constexpr int32_t kLocal = 11;
constexpr int32_t kNoId = -1;

constexpr int32_t kCurrent = 0;
constexpr const char* kDirectionItems[] = {"Current", "+X", "-X", "+Y", "-Y", "+Z", "-Z"};

constexpr const char* kUpX = "Navigation/Camera Up X";
constexpr const char* kUpY = "Navigation/Camera Up Y";
constexpr const char* kUpZ = "Navigation/Camera Up Z";
constexpr const char* kUpWorldDefault = "Navigation/CameraPositionUpWorldDefault";
constexpr const char* kUpLocalDefault = "Navigation/CameraPositionUpLocalDefault";

constexpr TesVector kDefaultUp{0, 1, 0};
constexpr double kStartZoom = 0.7;
constexpr double kApplyNear = 0.01;
constexpr double kZoomMaximum = 100000.0;
constexpr double kPositionLimit = 1.7976931348623157e308;
constexpr int32_t kPrecision = 4;

// A direction of the eye frame in world coordinates.
TesVector cameraDirection(const TesVector& eyeDirection) {
    IGfxCamera* camera = currentCamera();
    if (camera == nullptr) return eyeDirection;
    return camera->orientation().inverse().rotationPart().transformPoint(eyeDirection);
}

TesMatrix coordinateSystemMatrix(ITesUnknown* system) {
    auto* axes = tesQuery<ITesCoordinateSystemV2>(system, "ITesCoordinateSystemV2");
    if (axes == nullptr) return TesMatrix();
    return TesMatrix::fromColumns(axes->xAxis(), axes->yAxis(), axes->zAxis(), axes->origin());
}

void beginTitledGroup(IGuiPanel* panel, const char* key, int32_t id, const char* title) {
    panel->beginGroup(key, id, 0, trText(title).c_str(), 0);
}

void addDirectionCombo(IGuiPanel* panel, const char* key, int32_t id) {
    panel->addCombo(key, id, u"", false);
    for (const char* item : kDirectionItems) panel->addItem(id, trText(item).c_str());
}

void addPositionField(IGuiPanel* panel, const char* key, int32_t id) {
    panel->addNumeric(key, id, u"", -kPositionLimit, kPositionLimit, 0.001, kPrecision);
}

}  // namespace

GenSetCameraCmd::GenSetCameraCmd()
    : axes_{{0, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
      savedUp_(kDefaultUp) {
    name_ = TesString(kDisplayName);
}

void GenSetCameraCmd::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out, {kClassName, this, static_cast<IComponentCommand*>(this), {}})) return;
    CompBaseCmd::queryInterface(name, out);
}

const char* GenSetCameraCmd::className() const { return kClassName; }

bool GenSetCameraCmd::isAvailable(ICommandState* state) { return commandMayStart(state); }

void GenSetCameraCmd::buildDialog(IGuiPanel* panel) {
    panel->showStandardButton(kGuiContinueButton, true);
    beginTitledGroup(panel, "", kNoId, "Coordinate Systems");
    panel->addCombo("CSysObjects", kCSysObjects, u"", false);
    panel->endGroup();
    beginTitledGroup(panel, "", kNoId, "Relative Orientation");
    panel->addRadio("World", kWorld, trText("World").c_str(), true);
    panel->addRadio("Local", kLocal, trText("Local").c_str(), false);
    panel->endGroup();
    beginTitledGroup(panel, "", kNoId, "Zoom");
    panel->addNumeric("ZoomLevel", kZoomLevel, trText("Level").c_str(), 0.0, kZoomMaximum, 0.1, kPrecision);
    panel->endGroup();
    beginTitledGroup(panel, "", kNoId, "Camera Position");
    addPositionField(panel, "XTrans", kXTrans);
    addPositionField(panel, "YTrans", kYTrans);
    addPositionField(panel, "ZTrans", kZTrans);
    panel->addPushButton("SetToZeros", kSetToZeros, trText("Set to Origin").c_str());
    panel->endGroup();
    beginTitledGroup(panel, "UpDirBox", kUpDirBox, "Up Direction");
    addDirectionCombo(panel, "UpDir", kUpDir);
    panel->endGroup();
    beginTitledGroup(panel, "LookAtDirBox", kLookAtDirBox, "Look Direction");
    addDirectionCombo(panel, "LookDir", kLookDir);
    panel->endGroup();
}

bool GenSetCameraCmd::start() {
    if (IGfxCamera* camera = currentCamera()) {
        savedZoom_ = camera->zoom();
        savedOrientation_ = camera->orientation();
    }
    savedUp_ = currentUpSetting();
    collectCoordinateSystems();
    if (systems_.empty()) {
        dialog_->setChecked(kWorld, true);
        dialog_->enable(kLocal, false, kGuiEnableScope);
        dialog_->enable(kCSysObjects, false, kGuiEnableScope);
        dialog_->setSelection(kCSysObjects, 0);
        fillPosition(viewOrigin());
    } else {
        dialog_->setSelection(kCSysObjects, 1);
        dialog_->setChecked(kLocal, true);
        fillPosition(TesVector::zero());
    }
    dialog_->setValue(kZoomLevel, kStartZoom);
    loadUpDefault();
    pairLookWithUp();
    dumpCamera();
    updateGui();
    redraw();
    return true;
}

// The document's coordinate-system objects of the current phase, placed by
// the graphics service; "CSysObjects" lists "World" and then their names.
void GenSetCameraCmd::collectCoordinateSystems() {
    systems_.clear();
    dialog_->clearItems(kCSysObjects);
    dialog_->addItem(kCSysObjects, trText("World").c_str());
    SPtr<ITesDoc> document("ITesDoc");
    SPtr<IPhaseService> phases("IPhaseService");
    if (!document) return;
    IPtr<ITesObjectIter> objects(document->objectIterator(kDocCoordinateSystems, phases ? phases->currentPhase() : -1));
    if (!objects) return;
    for (objects->reset(); !objects->atEnd(); objects->next()) {
        ITesObject* object = objects->current();
        auto* holder = tesQuery<ITesCSysSubObject>(object, "ITesCSysSubObject");
        if (holder == nullptr) continue;
        const TesMatrix placement = graphicsService() != nullptr ? graphicsService()->objectTransform(object) : TesMatrix();
        systems_.push_back(placement * coordinateSystemMatrix(holder->coordinateSystem()));
        dialog_->addItem(kCSysObjects, object->name());
    }
}

void GenSetCameraCmd::updateGui() {
    dialog_->enable(kLocal, dialog_->getSelection(kCSysObjects) != 0, kGuiEnableScope);
}

bool GenSetCameraCmd::onOk() {
    SPtr<IDataStore> settings("IDataStore");
    if (settings) {
        const char* key = dialog_->isChecked(kWorld) ? kUpWorldDefault : kUpLocalDefault;
        settings->setInt(static_cast<ITesDataReceiver*>(this), key, dialog_->getSelection(kUpDir));
    }
    return true;
}

bool GenSetCameraCmd::onCancel() {
    if (IGfxCamera* camera = currentCamera()) {
        camera->setZoom(savedZoom_);
        camera->setOrientation(savedOrientation_);
    }
    writeUp(savedUp_);
    redraw();
    return true;
}

void GenSetCameraCmd::onControlClicked(int32_t id, bool) {
    if (id == kSetToZeros) {
        fillPosition(TesVector::zero());
    } else if (id == kWorld) {
        fillPosition(viewOrigin());
        loadUpDefault();
    } else if (id == kLocal) {
        fillPosition(TesVector::zero());
        loadUpDefault();
    } else {
        return;
    }
    updateGui();
}

void GenSetCameraCmd::onEditFinished(int32_t id) {
    if (id != kZoomLevel) return;
    if (IGfxCamera* camera = currentCamera()) camera->setZoom(dialog_->getValue(kZoomLevel));
    redraw();
}

void GenSetCameraCmd::onSelectionChanged(int32_t id, int32_t index) {
    if (id == kUpDir || id == kLookDir) {
        resolveConflict(id);
    } else if (id == kCSysObjects && index != -1) {
        chooseReference(index);
    }
}

void GenSetCameraCmd::onRedrawRequest(int32_t) { redraw(); }

void GenSetCameraCmd::chooseReference(int32_t index) {
    if (index == 0) {
        dialog_->setChecked(kWorld, true);
        fillPosition(viewOrigin());
    } else if (index <= static_cast<int32_t>(systems_.size())) {
        dialog_->setChecked(kLocal, true);
        fillPosition(TesVector::zero());
    } else {
        return;
    }
    dialog_->setValue(kZoomLevel, kStartZoom);
    loadUpDefault();
    pairLookWithUp();
    updateGui();
}

void GenSetCameraCmd::fillPosition(const TesVector& position) {
    dialog_->setValue(kXTrans, position.x);
    dialog_->setValue(kYTrans, position.y);
    dialog_->setValue(kZTrans, position.z);
}

void GenSetCameraCmd::loadUpDefault() {
    SPtr<IDataStore> settings("IDataStore");
    if (!settings) return;
    const char* key = dialog_->isChecked(kWorld) ? kUpWorldDefault : kUpLocalDefault;
    dialog_->setSelection(kUpDir, settings->getInt(key, kCurrent));
}

// The look that goes with an up choice: "Current" with "Current", else the
// next axis with the same sign.
void GenSetCameraCmd::pairLookWithUp() {
    const int32_t up = dialog_->getSelection(kUpDir);
    if (up <= kCurrent) {
        dialog_->setSelection(kLookDir, kCurrent);
        return;
    }
    const Choice choice = choiceOf(kUpDir, up);
    dialog_->setSelection(kLookDir, ((choice.axis + 1) % 3) * 2 + (choice.negative ? 1 : 0) + 1);
}

// The axis and sign of a combo entry; "Current" takes the dominant component
// of the camera's current up or look direction.
GenSetCameraCmd::Choice GenSetCameraCmd::choiceOf(int32_t comboId, int32_t index) {
    if (index > kCurrent) return {(index - 1) / 2, (index - 1) % 2 == 1};
    const TesVector direction = cameraDirection(comboId == kUpDir ? TesVector{0, 1, 0} : TesVector{0, 0, -1});
    const double x = std::fabs(direction.x), y = std::fabs(direction.y), z = std::fabs(direction.z);
    if (x > y && x > z) return {0, direction.x < 0};
    if (y > z) return {1, direction.y < 0};
    return {2, direction.z < 0};
}

// Up and look may not share an axis: the other combo moves on to the next axis
// (after an up change) or the one before (after a look change).
void GenSetCameraCmd::resolveConflict(int32_t changedId) {
    const int32_t otherId = changedId == kUpDir ? kLookDir : kUpDir;
    const int32_t changed = dialog_->getSelection(changedId);
    const int32_t other = dialog_->getSelection(otherId);
    if (changed < 0 || other < 0 || (changed == kCurrent && other == kCurrent)) return;
    const Choice made = choiceOf(changedId, changed);
    if (made.axis != choiceOf(otherId, other).axis) return;
    const int shift = changedId == kUpDir ? 1 : 2;
    dialog_->setSelection(otherId, ((made.axis + shift) % 3) * 2 + (made.negative ? 1 : 0) + 1);
}

TesMatrix GenSetCameraCmd::referenceTransform() {
    const int32_t index = dialog_->getSelection(kCSysObjects);
    if (dialog_->isChecked(kWorld) || index < 1 || index > static_cast<int32_t>(systems_.size())) return TesMatrix();
    return systems_[static_cast<size_t>(index - 1)];
}

TesVector GenSetCameraCmd::axisDirection(int32_t index, const TesMatrix& rotation) {
    return rotation.transformPoint(axes_[index].normalized());
}

void GenSetCameraCmd::onApply() {
    const TesMatrix rotation = referenceTransform().rotationPart();
    const int32_t upIndex = dialog_->getSelection(kUpDir);
    const int32_t lookIndex = dialog_->getSelection(kLookDir);
    TesVector up = upIndex > kCurrent ? axisDirection(upIndex, rotation) : currentUpSetting();
    up.normalize();
    const TesVector look =
        lookIndex > kCurrent ? axisDirection(lookIndex, rotation) : cameraDirection(TesVector{0, 0, -1});
    const TesVector back = -look;
    const TesVector right = cross(up, back);
    const TesVector fields{dialog_->getValue(kXTrans), dialog_->getValue(kYTrans), dialog_->getValue(kZTrans)};
    placeCamera(currentCamera(), right, cross(back, right), back, referenceTransform().transformPoint(fields));
    if (IGfxCamera* camera = currentCamera()) {
        camera->setZoom(dialog_->getValue(kZoomLevel));
        if (IGfxClipping* clipping = camera->clipping()) clipping->setNear(kApplyNear);
    }
    writeUp(up);
    dumpCamera();
    redraw();
}

// The three up settings; the standard up where they are missing.
TesVector GenSetCameraCmd::currentUpSetting() {
    SPtr<IDataStore> settings("IDataStore");
    if (!settings) return kDefaultUp;
    return {settings->getDouble(kUpX, kDefaultUp.x), settings->getDouble(kUpY, kDefaultUp.y),
            settings->getDouble(kUpZ, kDefaultUp.z)};
}

void GenSetCameraCmd::writeUp(const TesVector& up) {
    SPtr<IDataStore> settings("IDataStore");
    if (!settings) return;
    ITesUnknown* owner = static_cast<ITesDataReceiver*>(this);
    settings->setDouble(owner, kUpX, up.x);
    settings->setDouble(owner, kUpY, up.y);
    settings->setDouble(owner, kUpZ, up.z);
}

// Written to standard output at the end of start and of every Apply.
void GenSetCameraCmd::dumpCamera() {
    IGfxCamera* camera = currentCamera();
    if (camera == nullptr) return;
    double left = 0, bottom = 0, right = 0, top = 0;
    camera->viewRectangle(&left, &bottom, &right, &top);
    std::printf("lens %f\n", camera->zoom());
    std::printf("view: %f %f\n", right - left, top - bottom);
    std::printf("Orientation matrix :\n");
    camera->orientation().print(stdout);
    std::printf("Projection matrix :\n");
    camera->projection().print(stdout);
    IGfxClipping* clipping = camera->clipping();
    std::printf("near=%f, far =%f\n", clipping != nullptr ? clipping->nearPlane() : 0.0,
                clipping != nullptr ? clipping->farPlane() : 0.0);
    std::fflush(stdout);
}
