// Builds an enumeration context the way a host does and collects its entries.
#pragma once

#include <string>
#include <vector>

#include "servicelookup.h"

struct EnumeratedName {
    std::string name;
    int isClass;
    std::string owner;
    bool operator==(const EnumeratedName&) const = default;
};

class EnumerationContext {
public:
    EnumerationContext() { context_ = TesEnumContext{&stack_, &entries_, nullptr, 0, 0, 0, nullptr, 0}; }
    ~EnumerationContext() {
        tesEnumContextFree(&context_);
        for (TesEnumStopNode* node : nodes_) delete node;
        delete[] buckets_;
    }
    EnumerationContext(const EnumerationContext&) = delete;
    EnumerationContext& operator=(const EnumerationContext&) = delete;

    void setStopSet(const std::vector<const char*>& names, uint32_t bucketCount) {
        buckets_ = new TesEnumStopNode*[bucketCount]();
        for (const char* name : names) {
            const uint32_t bucket = tesStringHash(name) % bucketCount;
            nodes_.push_back(new TesEnumStopNode{name, buckets_[bucket]});
            buckets_[bucket] = nodes_.back();
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
            const TesEnumEntry& entry = entries_.items[i];
            result.push_back({entry.name, entry.isClass, entry.owner});
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
    TesEnumContext context_{};
};
