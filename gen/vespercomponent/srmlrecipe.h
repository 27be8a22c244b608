// A named working recipe: default scanner properties and a list of turntable
// angles.
#pragma once

#include "hostapi/srml.h"

class SRMLRecipe : public ITesSRMLRecipe {
public:
    // Default properties (-1, -1), no angles, an empty name.
    SRMLRecipe();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    ITesSRMLScanProperties* defaultProperties() override { return defaults_.get(); }
    void setDefaultProperties(ITesSRMLScanProperties* properties) override { defaults_ = properties; }
    SRMLAngleList& angles() override { return angles_; }
    TesString& name(TesString& out) override;
    void setName(const TesString& name) override { name_ = name; }
    void sortAngles() override;

    // Sets the name; with `withDefaults` also the default exposure 70 and HDR 0
    // that a recipe made in the editor starts with.
    void rename(const TesString& name, bool withDefaults);

private:
    IPtr<ITesSRMLScanProperties> defaults_;
    SRMLAngleList angles_;
    TesString name_;
};
