// Condition variables of the operating-system layer; they wait with any
// mutex of the layer, named ones included.
#pragma once

#include <cstdint>

#include "osmutex.h"
#include "oswait.h"

struct TesOsConditionVariable;

TesOsConditionVariable* tesOsConditionVariableCreate();
void tesOsConditionVariableClose(TesOsConditionVariable* variable);

// Releases `mutex` (held once by the caller) and waits for a wake-up as one
// step, then takes the mutex again without time limit. `acquired` when woken,
// `timeout` when the limit passed first; `failed`, without waiting, when the
// caller does not hold the mutex.
TesOsWait tesOsConditionVariableWait(TesOsConditionVariable* variable, TesOsMutex* mutex, uint32_t milliseconds);

// Wake the longest waiting thread, or all; nothing happens without waiters.
void tesOsConditionVariableWake(TesOsConditionVariable* variable);
void tesOsConditionVariableWakeAll(TesOsConditionVariable* variable);
