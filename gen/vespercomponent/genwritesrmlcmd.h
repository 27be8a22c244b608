// "Create/Edit SRML": edits a recipe document against the host's rig (the
// object "RefObject": its turntable and scanner coordinate systems). The user
// names recipes and gives each its turntable angles with, per angle, the
// scanners that shoot, their exposure and HDR and a resolution; Save writes a
// ".srml" file and selects what the rows marked "Test Coverage" see, Load
// reads one back and fits it to the rig.
#pragma once

#include <vector>

#include "compbasecmd.h"
#include "hostapi/srml.h"
#include "iptr.h"
#include "srml.h"

class GenWriteSRMLCmd : public CompBaseCmdInt, public virtual IDialogRemover {
public:
    GenWriteSRMLCmd();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool mayRemoveDialog() override { return true; }

    bool isAvailable(ICommandState* state) override;
    void buildDialog(IGuiPanel* panel) override;
    bool start() override;
    void end() override;
    bool onOk() override;
    void onControlClicked(int32_t id, bool checked) override;
    void onTextEdited(int32_t id, const char16_t* text) override;
    void onSelectionChanged(int32_t id, int32_t value) override;

private:
    // Files and recipes (genwritesrmlcmd.cpp).
    bool save();
    void load();
    void newRecipe();
    void deleteRecipe();
    void selectRecipe();
    void refreshRecipeList(int32_t index);
    void rememberFile(const TesString& path);
    void showFileName(const TesString& path);
    ITesSRMLRecipe* currentRecipe();

    // The scanner rows and angles (genwritesrmlscans.cpp).
    void addScannerRows(IGuiPanel* panel);
    void defaultExposureChanged(int32_t value);
    void defaultHdrChanged();
    void addScan();
    void deleteScan();
    void selectAngle(int32_t index);
    void refreshAngleList();
    void evaluateAngle(int32_t value);
    IPtr<ITesSRMLScanAngle> angleFromPanel();
    int32_t wholeValue(int32_t id);

    IPtr<SRML> document_;
    int32_t rowCount_ = 0;
    std::vector<int32_t> rowIds_;  // check box id of row k at k - 1
    bool modified_ = false;
    bool syncing_ = false;
    TesString lastFolder_;
};
