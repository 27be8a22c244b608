// Object-model tests: an enumeration context built the way a host builds one,
// and small classes with several interfaces and a base class.
#pragma once

#include <string>
#include <vector>

#include "queryinterface.h"
#include "servicelookup.h"
#include "tesobject.h"

struct EnumeratedName {
    std::string name;
    int isClass;
    std::string owner;
    bool operator==(const EnumeratedName&) const = default;
};

class EnumerationContext {
public:
    EnumerationContext() = default;
    EnumerationContext(const EnumerationContext&) = delete;
    EnumerationContext& operator=(const EnumerationContext&) = delete;
    ~EnumerationContext() {
        tesEnumContextFree(&context_);
        for (TesEnumStopNode* node : nodes_) delete node;
        delete[] buckets_;
    }

    // The names whose report stops the enumeration, hashed into `bucketCount` chains.
    void setStopSet(const std::vector<const char*>& names, uint32_t bucketCount) {
        buckets_ = new TesEnumStopNode*[bucketCount]();
        for (const char* name : names) {
            TesEnumStopNode*& head = buckets_[tesStringHash(name) % bucketCount];
            head = nodes_.emplace_back(new TesEnumStopNode{name, head});
        }
        context_.stopBuckets = buckets_;
        context_.stopBucketCount = bucketCount;
        context_.stopCount = static_cast<uint32_t>(names.size());
    }
    void setIdentity(TesIdentityRecord* record) { context_.identity = record; }

    void enumerate(ITesUnknown* object) { object->queryInterface(nullptr, reinterpret_cast<void**>(&context_)); }

    std::vector<EnumeratedName> entries() const {
        std::vector<EnumeratedName> result;
        for (int32_t i = 0; i < entries_.count; ++i) {
            result.push_back({entries_.items[i].name, entries_.items[i].isClass, entries_.items[i].owner});
        }
        return result;
    }
    int32_t stackDepth() const { return stack_.count; }
    bool stopped() const { return context_.stopped != 0; }

private:
    TesEnumStrings stack_{nullptr, 0, 0};
    TesEnumEntries entries_{nullptr, 0, 0};
    TesEnumStopNode** buckets_ = nullptr;
    std::vector<TesEnumStopNode*> nodes_;
    TesEnumContext context_{&stack_, &entries_, nullptr, 0, 0, 0, nullptr, 0};
};

class ITestAlpha : public virtual ITesUnknown {};
class ITestBeta : public virtual ITesUnknown {};
class ITestGamma : public virtual ITesUnknown {};

// Counts destructions so tests can see exactly when an object goes.
class TestMulti : public ITestAlpha, public ITestBeta {
public:
    explicit TestMulti(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~TestMulti() override {
        if (destroyed_ != nullptr) ++*destroyed_;
    }
    void queryInterface(const char* name, void** out) override {
        ITestAlpha* alpha = this;
        ITestBeta* beta = this;
        tesAnswerQuery(name, out, {"TestMulti", this, alpha, {{"ITestAlpha", alpha}, {"ITestBeta", beta}}});
    }
    const char* className() const override { return "TestMulti"; }

private:
    int* destroyed_;
};

// A derived class: its own names first, then the base's answers.
class TestDerived : public TestMulti, public ITestGamma {
public:
    using TestMulti::TestMulti;
    void queryInterface(const char* name, void** out) override {
        ITestGamma* gamma = this;
        if (tesAnswerQuery(name, out, {"TestDerived", this, gamma, {{"ITestGamma", gamma}}})) return;
        TestMulti::queryInterface(name, out);
    }
    const char* className() const override { return "TestDerived"; }
};
