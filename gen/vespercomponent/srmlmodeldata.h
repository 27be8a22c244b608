// The rig's layout: the turntable's pose and each scanner's pose by scanner
// identifier.
#pragma once

#include "hostapi/srml.h"

class SRMLModelData : public ITesSRMLModelData {
public:
    // The identity for the turntable, no scanners, 17 buckets.
    SRMLModelData() : scanners_(kSRMLScannerBuckets) {}

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    TesMatrix& turntableTransform(TesMatrix& out) override;
    void setTurntableTransform(const TesMatrix& transform) override { turntable_ = transform; }
    SRMLScannerMap& scannerTransforms() override { return scanners_; }

private:
    TesMatrix turntable_;
    SRMLScannerMap scanners_;
};
