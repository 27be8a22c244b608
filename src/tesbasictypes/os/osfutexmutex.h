// The mutex of one process: owned by the thread that acquired it, recursive,
// and passed on as `abandoned` when its holder thread ends without releasing
// it. Taking it free is one compare-exchange and releasing it one exchange; a
// thread that finds it held sleeps on a futex until the holder lets go.
// Each thread keeps a list of the mutexes it holds and releases them as it
// ends. Internal to os/.
#pragma once

#include <atomic>
#include <cstdint>

#include "oswait.h"

struct TesOsFutexMutex {
    std::atomic<uint32_t> state{0};  // 0 free, 1 held, 2 held and a thread may be asleep on it
    std::atomic<uint64_t> owner{0};  // token of the holding thread (tesOsThreadToken), 0 when free
    int32_t depth = 0;               // lock levels of the holder; only it touches this
    bool abandoned = false;          // set by an ending holder, cleared by the next one
    TesOsFutexMutex* previousHeld = nullptr;  // the holder's list of held mutexes
    TesOsFutexMutex* nextHeld = nullptr;
};

// Drops a mutex the caller still holds from its list; a mutex must not be
// destroyed while another thread holds it.
void tesOsFutexMutexDestroy(TesOsFutexMutex& mutex);

TesOsWait tesOsFutexMutexWait(TesOsFutexMutex& mutex, uint32_t milliseconds);
// False when the calling thread does not hold the mutex.
bool tesOsFutexMutexRelease(TesOsFutexMutex& mutex);
