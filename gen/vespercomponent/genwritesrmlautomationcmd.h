// "Create SRML Automation": the user picks a recipe file, one of its recipes
// and two scanner tolerances; OK generates the automation script that checks
// the rig against the file and scans with the recipe, and installs it in the
// workflow of the reference object.
#pragma once

#include <string>

#include "compbasecmd.h"

class GenWriteSRMLAutomationCmd : public CompBaseCmdInt {
public:
    GenWriteSRMLAutomationCmd();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool isAvailable(ICommandState* state) override;
    void buildDialog(IGuiPanel* panel) override;
    bool start() override;
    void onControlClicked(int32_t id, bool checked) override;
    bool onOk() override;

private:
    void browse();
};

// The script for these values: the template with every backslash of the path
// doubled and the four placeholders replaced in turn. Wide texts go in as
// UTF-8; the distance is written as TesString::number(double) writes it, the
// angle in decimal.
std::string srmlAutomationScript(const TesString& path, const TesString& recipe, double distanceTolerance,
                                 int32_t angleTolerance);
