// Process-wide access to the host: the component manager, the service lookup
// every SPtr goes through (with the test-service override), the identity the
// component reports, and the enumeration step of queryInterface.
#pragma once

#include <cstdint>

#include "classid.h"
#include "hostapi/component.h"

// Null until a component is initialised.
ITesComponentManager* tesComponentManager();
void tesSetComponentManager(ITesComponentManager* manager);

// When not empty, lookups ask the component of this name first.
const char* tesTestServiceName();
void tesSetTestServiceName(const char* name);

// Name and identifier written into identity records of an enumeration.
void tesSetComponentIdentity(const char* name, const TesClassId& id);
const char* tesComponentName();
const TesClassId& tesComponentId();

// 1 when a service was stored in *out; *out is untouched otherwise.
int32_t tesGetService(const char* interfaceName, void** out);

// The hash of 8-bit names: djb2 over signed bytes, 32-bit unsigned arithmetic.
// A null string hashes to 0.
uint32_t tesStringHash(const char* text);

// One step of an enumeration: reports `name` (a class when isClass is 1).
void tesEnumerateName(const char* name, int32_t isClass, TesEnumContext* context);

// Releases the arrays an enumeration grew and empties them.
void tesEnumContextFree(TesEnumContext* context);
