// The scanner rows of "Create/Edit SRML" and the angles built from them.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "genwritesrmlcmd.h"
#include "genwritesrmlcontrols.h"
#include "hostapi/document.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"
#include "translatedtext.h"

using namespace srmleditor;

namespace {

constexpr const char16_t* kTurntable = u"Turntable";
constexpr int32_t kNotSet = -1;
constexpr double kCoverageMaximum = 200;

int32_t findAngle(ITesSRMLRecipe* recipe, int32_t value) {
    if (recipe == nullptr) return -1;
    const SRMLAngleList& angles = recipe->angles();
    for (size_t i = 0; i < angles.size(); ++i) {
        if (angles[i] && angles[i]->angle() == value) return static_cast<int32_t>(i);
    }
    return -1;
}

}  // namespace

// One row per sub-object that is not the turntable, in the manager's order:
// row k stands for scanner k - 1.
void GenWriteSRMLCmd::addScannerRows(IGuiPanel* panel) {
    rowIds_.clear();
    rowCount_ = 0;
    ITesSubObjectMgr* manager = srmlSubObjects(srmlReferenceObject());
    IPtr<ITesSubObjectIter> iterator(manager != nullptr ? manager->iterator(1) : nullptr);
    if (!iterator) return;
    for (iterator->reset(); !iterator->atEnd(); iterator->next()) {
        auto* subObject = tesQuery<ITesSubObject>(iterator->current(), "ITesSubObject");
        const char16_t* name = subObject != nullptr ? subObject->name() : nullptr;
        if (name == nullptr || std::u16string_view(name) == kTurntable) continue;
        const int32_t base = kFirstRow + 4 * static_cast<int32_t>(rowIds_.size());
        const std::string prefix = "Scanner" + std::to_string(rowIds_.size() + 1);
        rowIds_.push_back(base);
        panel->addCheck((prefix + "Check").c_str(), base, name, true);
        panel->addCheck((prefix + "HDR").c_str(), base + kRowHdr, trText("HDR").c_str(), false);
        panel->addNumeric((prefix + "Exposure").c_str(), base + kRowExposure, trText("Exposure").c_str(), 0,
                          kExposureMaximum, kExposureStep, 0);
        panel->addCheck((prefix + "TestCoverage").c_str(), base + kRowCoverage, trText("Test Coverage").c_str(), false);
        panel->setRange(base + kRowCoverage, 0, kCoverageMaximum, kExposureStep);
    }
    rowCount_ = static_cast<int32_t>(rowIds_.size());
}

// Rows that showed the old default follow the new one; while a recipe's
// defaults are copied in, every row does.
void GenWriteSRMLCmd::defaultExposureChanged(int32_t value) {
    modified_ = true;
    ITesSRMLRecipe* recipe = currentRecipe();
    ITesSRMLScanProperties* defaults = recipe != nullptr ? recipe->defaultProperties() : nullptr;
    const double old = defaults != nullptr ? defaults->exposure() : 0;
    if (defaults != nullptr) defaults->setExposure(value);
    for (int32_t base : rowIds_) {
        const int32_t field = base + kRowExposure;
        if (defaults == nullptr || syncing_ || dialog_->getValue(field) == old) dialog_->setValue(field, value);
    }
}

void GenWriteSRMLCmd::defaultHdrChanged() {
    const bool state = dialog_->isChecked(kDefaultHdr);
    ITesSRMLRecipe* recipe = currentRecipe();
    ITesSRMLScanProperties* defaults = recipe != nullptr ? recipe->defaultProperties() : nullptr;
    const bool old = defaults != nullptr && defaults->hdr() == 1;
    if (defaults != nullptr) defaults->setHdr(state ? 1 : 0);
    for (int32_t base : rowIds_) {
        const int32_t box = base + kRowHdr;
        if (defaults == nullptr || syncing_ || dialog_->isChecked(box) == old) dialog_->setChecked(box, state);
    }
}

// Fields hold whole numbers; anything else a host puts there is rounded and
// kept inside 32 bits.
int32_t GenWriteSRMLCmd::wholeValue(int32_t id) {
    const double value = std::round(dialog_->getValue(id));
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::clamp(value, double{INT32_MIN}, double{INT32_MAX}));
}

// What "Add Scan" would store: a value equal to the recipe's default is kept
// as "not set" so that it follows later changes of the default.
IPtr<ITesSRMLScanAngle> GenWriteSRMLCmd::angleFromPanel() {
    IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
    angle->setAngle(wholeValue(kScanAngle));
    angle->setResolution(dialog_->getSelection(kScanResolution));
    const int32_t defaultExposure = wholeValue(kDefaultExposure);
    const bool defaultHdr = dialog_->isChecked(kDefaultHdr);
    for (int32_t k = 0; k < rowCount_; ++k) {
        const int32_t base = rowIds_[static_cast<size_t>(k)];
        if (!dialog_->isChecked(base)) continue;
        IPtr<SRMLScanProperties> properties(new SRMLScanProperties);
        const int32_t exposure = wholeValue(base + kRowExposure);
        const bool hdr = dialog_->isChecked(base + kRowHdr);
        properties->setExposure(exposure == defaultExposure ? kNotSet : exposure);
        properties->setHdr(hdr == defaultHdr ? kNotSet : (hdr ? 1 : 0));
        properties->setFlag(dialog_->isChecked(base + kRowCoverage) ? 1 : 0);
        angle->scanners().push_back(k);
        angle->scannerProperties().emplace_back(properties.get());
    }
    return IPtr<ITesSRMLScanAngle>(angle.get());
}

