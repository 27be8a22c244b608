#include "genwritesrmlautomationcmd.h"

#include <cmath>

#include "hostapi/document.h"
#include "iptr.h"
#include "queryinterface.h"
#include "srml.h"
#include "translatedtext.h"

namespace {

constexpr const char* kClassName = "GenWriteSRMLAutomationCmd";
constexpr const char* kDisplayName = "Create SRML Automation";

// Control ids.
constexpr int32_t kSrmlPath = 0;
constexpr int32_t kBrowse = 1;
constexpr int32_t kDistanceTol = 2;
constexpr int32_t kAngleTol = 3;
constexpr int32_t kRecipeList = 4;
constexpr int32_t kNoId = -1;

constexpr double kStartDistance = 0.05;
constexpr double kStartAngle = 5;
constexpr double kDistanceLimit = 1.7976931348623157e308;
// The angle field stays inside 32-bit integers, so reading it as an integer
// (by truncation: 5.7 gives 5) is always defined.
constexpr double kAngleLimit = 2147483647.0;

constexpr const char16_t* kFilter = u"SRML files (*.srml);; Any Files (*.*)";

constexpr const char* kTemplate =
    "import tessarel.app.v2\n"
    "for m in tessarel.app.v2.execStrings: exec m in locals(), globals()\n"
    "\n"
    "srmlPath = \"SRMLPATH\"\n"
    "recipeName = \"RECIPENAME\"\n"
    "distanceTol = DISTANCETOL\n"
    "angleTol = ANGLETOL\n"
    "\n"
    "tesapp.capture_verifyAndScan(srmlPath, recipeName, distanceTol, angleTol)\n";

// Replaces every `placeholder` in `text`, each search going on after the text
// just inserted, so a value that contains a placeholder is left as it is.
void replaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

void showError(const char* message) {
    SPtr<IGuiSimpleDlg> dialogs("IGuiSimpleDlg");
    if (dialogs) dialogs->show(kDialogError, trText(message).c_str(), u"", false, false, false);
}

// Hands the reference object's own workflow, when it uses one, to the
// manager, then gives the manager's current workflow the script.
void installScript(const std::string& script) {
    ITesObject* object = srmlReferenceObject();
    ITesUnknown* owner = object != nullptr ? object->component(kWorkflowOwnerId) : nullptr;
    SPtr<ITesWorkflowManager> manager("ITesWorkflowManager");
    auto* ownerFace = tesQuery<ITesWorkflowOwner>(owner, "ITesWorkflowOwner");
    if (ownerFace != nullptr && ownerFace->usesWorkflow()) {
        auto* links = tesQuery<ITesWorkflowSubObjectMgr>(owner, "ITesWorkflowSubObjectMgr");
        auto* link = tesQuery<ITesWorkflowLink>(links != nullptr ? links->heldObject() : nullptr, "ITesWorkflowLink");
        if (link != nullptr && manager) manager->takeWorkflow(link->value());
    }
    if (!manager) return;
    auto* workflow = tesQuery<ITesWorkflow>(manager->currentWorkflow(), "ITesWorkflow");
    ITesScriptHolder* holder = workflow != nullptr ? workflow->scriptHolder() : nullptr;
    if (holder == nullptr) return;
    holder->begin(0);
    holder->setLanguage("Python");
    holder->setScript(script.c_str());
}

}  // namespace

std::string srmlAutomationScript(const TesString& path, const TesString& recipe, double distanceTolerance,
                                 int32_t angleTolerance) {
    TesString escaped(path);
    for (int32_t at = escaped.find(u"\\"); at >= 0; at = escaped.find(u"\\", at + 2)) escaped.replace(at, 1, u"\\\\");
    std::string script = kTemplate;
    replaceAll(script, "SRMLPATH", escaped.toUtf8());
    replaceAll(script, "RECIPENAME", recipe.toUtf8());
    replaceAll(script, "DISTANCETOL", TesString::number(distanceTolerance).toUtf8());
    replaceAll(script, "ANGLETOL", std::to_string(angleTolerance));
    return script;
}

GenWriteSRMLAutomationCmd::GenWriteSRMLAutomationCmd() { name_ = TesString(kDisplayName); }

void GenWriteSRMLAutomationCmd::queryInterface(const char* name, void** out) {
    if (tesAnswerQuery(name, out, {kClassName, this, static_cast<IComponentCommand*>(this), {}})) return;
    CompBaseCmdInt::queryInterface(name, out);
}

const char* GenWriteSRMLAutomationCmd::className() const { return kClassName; }

bool GenWriteSRMLAutomationCmd::isAvailable(ICommandState* state) { return commandMayStart(state); }

void GenWriteSRMLAutomationCmd::buildDialog(IGuiPanel* panel) {
    panel->beginGroup("", kNoId, 0, trText("SRML").c_str(), 0);
    panel->addTextField("SRMLPath", kSrmlPath, trText("SRML").c_str());
    panel->addPushButton("BrowseButton", kBrowse, u"...");
    panel->addCombo("RecipeList", kRecipeList, trText("Recipe").c_str(), false);
    panel->endGroup();
    panel->beginGroup("", kNoId, 0, trText("Scanner Tolerances").c_str(), 0);
    panel->addNumeric("DistanceTol", kDistanceTol, trText("Distance").c_str(), -kDistanceLimit, kDistanceLimit, 0.01, 3);
    panel->addNumeric("AngleTol", kAngleTol, trText("Angle").c_str(), -kAngleLimit, kAngleLimit, 1.0, 1);
    panel->endGroup();
    panel->showStandardButton(kGuiContinueButton, false);
}

bool GenWriteSRMLAutomationCmd::start() {
    if (srmlReferenceObject() == nullptr) {
        showError("There is no reference object");
        return false;
    }
    dialog_->setText(kSrmlPath, u"");
    dialog_->setValue(kDistanceTol, kStartDistance);
    dialog_->setValue(kAngleTol, kStartAngle);
    return true;
}

void GenWriteSRMLAutomationCmd::onControlClicked(int32_t id, bool) {
    if (id == kBrowse) browse();
}

// Lists the recipes of a chosen file; an unreadable file keeps the list.
void GenWriteSRMLAutomationCmd::browse() {
    SPtr<IGuiUtil> files("IGuiUtil");
    const char16_t* chosen = nullptr;
    if (!files || !files->openFileDialog(&chosen, kFilter, u"") || chosen == nullptr) return;
    const TesString path(chosen);
    dialog_->setText(kSrmlPath, path.c_str());
    IPtr<SRML> document(new SRML);
    if (!document->read(path)) {
        showError("Failed to open SRML file");
        return;
    }
    dialog_->clearItems(kRecipeList);
    for (const IPtr<ITesSRMLRecipe>& recipe : document->recipes()) {
        TesString name;
        dialog_->addItem(kRecipeList, recipe->name(name).c_str());
    }
    dialog_->setSelection(kRecipeList, 0);
}

bool GenWriteSRMLAutomationCmd::onOk() {
    const double distance = dialog_->getValue(kDistanceTol);
    const auto angle = static_cast<int32_t>(std::trunc(dialog_->getValue(kAngleTol)));
    const int32_t selected = dialog_->getSelection(kRecipeList);
    const char16_t* recipe = selected >= 0 ? dialog_->itemText(kRecipeList, selected) : u"";
    installScript(srmlAutomationScript(TesString(dialog_->getText(kSrmlPath)), TesString(recipe), distance, angle));
    return true;
}
