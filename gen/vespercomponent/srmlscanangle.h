// One turntable angle of a recipe: its resolution and the scanners that shoot
// there, each with its own properties.
#pragma once

#include "hostapi/srml.h"

class SRMLScanAngle : public ITesSRMLScanAngle {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t angle() override { return angle_; }
    void setAngle(int32_t angle) override { angle_ = angle; }
    int32_t resolution() override { return resolution_; }
    void setResolution(int32_t resolution) override { resolution_ = resolution; }
    SRMLScannerIds& scanners() override { return scanners_; }
    SRMLScanPropertiesList& scannerProperties() override { return properties_; }

private:
    int32_t angle_ = 0;
    int32_t resolution_ = kSRMLResolutionLow;
    SRMLScannerIds scanners_;
    SRMLScanPropertiesList properties_;
};

// Equal angle, resolution and list lengths, and at every index the same
// scanner with the same properties (sameScanProperties). The recipe editor
// uses it to tell whether the panel changed an angle.
bool sameScanAngle(ITesSRMLScanAngle* a, ITesSRMLScanAngle* b);
