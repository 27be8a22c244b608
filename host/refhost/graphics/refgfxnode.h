// The graphics node of an object: its display mode and what is drawn with it,
// such as a markers widget's markers.
#pragma once

#include <vector>

#include "hostapi/gfx.h"
#include "iptr.h"

class RefGfxNode : public IGfxNode {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    int32_t displayMode() override { return displayMode_; }
    void setDisplayMode(int32_t mode) override { displayMode_ = mode; }
    // A handle attached twice is drawn once.
    void attach(ITesUnknown* handle, int32_t flags) override;
    void detach(ITesUnknown* handle) override;
    void refresh(int32_t, int32_t) override { ++refreshes_; }

    const std::vector<IPtr<ITesUnknown>>& attached() const { return attached_; }
    int refreshes() const { return refreshes_; }

private:
    int32_t displayMode_ = 0;
    std::vector<IPtr<ITesUnknown>> attached_;
    int refreshes_ = 0;
};
