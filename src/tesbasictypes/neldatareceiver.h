// A data receiver that ignores every notification; derive from it and override
// the notifications of interest.
#pragma once

#include "hostapi/settings.h"

class NelDataReceiver : public ITesDataReceiver {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void onBoolChanged(const char* key, bool value) override;
    void onIntChanged(const char* key, int32_t value) override;
    void onDoubleChanged(const char* key, double value) override;
    void onStringChanged(const char* key, const char16_t* value) override;
    void onBinaryChanged(const char* key, const void* data, int64_t size) override;
    void onRemoved(const char* key) override;
    void onStoreReset() override;
};
