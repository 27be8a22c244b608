#include "infrastructure/refdatastore.h"

#include <cstdio>

#include "queryinterface.h"
#include "session/reflines.h"
#include "infrastructure/reftext.h"

namespace {
constexpr const char* kDataStoreClass = "RefDataStore";
constexpr const char* kRegistryClass = "RefRegistry";

// Numbers convert into each other; a text or a missing key gives the default.
template <class T>
T numberOr(const RefDataStore::Value* value, T defaultValue) {
    if (value == nullptr) return defaultValue;
    if (const auto* b = std::get_if<bool>(value)) return static_cast<T>(*b);
    if (const auto* i = std::get_if<int32_t>(value)) return static_cast<T>(*i);
    if (const auto* d = std::get_if<double>(value)) return static_cast<T>(*d);
    return defaultValue;
}
}  // namespace

void RefDataStore::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kDataStoreClass, this, this, {{"IDataStore", static_cast<IDataStore*>(this)}}});
}

const char* RefDataStore::className() const { return kDataStoreClass; }

bool RefDataStore::getBool(const char* key, bool defaultValue) {
    auto found = values_.find(key != nullptr ? key : "");
    return numberOr(found != values_.end() ? &found->second : nullptr, defaultValue);
}

int32_t RefDataStore::getInt(const char* key, int32_t defaultValue) {
    auto found = values_.find(key != nullptr ? key : "");
    return numberOr(found != values_.end() ? &found->second : nullptr, defaultValue);
}

double RefDataStore::getDouble(const char* key, double defaultValue) {
    auto found = values_.find(key != nullptr ? key : "");
    return numberOr(found != values_.end() ? &found->second : nullptr, defaultValue);
}

const char16_t* RefDataStore::getString(const char* key, const char16_t* defaultValue) {
    auto found = values_.find(key != nullptr ? key : "");
    if (found == values_.end()) return defaultValue;
    const auto* text = std::get_if<std::u16string>(&found->second);
    return text != nullptr ? text->c_str() : defaultValue;
}

void RefDataStore::setBool(ITesUnknown* owner, const char* key, bool value) { store(owner, key, value); }

void RefDataStore::setInt(ITesUnknown* owner, const char* key, int32_t value) { store(owner, key, value); }

void RefDataStore::setDouble(ITesUnknown* owner, const char* key, double value) { store(owner, key, value); }

void RefDataStore::setString(ITesUnknown* owner, const char* key, const char16_t* value) {
    store(owner, key, std::u16string(value != nullptr ? value : u""));
}

void RefDataStore::addReceiver(const char* key, ITesDataReceiver* receiver) {
    if (key != nullptr && receiver != nullptr) receivers_.emplace(key, receiver);
}

void RefDataStore::removeReceiver(const char* key, ITesDataReceiver* receiver) {
    if (key == nullptr) return;
    auto [first, last] = receivers_.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (it->second.get() == receiver) {
            receivers_.erase(it);
            return;
        }
    }
}

void RefDataStore::store(ITesUnknown* owner, const char* key, Value value) {
    if (key == nullptr) return;
    writeLog_.push_back(std::string(key) + " = " + refFormatSetting(value));
    values_[key] = value;
    if (written_) written_();
    notify(owner, key, value);
}

void RefDataStore::notify(ITesUnknown* owner, const std::string& key, const Value& value) {
    std::vector<ITesDataReceiver*> targets;
    auto [first, last] = receivers_.equal_range(key);
    for (auto it = first; it != last; ++it) targets.push_back(it->second.get());
    for (ITesDataReceiver* receiver : targets) {
        if (static_cast<ITesUnknown*>(receiver) == owner) continue;
        if (const auto* b = std::get_if<bool>(&value)) receiver->onBoolChanged(key.c_str(), *b);
        if (const auto* i = std::get_if<int32_t>(&value)) receiver->onIntChanged(key.c_str(), *i);
        if (const auto* d = std::get_if<double>(&value)) receiver->onDoubleChanged(key.c_str(), *d);
        if (const auto* s = std::get_if<std::u16string>(&value)) receiver->onStringChanged(key.c_str(), s->c_str());
    }
}

std::string refFormatSetting(const RefDataStore::Value& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
    if (const auto* i = std::get_if<int32_t>(&value)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) return refFormatDouble(*d);
    return refQuote(refUtf8(std::get<std::u16string>(value)));
}

void RefRegistry::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kRegistryClass, this, this, {{"ITesRegistry", static_cast<ITesRegistry*>(this)}}});
}

const char* RefRegistry::className() const { return kRegistryClass; }

bool RefRegistry::valueIs(const char* key, const char* value) {
    if (key == nullptr || value == nullptr) return false;
    auto found = values_.find(key);
    return found != values_.end() && found->second == value;
}
