// Mutexes of the operating-system layer: owned by the thread that acquired
// them, recursive, and passed on (as `abandoned`) when their holder ends
// without releasing them, like the kernel mutexes the library was written
// for. A handle is null when the mutex could not be created or opened.
#pragma once

#include <cstdint>

#include "oswait.h"

struct TesOsMutex;

TesOsMutex* tesOsMutexCreate();

// A mutex shared between processes by name (see ossharedmutex.h): creates it
// or opens the one that exists. An inheritable handle stays open across exec.
// Null when the name is null or empty or the system refuses.
TesOsMutex* tesOsMutexCreateNamed(const char* name, bool inheritable);

// Opens an existing named mutex; null when there is none by that name.
TesOsMutex* tesOsMutexOpenNamed(const char* name);

// Closing does not release a mutex the caller holds. Null is ignored.
void tesOsMutexClose(TesOsMutex* mutex);

// Waits up to `milliseconds` (kTesOsInfinite, or 0 to poll).
TesOsWait tesOsMutexWait(TesOsMutex* mutex, uint32_t milliseconds);

// Releases one level of ownership; false when the caller does not hold it.
bool tesOsMutexRelease(TesOsMutex* mutex);
