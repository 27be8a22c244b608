// The reference host's settings: typed values by key, per-key receivers, and
// the registry of application switches. Nothing persists beyond the process.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "hostapi/settings.h"
#include "iptr.h"

class RefDataStore : public IDataStore {
public:
    using Value = std::variant<bool, int32_t, double, std::u16string>;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool getBool(const char* key, bool defaultValue) override;
    int32_t getInt(const char* key, int32_t defaultValue) override;
    double getDouble(const char* key, double defaultValue) override;
    const char16_t* getString(const char* key, const char16_t* defaultValue) override;
    void setBool(ITesUnknown* owner, const char* key, bool value) override;
    void setInt(ITesUnknown* owner, const char* key, int32_t value) override;
    void setDouble(ITesUnknown* owner, const char* key, double value) override;
    void setString(ITesUnknown* owner, const char* key, const char16_t* value) override;
    void addReceiver(const char* key, ITesDataReceiver* receiver) override;
    void removeReceiver(const char* key, ITesDataReceiver* receiver) override;

    const std::map<std::string, Value>& values() const { return values_; }
    // Sets `key` only when it has no value yet, without notifying anyone.
    void seed(const std::string& key, Value value) { values_.emplace(key, std::move(value)); }
    // Called after every write, e.g. to save the settings file.
    void onWritten(std::function<void()> callback) { written_ = std::move(callback); }
    // Every write in order, as "key = value" lines, for session transcripts.
    const std::vector<std::string>& writeLog() const { return writeLog_; }

private:
    void store(ITesUnknown* owner, const char* key, Value value);
    void notify(ITesUnknown* owner, const std::string& key, const Value& value);

    std::map<std::string, Value> values_;
    std::multimap<std::string, IPtr<ITesDataReceiver>> receivers_;
    std::vector<std::string> writeLog_;
    std::function<void()> written_;
};

// Prints a setting value the way transcripts show it.
std::string refFormatSetting(const RefDataStore::Value& value);

class RefRegistry : public ITesRegistry {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    bool valueIs(const char* key, const char* value) override;

    void set(const std::string& key, const std::string& value) { values_[key] = value; }
    const std::map<std::string, std::string>& values() const { return values_; }

private:
    std::map<std::string, std::string> values_;
};