// An angle already in the recipe is replaced, not added twice.
void GenWriteSRMLCmd::addScan() {
    ITesSRMLRecipe* recipe = currentRecipe();
    if (recipe == nullptr) return;
    IPtr<ITesSRMLScanAngle> angle = angleFromPanel();
    const int32_t existing = findAngle(recipe, angle->angle());
    if (existing >= 0) {
        recipe->angles()[static_cast<size_t>(existing)] = angle;
    } else {
        recipe->angles().push_back(angle);
    }
    refreshAngleList();
}

void GenWriteSRMLCmd::deleteScan() {
    ITesSRMLRecipe* recipe = currentRecipe();
    const int32_t index = dialog_->getSelection(kScanAngleList);
    if (recipe == nullptr || index < 0 || index >= static_cast<int32_t>(recipe->angles().size())) return;
    recipe->angles().erase(recipe->angles().begin() + index);
    refreshAngleList();
}

// Shows the selected angle in the rows. Scanner ids outside the rows (a file
// of another rig) are left out; the coverage boxes keep their state, since
// files do not store it.
void GenWriteSRMLCmd::selectAngle(int32_t index) {
    if (index < 0) {
        dialog_->enable(kDeleteScan, false, kGuiEnableScope);
        return;
    }
    ITesSRMLRecipe* recipe = currentRecipe();
    if (recipe == nullptr || index >= static_cast<int32_t>(recipe->angles().size())) return;
    ITesSRMLScanAngle* angle = recipe->angles()[static_cast<size_t>(index)].get();
    if (angle == nullptr) return;
    dialog_->setValue(kScanAngle, angle->angle());
    const double defaultExposure = dialog_->getValue(kDefaultExposure);
    const bool defaultHdr = dialog_->isChecked(kDefaultHdr);
    for (int32_t base : rowIds_) {
        dialog_->setChecked(base, false);
        dialog_->setChecked(base + kRowHdr, defaultHdr);
        dialog_->setValue(base + kRowExposure, defaultExposure);
    }
    const SRMLScannerIds& scanners = angle->scanners();
    const SRMLScanPropertiesList& properties = angle->scannerProperties();
    for (size_t i = 0; i < scanners.size(); ++i) {
        if (scanners[i] < 0 || scanners[i] >= rowCount_) continue;
        const int32_t base = rowIds_[static_cast<size_t>(scanners[i])];
        ITesSRMLScanProperties* own = i < properties.size() ? properties[i].get() : nullptr;
        dialog_->setChecked(base, true);
        dialog_->setChecked(base + kRowHdr, own != nullptr && own->hdr() >= 0 ? own->hdr() == 1 : defaultHdr);
        dialog_->setValue(base + kRowExposure,
                          own != nullptr && own->exposure() >= 0 ? own->exposure() : defaultExposure);
    }
    evaluateAngle(angle->angle());
    dialog_->enable(kDeleteScan, true, kGuiEnableScope);
}

void GenWriteSRMLCmd::refreshAngleList() {
    ITesSRMLRecipe* recipe = currentRecipe();
    if (recipe == nullptr) {
        dialog_->enable(kDeleteScan, false, kGuiEnableScope);
        return;
    }
    recipe->sortAngles();
    dialog_->clearItems(kScanAngleList);
    for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) {
        dialog_->addItem(kScanAngleList, angle ? TesString::number(angle->angle()).c_str() : u"");
    }
    const bool selected = dialog_->itemCount(kScanAngleList) > 0 && dialog_->getSelection(kScanAngleList) >= 0;
    dialog_->enable(kDeleteScan, selected, kGuiEnableScope);
    evaluateAngle(wholeValue(kScanAngle));
}

// "Save Scan" stays disabled while the rows match the stored angle. The
// coverage boxes are not compared: ticking one alone changes nothing here.
void GenWriteSRMLCmd::evaluateAngle(int32_t value) {
    ITesSRMLRecipe* recipe = currentRecipe();
    const int32_t existing = findAngle(recipe, value);
    if (existing < 0) {
        dialog_->enable(kAddScan, true, kGuiEnableScope);
        dialog_->setText(kAddScan, trText("Add Scan").c_str());
        return;
    }
    ITesSRMLScanAngle* stored = recipe->angles()[static_cast<size_t>(existing)].get();
    dialog_->setSelection(kScanResolution, stored->resolution());
    IPtr<ITesSRMLScanAngle> shown = angleFromPanel();
    dialog_->setText(kAddScan, trText("Save Scan").c_str());
    dialog_->enable(kAddScan, !sameScanAngle(shown.get(), stored), kGuiEnableScope);
}
