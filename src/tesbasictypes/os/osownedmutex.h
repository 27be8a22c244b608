// A robust pthread mutex that knows which thread holds it and how often:
// recursion and the owner check happen here, so the pthread mutex is locked
// once per holder and never unlocked by a thread that does not hold it. When
// a holder dies (its thread or its process ends), the next waiter acquires the
// mutex and its wait reports `abandoned`. Internal to os/.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "oswait.h"

struct TesOsOwnedMutex {
    pthread_mutex_t mutex;
    std::atomic<uint64_t> owner{0};  // token of the holding thread, 0 when free
    int32_t depth = 0;               // lock levels of the holder; only it touches this
};

// Initialises a mutex constructed in place (also in shared memory). False when
// the system refuses.
bool tesOsOwnedMutexInit(TesOsOwnedMutex& owned, bool processShared);
void tesOsOwnedMutexDestroy(TesOsOwnedMutex& owned);

TesOsWait tesOsOwnedMutexWait(TesOsOwnedMutex& owned, uint32_t milliseconds);
// False when the calling thread does not hold the mutex.
bool tesOsOwnedMutexRelease(TesOsOwnedMutex& owned);

// A token for the calling thread, never 0: a 64-bit hash of its thread id,
// process id and start time, so that (but for a chance of about 2^-64) it
// differs from the token of any other thread of any process, including an
// earlier thread that had the same ids. Made once per thread and anew in a
// forked child.
uint64_t tesOsThreadToken();
