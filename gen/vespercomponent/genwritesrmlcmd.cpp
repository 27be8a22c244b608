#include "genwritesrmlcmd.h"

#include <string_view>

#include "bitvector.h"
#include "cameraselection.h"
#include "genwritesrmlcontrols.h"
#include "hostapi/document.h"
#include "queryinterface.h"
#include "srmlrecipe.h"
#include "srmlreconcile.h"
#include "translatedtext.h"

using namespace srmleditor;

namespace {

constexpr const char* kClassName = "GenWriteSRMLCmd";
constexpr const char* kDisplayName = "Create/Edit SRML";
constexpr const char16_t* kFilter = u"SRML files (*.srml);; Any Files (*.*)";
constexpr const char16_t* kTurntable = u"Turntable";
// Recipe names, not user-visible texts: files keep them as they are.
constexpr const char16_t* kNewRecipeName = u"Recipe %1";
constexpr const char* kSaveQuestion = "Do you want to save changes made to the current SRML?";
constexpr const char* kLostScanners =
    "The reference model does not define the necessary scanners to support the loaded SRML. The SRML has been "
    "modified to use only scanners defined by the reference model.";

int32_t showDialog(int32_t kind, const TesString& message) {
    SPtr<IGuiSimpleDlg> dialogs("IGuiSimpleDlg");
    return dialogs ? dialogs->show(kind, message.c_str(), u"", false, false, false) : kAnswerCancel;
}

int32_t showDialog(int32_t kind, const char* message) { return showDialog(kind, trText(message)); }

// File dialogs answer with either separator; the folder keeps the path's own.
int32_t lastSeparator(const TesString& path) {
    const std::u16string_view text = path;
    const size_t at = text.find_last_of(u"/\\");
    return at == std::u16string_view::npos ? -1 : static_cast<int32_t>(at);
}

// Why `start` cannot go on, or null.
const char* rigProblem(ITesObject* object) {
    if (object == nullptr) return "There is no reference object";
    ITesSubObjectMgr* manager = srmlSubObjects(object);
    if (manager == nullptr || manager->count() == 0) {
        return "The reference object does not contain any coordinate systems";
    }
    if (tesQuery<ITesCSysSubObject>(manager->subObjectByName(kTurntable), "ITesCSysSubObject") == nullptr) {
        return "The reference object does not contain a Turntable coordinate system";
    }
    // The message keeps the words users of earlier versions have seen.
    if (manager->count() < 2) return "The reference object does not any scanner coordinate systems";
    return nullptr;
}

}  // namespace

GenWriteSRMLCmd::GenWriteSRMLCmd() {
    name_ = TesString(kDisplayName);
    rowIds_.reserve(21);
}

void GenWriteSRMLCmd::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out,
                       {kClassName, this, static_cast<IComponentCommand*>(this),
                        {{"IDialogRemover", static_cast<IDialogRemover*>(this)}}})) {
        return;
    }
    CompBaseCmdInt::queryInterface(name, out);
}

const char* GenWriteSRMLCmd::className() const { return kClassName; }

bool GenWriteSRMLCmd::isAvailable(ICommandState* state) { return commandMayStart(state); }

// Nothing is built without a rig of a turntable and a scanner: start then
// refuses with the reason.
void GenWriteSRMLCmd::buildDialog(IGuiPanel* panel) {
    ITesSubObjectMgr* manager = srmlSubObjects(srmlReferenceObject());
    if (manager == nullptr || manager->count() < 2) return;
    panel->registerIcon(0, "delete");
    panel->beginGroup("SRMLBox", kSrmlBox, 0, trText("SRML").c_str(), 0);
    panel->addPushButton("SaveButton", kSave, trText("Save").c_str());
    panel->addPushButton("LoadButton", kLoad, trText("Load").c_str());
    panel->addCombo("RecipeList", kRecipeList, u"", true);
    panel->addPushButton("NewRecipeButton", kNewRecipe, trText("New").c_str());
    panel->addPushButton("DeleteRecipeButton", kDeleteRecipe, trText("Delete").c_str());
    panel->endGroup();
    panel->beginGroup("PropertiesBox", kPropertiesBox, 0, trText("Default Properties").c_str(), 0);
    panel->addNumeric("DefaultExposure", kDefaultExposure, trText("Exposure").c_str(), 0, kExposureMaximum,
                      kExposureStep, 0);
    panel->addCheck("DefaultHDR", kDefaultHdr, trText("HDR").c_str(), false);
    panel->endGroup();
    panel->beginGroup("CreateBox", kCreateBox, 0, trText("Create/Edit Scan").c_str(), 0);
    panel->addNumeric("ScanAngle", kScanAngle, trText("Angle").c_str(), 0, 359, 30, 0);
    panel->addCombo("ScanResolution", kScanResolution, trText("Resolution").c_str(), false);
    for (const char* item : {"Low", "Medium", "High"}) panel->addItem(kScanResolution, trText(item).c_str());
    // A combo box that cannot be typed into shows its first item.
    panel->setSelection(kScanResolution, kSRMLResolutionLow);
    addScannerRows(panel);
    panel->addPushButton("AddButton", kAddScan, trText("Add Scan").c_str());
    panel->endGroup();
    panel->beginGroup("ScansBox", kScansBox, 0, trText("Scans").c_str(), 0);
    panel->addList("ScanAngleList", kScanAngleList, u"");
    panel->addToolButton("DeleteScanButton", kDeleteScan, trText("Delete").c_str(), 0);
    panel->endGroup();
    panel->showStandardButton(kGuiContinueButton, false);
    panel->showStandardButton(kGuiThirdStandardButton, false);
}

