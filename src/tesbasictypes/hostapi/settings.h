// Settings of the host: the data store's change notifications.
#pragma once

#include <cstdint>

#include "../tesobject.h"

// Notified by the data store when a value registered for it changes.
class ITesDataReceiver : public virtual ITesUnknown {
public:
    virtual void onBoolChanged(const char* key, bool value) = 0;
    virtual void onIntChanged(const char* key, int32_t value) = 0;
    virtual void onDoubleChanged(const char* key, double value) = 0;
    virtual void onStringChanged(const char* key, const char16_t* value) = 0;
    virtual void onBinaryChanged(const char* key, const void* data, int64_t size) = 0;
    virtual void onRemoved(const char* key) = 0;
    virtual void onStoreReset() = 0;
};
