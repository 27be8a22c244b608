// Settings of the host: the data store read and written by slash-separated
// keys, its change notifications, and the registry of application switches.
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

// "IDataStore". Reads return the default for an absent key. A returned text
// stays valid until the key is written again.
class IDataStore : public virtual ITesUnknown {
public:
    virtual bool getBool(const char* key, bool defaultValue) = 0;
    virtual int32_t getInt(const char* key, int32_t defaultValue) = 0;
    virtual double getDouble(const char* key, double defaultValue) = 0;
    virtual const char16_t* getString(const char* key, const char16_t* defaultValue) = 0;
    // `owner` is the object making the change (it is not notified), or null.
    virtual void setBool(ITesUnknown* owner, const char* key, bool value) = 0;
    virtual void setInt(ITesUnknown* owner, const char* key, int32_t value) = 0;
    virtual void setDouble(ITesUnknown* owner, const char* key, double value) = 0;
    virtual void setString(ITesUnknown* owner, const char* key, const char16_t* value) = 0;
    // The receiver is held (one reference) until removed.
    virtual void addReceiver(const char* key, ITesDataReceiver* receiver) = 0;
    virtual void removeReceiver(const char* key, ITesDataReceiver* receiver) = 0;
};

// "ITesRegistry": application-profile switches.
class ITesRegistry : public virtual ITesUnknown {
public:
    // True when the switch `key` holds exactly `value`.
    virtual bool valueIs(const char* key, const char* value) = 0;
};
