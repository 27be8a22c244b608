#include "servicelookup.h"

#include <cstdlib>
#include <cstring>

namespace {

struct Identity {
    ITesComponentManager* manager = nullptr;
    char* testServiceName = nullptr;  // a std::malloc'd copy; null reads as ""
    const char* componentName = "";
    TesClassId componentId{};
};

// Trivially destroyed and set up before any code runs, so counting and lookups
// work from load to unload and through process exit, and unloading leaves
// nothing behind.
constinit Identity identityValue;

Identity& identity() { return identityValue; }

const char* testServiceNameOf(const Identity& value) {
    return value.testServiceName != nullptr ? value.testServiceName : "";
}

// Grows a C array by the library's doubling; the context's owner frees it.
template <class T>
bool appendItem(T*& items, int32_t& count, int32_t& capacity, const T& item) {
    if (count >= capacity) {
        const int32_t newCapacity = capacity < 4 ? 4 : capacity * 2;
        void* grown = std::realloc(items, sizeof(T) * static_cast<size_t>(newCapacity));
        if (grown == nullptr) return false;
        items = static_cast<T*>(grown);
        capacity = newCapacity;
    }
    items[count++] = item;
    return true;
}

bool inStopSet(const TesEnumContext& context, const char* name) {
    if (context.stopBuckets == nullptr || context.stopBucketCount == 0) return false;
    const uint32_t bucket = tesStringHash(name) % context.stopBucketCount;
    for (TesEnumStopNode* node = context.stopBuckets[bucket]; node != nullptr; node = node->next) {
        if (std::strcmp(node->name, name) == 0) return true;
    }
    return false;
}

void fillIdentity(TesIdentityRecord& record) {
    if (record.componentName != nullptr) return;
    record.componentName = identity().componentName;
    record.testServiceName = testServiceNameOf(identity());
    record.componentId = identity().componentId;
}

}  // namespace

ITesComponentManager* tesComponentManager() { return identity().manager; }

void tesSetComponentManager(ITesComponentManager* manager) { identity().manager = manager; }

const char* tesTestServiceName() { return testServiceNameOf(identity()); }

void tesSetTestServiceName(const char* name) {
    char* copy = nullptr;
    if (name != nullptr && name[0] != '\0') {
        const size_t bytes = std::strlen(name) + 1;
        copy = static_cast<char*>(std::malloc(bytes));
        if (copy == nullptr) return;
        std::memcpy(copy, name, bytes);
    }
    std::free(identity().testServiceName);
    identity().testServiceName = copy;
}

void tesSetComponentIdentity(const char* name, const TesClassId& id) {
    identity().componentName = name;
    identity().componentId = id;
}

const char* tesComponentName() { return identity().componentName; }

const TesClassId& tesComponentId() { return identity().componentId; }

int32_t tesGetService(const char* interfaceName, void** out) {
    ITesComponentManager* manager = identity().manager;
    if (manager == nullptr) return 0;
    if (const char* testService = identity().testServiceName) {
        ITesServiceProvider* testComponent = manager->getComponent(testService, 0);
        if (testComponent != nullptr && testComponent->getService(interfaceName, out) == 1) return 1;
    }
    return manager->getService(interfaceName, out);
}

void tesEnumerateName(const char* name, int32_t isClass, TesEnumContext* context) {
    if (context->identity != nullptr) {
        fillIdentity(*context->identity);
        return;
    }
    if (!context->stopped && inStopSet(*context, name)) context->stopped = 1;
    TesEnumEntries& entries = *context->entries;
    TesEnumStrings& stack = *context->classStack;
    if (context->stopped) {
        entries.count = 0;
        stack.count = 0;
        return;
    }
    const char* owner = stack.count > 0 ? stack.items[stack.count - 1] : "";
    if (!appendItem(entries.items, entries.count, entries.capacity, TesEnumEntry{name, isClass, owner})) return;
    if (isClass == 1) appendItem(stack.items, stack.count, stack.capacity, name);
}

void tesEnumContextFree(TesEnumContext* context) {
    std::free(context->entries->items);
    *context->entries = TesEnumEntries{nullptr, 0, 0};
    std::free(context->classStack->items);
    *context->classStack = TesEnumStrings{nullptr, 0, 0};
}
