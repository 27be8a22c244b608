// Counting semaphores of the operating-system layer. Waiters are served in
// arrival order.
#pragma once

#include <cstdint>

#include "osmutex.h"
#include "oswait.h"

struct TesOsSemaphore;

// Null when initialCount < 0, maximumCount <= 0 or initialCount > maximumCount.
TesOsSemaphore* tesOsSemaphoreCreate(int32_t initialCount, int32_t maximumCount);

void tesOsSemaphoreClose(TesOsSemaphore* semaphore);

// Takes one unit, waiting up to `milliseconds` for one.
TesOsWait tesOsSemaphoreWait(TesOsSemaphore* semaphore, uint32_t milliseconds);

// Adds `count` units. False, and the count unchanged, when count <= 0 or the
// count would pass the maximum. `previousCount` (may be null) receives the
// count before the release.
bool tesOsSemaphoreRelease(TesOsSemaphore* semaphore, int32_t count, int32_t* previousCount);

// Releases `mutex` and waits on `semaphore` as one step: the caller is queued
// on the semaphore before the mutex is free, so a release that follows the
// mutex hand-over always reaches it. Fails without waiting when the caller
// does not hold the mutex.
TesOsWait tesOsSemaphoreReleaseMutexAndWait(TesOsMutex* mutex, TesOsSemaphore* semaphore, uint32_t milliseconds);