bool GenWriteSRMLCmd::start() {
    if (const char* problem = rigProblem(srmlReferenceObject())) {
        showDialog(kDialogError, problem);
        return false;
    }
    dialog_->clearItems(kRecipeList);
    dialog_->setValue(kScanAngle, 0);
    dialog_->clearItems(kScanAngleList);
    document_ = new SRML;
    document_->initFromReferenceObject(true);
    refreshRecipeList(0);
    modified_ = false;
    syncing_ = false;
    return true;
}

void GenWriteSRMLCmd::end() { document_.reset(); }

// Any answer but yes, cancel included, closes without saving; a save whose
// file dialog is cancelled keeps the command open.
bool GenWriteSRMLCmd::onOk() {
    if (!modified_) return true;
    if (showDialog(kDialogYesNo, kSaveQuestion) == kAnswerYes) return save();
    return true;
}

void GenWriteSRMLCmd::onControlClicked(int32_t id, bool) {
    if (!document_) return;
    if (id == kSave) {
        save();
        return;
    }
    if (id == kLoad) {
        load();
        return;
    }
    if (id == kNewRecipe) {
        newRecipe();
        return;
    }
    modified_ = true;
    if (id == kDeleteRecipe) {
        deleteRecipe();
    } else if (id == kDefaultHdr) {
        defaultHdrChanged();
    } else if (id == kAddScan) {
        addScan();
    } else if (id == kDeleteScan) {
        deleteScan();
    } else {
        evaluateAngle(wholeValue(kScanAngle));
    }
}

void GenWriteSRMLCmd::onTextEdited(int32_t id, const char16_t* text) {
    if (id != kRecipeList || !document_) return;
    const int32_t index = dialog_->getSelection(kRecipeList);
    SRMLRecipeList& recipes = document_->recipes();
    if (index < 0 || index >= static_cast<int32_t>(recipes.size()) || !recipes[static_cast<size_t>(index)]) return;
    recipes[static_cast<size_t>(index)]->setName(TesString(text));
    dialog_->setItemText(kRecipeList, index, text);
}

void GenWriteSRMLCmd::onSelectionChanged(int32_t id, int32_t value) {
    if (!document_) return;
    if (id == kRecipeList) {
        selectRecipe();
    } else if (id == kDefaultExposure) {
        defaultExposureChanged(value);
    } else if (id == kScanResolution) {
        modified_ = true;
        dialog_->enable(kAddScan, true, kGuiEnableScope);
    } else if (id == kScanAngleList) {
        selectAngle(value);
    } else if (id == kScanAngle) {
        evaluateAngle(value);
    } else {
        evaluateAngle(wholeValue(kScanAngle));
    }
}

ITesSRMLRecipe* GenWriteSRMLCmd::currentRecipe() {
    const int32_t index = dialog_->getSelection(kRecipeList);
    SRMLRecipeList& recipes = document_->recipes();
    if (index < 0 || index >= static_cast<int32_t>(recipes.size())) return nullptr;
    return recipes[static_cast<size_t>(index)].get();
}

// Copies the recipe's defaults into the panel; selecting a recipe therefore
// counts as an edit. A default HDR of -1 becomes 0 on the way.
void GenWriteSRMLCmd::selectRecipe() {
    if (document_->recipes().empty()) {
        refreshRecipeList(0);
        return;
    }
    syncing_ = true;
    ITesSRMLRecipe* recipe = currentRecipe();
    ITesSRMLScanProperties* defaults = recipe != nullptr ? recipe->defaultProperties() : nullptr;
    if (defaults != nullptr) {
        dialog_->setValue(kDefaultExposure, defaults->exposure());
        defaultExposureChanged(defaults->exposure());
        const bool hdr = defaults->hdr() == 1;
        dialog_->setChecked(kDefaultHdr, hdr);
        onControlClicked(kDefaultHdr, hdr);
    }
    syncing_ = false;
    refreshAngleList();
}

