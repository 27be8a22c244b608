// The contract between a component and the host that loads it: the exported
// entry point, the component object's two interfaces, the host's component
// manager, and the context of an interface enumeration.
#pragma once

#include <cstdint>

#include "../classid.h"
#include "../tesobject.h"

class ITesClcBinary;

// An object that hands out services by interface name. The stored pointer is the
// service's face for that name and carries no reference for the caller.
class ITesServiceProvider : public virtual ITesUnknown {
public:
    // 1 when a service was stored in *out.
    virtual int32_t getService(const char* interfaceName, void** out) = 0;
};

// The host's component manager, as the component calls it.
class ITesComponentManager : public virtual ITesUnknown {
public:
    // Lets the host create `classId` when someone asks for `interfaceName`.
    virtual int32_t registerServiceClass(const char* interfaceName, const TesClassId* classId) = 0;
    // 1 when a service was stored in *out (no reference added).
    virtual int32_t getService(const char* interfaceName, void** out) = 0;
    virtual const char* statusText() = 0;
    virtual void atomicIncrement(uint32_t* count) = 0;
    // True when the count reached zero.
    virtual bool atomicDecrement(uint32_t* count) = 0;
    // A loaded component by name, or null. `reserved` is 0.
    virtual ITesServiceProvider* getComponent(const char* name, int32_t reserved) = 0;
};

// Receives the component's self tests from runTests.
class ITesTestCallback : public virtual ITesUnknown {
public:
    virtual void runTest(const char* name, bool (*test)()) = 0;
};

class ITesComponent : public virtual ITesUnknown {
public:
    // Stores the manager before anything else, then registers the classes.
    virtual bool initialize(ITesComponentManager* manager, void* reserved) = 0;
    virtual bool terminate() = 0;
    // 1 when the class exists; *out is the new object (count 0) or null.
    virtual int32_t createInstance(const TesClassId& classId, ITesUnknown** out) = 0;
    virtual const char* version() = 0;
    virtual ITesClcBinary* descriptor() = 0;
};

class ITesCompInternal : public virtual ITesUnknown {
public:
    virtual void reservedSlot0() = 0;
    virtual void reservedSlot1() = 0;
    virtual const TesClassId* componentId() = 0;
    virtual const char* componentName() = 0;
    virtual void* reservedSlot4() = 0;
    virtual int32_t classCount() = 0;
    // Enumeration over one process-wide cursor: first, then next until false.
    virtual bool firstClassId(TesClassId* out) = 0;
    virtual bool nextClassId(TesClassId* out) = 0;
    // Null for an unknown identifier.
    virtual const char* classNameOf(const TesClassId& classId) = 0;
    virtual bool reservedSlot9() = 0;
    virtual void runTests(ITesTestCallback* callback) = 0;
    virtual void setTestServiceName(const char* name) = 0;
    virtual const char* testServiceName() = 0;
    virtual void setBreakEnabled(bool enabled) = 0;
    virtual bool breakEnabled() = 0;
};

// The one exported function of a component library. Returns 1 and stores the
// component object and the interface version, or returns 0.
extern "C" {
using TesEntryPointFn = int32_t (*)(uint32_t* version, ITesComponent** component);
}
inline constexpr const char* kTesEntryPointName = "EntryPoint";

// --- Interface enumeration -------------------------------------------------
// The host builds the context and passes it as the out argument of
// queryInterface with a null name. Arrays grow with the C allocator; the
// builder releases them with tesEnumContextFree.

struct TesEnumStrings {
    const char** items;
    int32_t count;
    int32_t capacity;
};

struct TesEnumEntry {
    const char* name;
    int32_t isClass;    // 1 for a concrete class name, 0 for an interface name
    const char* owner;  // the class on top of the class stack when added, or ""
};

struct TesEnumEntries {
    TesEnumEntry* items;
    int32_t count;
    int32_t capacity;
};

struct TesEnumStopNode {
    const char* name;
    TesEnumStopNode* next;
};

struct TesIdentityRecord {
    const char* componentName;
    const char* testServiceName;
    TesClassId componentId;
};

struct TesEnumContext {
    TesEnumStrings* classStack;
    TesEnumEntries* entries;
    TesEnumStopNode** stopBuckets;  // null for no stop set
    uint32_t stopBucketCount;
    uint32_t stopCount;
    uint64_t reserved;
    TesIdentityRecord* identity;  // when set, only the identity is filled
    uint8_t stopped;
};
