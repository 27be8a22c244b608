#include "genprealigncmd.h"
#include "hostapi/computation.h"
#include "hostapi/infrastructure.h"
#include "prealignhost.h"
#include "prealignparts.h"
#include "tesassert.h"
#include "translator.h"
#include "viewservices.h"

namespace {

constexpr const char* kTesSourceName = kPreAlignSourceName;

constexpr const char* kShadeOnEntry = "Advanced/Shade Points on Register Entry";
constexpr int32_t kAbortKey = 1;

bool hasNormals(ITesObject* object) {
    ITesPoints* points = isOfType(object, "Point") ? objectPoints(object) : nullptr;
    return points != nullptr && points->hasNormals();
}

// Normals from the points' neighbours, given to the points; false when the
// object has no points or the host no calculator.
bool computeNormals(ITesObject* object) {
    ITesPoints* points = objectPoints(object);
    if (points == nullptr) return false;
    SPtr<IPointNormalCalculator> calculator("IPointNormalCalculator");
    if (!calculator) return false;
    calculator->setPoints(points);
    return calculator->calculate(true, true);
}

// "Shading Points, %1 to Abort..." while normals are computed; ends when released.
IPtr<ITesUnknown> beginBusy() {
    IGuiThemeMgr* theme = themeManager();
    TES_ASSERT(theme != nullptr, "theThemeMgr");
    SPtr<IGuiBusyBlock> busy("IGuiBusyBlock");
    if (!busy) return {};
    const char16_t* key = theme != nullptr ? theme->keyName(kAbortKey) : nullptr;
    TesString text;
    tr(text, "Shading Points, %1 to Abort...", textOf(key));
    return busy->begin(text.c_str(), true);
}

}  // namespace

// The display options as the objects and the user's last choice suggest.
void GenPreAlignCmd::setUpDisplay() {
    ITesObject* fixed = fixed_.get();
    ITesObject* floating = floating_.get();
    fixedHasNormals_ = hasNormals(fixed);
    floatingHasNormals_ = hasNormals(floating);
    const bool pointCloud = isOfType(floating, "Point") || isOfType(fixed, "Point");
    IDataStore* settings = preAlignSettings();
    const bool shade = pointCloud && settings != nullptr && settings->getBool(kShadeOnEntry, false);
    dialog_->setChecked(kShadedPoints, shade);
    dialog_->enable(kShadedPoints, pointCloud, kGuiEnableScope);
    if (pointCloud) applyShading(shade);
    const bool hasColours = fixed->hasVertexColors() || floating->hasVertexColors();
    const bool coloursShown =
        fixed->displayProperty(kPointColorsProperty) != 0 || floating->displayProperty(kPointColorsProperty) != 0;
    const bool coloursOn = hasColours && coloursShown;
    dialog_->setChecked(kVertexColor, coloursOn);
    dialog_->enable(kVertexColor, hasColours, kGuiEnableScope);
    applyVertexColours(coloursOn);
}

// Shading needs normals: those the objects lack are computed first.
void GenPreAlignCmd::applyShading(bool on) {
    const int32_t missing = (fixedHasNormals_ ? 0 : 1) + (floatingHasNormals_ ? 0 : 1);
    if (on && missing != 0) {
        IPtr<ITesUnknown> busy = beginBusy();
        SPtr<ITesProgressSplit> progress("ITesProgressSplit");
        if (progress) progress->split(missing);
        const auto complete = [&progress](ITesObject* object, bool& hasNormals) {
            if (hasNormals) return;
            hasNormals = computeNormals(object);
            if (progress) progress->advance();
        };
        complete(fixed_.get(), fixedHasNormals_);
        complete(floating_.get(), floatingHasNormals_);
    }
    fixed_->setDisplayProperty(kShadedPointsProperty, on ? 1 : 0, 1);
    floating_->setDisplayProperty(kShadedPointsProperty, on ? 1 : 0, 1);
    if (IDataStore* settings = preAlignSettings()) settings->setBool(nullptr, kShadeOnEntry, on);
}

void GenPreAlignCmd::applyVertexColours(bool on) {
    const bool colours[] = {fixed_->hasVertexColors(), floating_->hasVertexColors()};
    ITesObject* objects[] = {fixed_.get(), floating_.get()};
    for (int i = 0; i < 2; ++i) {
        if (colours[i]) objects[i]->setDisplayProperty(kPointColorsProperty, on ? 1 : 0, 1);
    }
    IGfxDoc* graphics = graphicsDocument();
    if (!on || graphics == nullptr) return;
    for (int i = 0; i < 2; ++i) {
        IGfxNode* node = colours[i] ? graphics->node(objects[i]) : nullptr;
        if (node != nullptr) node->refresh(1, 1);
    }
}

void GenPreAlignCmd::onControlClicked(int32_t id, bool checked) {
    if (!fixed_ || !floating_) return;
    if (id == kShadedPoints) {
        applyShading(checked);
        applyVertexColours(dialog_->isChecked(kVertexColor));
    } else if (id == kVertexColor) {
        applyVertexColours(checked);
    }
    redraw();
}