// Without recipes the list is only emptied: handling its selection would
// come back here. The groups are enabled first, as enabling a group may
// enable all it holds, and the selection then sets the buttons inside.
void GenWriteSRMLCmd::refreshRecipeList(int32_t index) {
    const bool any = !document_->recipes().empty();
    for (int32_t id : {kScansBox, kCreateBox, kPropertiesBox, kDeleteRecipe, kSave}) {
        dialog_->enable(id, any, kGuiEnableScope);
    }
    dialog_->clearItems(kRecipeList);
    TesString name;
    for (const IPtr<ITesSRMLRecipe>& recipe : document_->recipes()) {
        dialog_->addItem(kRecipeList, recipe ? recipe->name(name).c_str() : u"");
    }
    dialog_->setSelection(kRecipeList, index);
    if (any) {
        onSelectionChanged(kRecipeList, index);
    } else {
        refreshAngleList();
    }
}

void GenWriteSRMLCmd::newRecipe() {
    modified_ = true;
    SRMLRecipeList& recipes = document_->recipes();
    TesString candidate;
    for (int32_t n = 1;; ++n) {
        candidate = TesString(kNewRecipeName);
        candidate.arg({TesString::number(n)});
        bool taken = false;
        TesString name;
        for (const IPtr<ITesSRMLRecipe>& recipe : recipes) taken = taken || (recipe && recipe->name(name) == candidate);
        if (!taken) break;
    }
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    recipe->rename(candidate, true);
    recipes.emplace_back(recipe.get());
    refreshRecipeList(static_cast<int32_t>(recipes.size()) - 1);
}

void GenWriteSRMLCmd::deleteRecipe() {
    SRMLRecipeList& recipes = document_->recipes();
    const int32_t index = dialog_->getSelection(kRecipeList);
    if (index < 0 || index >= static_cast<int32_t>(recipes.size())) return;
    TesString question = trText("Are you sure you want to delete %1?");
    question.arg({dialog_->itemText(kRecipeList, index)});
    if (showDialog(kDialogYesNo, question) != kAnswerYes) return;
    recipes.erase(recipes.begin() + index);
    refreshRecipeList(0);
}

void GenWriteSRMLCmd::rememberFile(const TesString& path) {
    const int32_t separator = lastSeparator(path);
    lastFolder_ = separator >= 0 ? path.left(separator) : TesString();
}

void GenWriteSRMLCmd::showFileName(const TesString& path) {
    TesString title = trText("SRML %1");
    title.arg({path.mid(lastSeparator(path) + 1)});
    dialog_->setText(kSrmlBox, title.c_str());
}

// The written file is not read back: a write that failed leaves the old file
// as it was and the command goes on as if it had saved.
bool GenWriteSRMLCmd::save() {
    SPtr<IGuiUtil> files("IGuiUtil");
    const char16_t* chosen = nullptr;
    if (!files || !files->saveFileDialog(&chosen, kFilter, lastFolder_.c_str()) || chosen == nullptr) return false;
    const TesString path(chosen);
    rememberFile(path);
    document_->write(path);
    modified_ = false;
    CameraSelection selection;
    selection.setUp(srmlReferenceObject(), document_->modelData());
    BitVector seen;
    selection.visibleFromRecipe(currentRecipe(), seen);
    selection.selectOnModel(seen, false);
    showFileName(path);
    return true;
}

// A file that cannot be read keeps the current document.
void GenWriteSRMLCmd::load() {
    SPtr<IGuiUtil> files("IGuiUtil");
    const char16_t* chosen = nullptr;
    if (!files || !files->openFileDialog(&chosen, kFilter, lastFolder_.c_str()) || chosen == nullptr) return;
    const TesString path(chosen);
    rememberFile(path);
    if (modified_ && showDialog(kDialogYesNo, kSaveQuestion) == kAnswerYes && !save()) return;
    IPtr<SRML> loaded(new SRML);
    if (!loaded->read(path)) {
        showDialog(kDialogError, "Failed to open SRML file");
        return;
    }
    if (srmlReconcileWithReference(*loaded)) showDialog(kDialogInform, kLostScanners);
    document_ = loaded;
    refreshRecipeList(0);
    modified_ = false;
    showFileName(path);
    SRMLRecipeList& recipes = document_->recipes();
    if (recipes.empty() || !recipes.front() || recipes.front()->angles().empty()) return;
    dialog_->setSelection(kScanAngleList, 0);
    onSelectionChanged(kScanAngleList, 0);
}
