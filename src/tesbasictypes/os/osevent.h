// Events of the operating-system layer. A manual-reset event stays signalled
// until reset and releases every waiter; an auto-reset event releases one
// waiter and returns to not signalled.
#pragma once

#include <cstdint>

#include "oswait.h"

struct TesOsEvent;

TesOsEvent* tesOsEventCreate(bool manualReset, bool initiallySignalled);
void tesOsEventClose(TesOsEvent* event);

// False only for a null event.
bool tesOsEventSet(TesOsEvent* event);
bool tesOsEventReset(TesOsEvent* event);

TesOsWait tesOsEventWait(TesOsEvent* event, uint32_t milliseconds);
