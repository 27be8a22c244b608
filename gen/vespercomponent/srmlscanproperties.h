// A scanner's exposure and HDR in a recipe, plus the test-coverage flag that
// the recipe editor sets and the camera selection reads (never stored in files).
#pragma once

#include "hostapi/srml.h"

class SRMLScanProperties : public ITesSRMLScanProperties {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t exposure() override { return exposure_; }
    void setExposure(int32_t exposure) override { exposure_ = exposure; }
    int32_t hdr() override { return hdr_; }
    void setHdr(int32_t hdr) override { hdr_ = hdr; }

    uint8_t flag() const { return flag_; }
    void setFlag(uint8_t flag) { flag_ = flag; }

private:
    int32_t exposure_ = -1;
    int32_t hdr_ = -1;
    uint8_t flag_ = 0;
};

// Equal exposure and equal HDR; two nulls are equal, a null and an object not.
bool sameScanProperties(ITesSRMLScanProperties* a, ITesSRMLScanProperties* b);
