#include "osfutexmutex.h"

#include "osfutex.h"
#include "osownedmutex.h"

namespace {

constexpr uint32_t kFree = 0;
constexpr uint32_t kHeld = 1;
constexpr uint32_t kHeldWithSleepers = 2;

void releaseState(TesOsFutexMutex& mutex) {
    if (mutex.state.exchange(kFree, std::memory_order_release) == kHeldWithSleepers) tesOsFutexWake(mutex.state, 1);
}

// The mutexes the calling thread holds; whatever is left when the thread ends
// is released as abandoned, so that the next locker acquires it.
struct HeldMutexes {
    TesOsFutexMutex* first = nullptr;

    void add(TesOsFutexMutex& mutex) {
        mutex.previousHeld = nullptr;
        mutex.nextHeld = first;
        if (first != nullptr) first->previousHeld = &mutex;
        first = &mutex;
    }

    void remove(TesOsFutexMutex& mutex) {
        if (mutex.previousHeld != nullptr) {
            mutex.previousHeld->nextHeld = mutex.nextHeld;
        } else {
            first = mutex.nextHeld;
        }
        if (mutex.nextHeld != nullptr) mutex.nextHeld->previousHeld = mutex.previousHeld;
    }

    ~HeldMutexes() {
        while (first != nullptr) {
            TesOsFutexMutex& mutex = *first;
            remove(mutex);
            mutex.depth = 0;
            mutex.abandoned = true;
            mutex.owner.store(0, std::memory_order_relaxed);
            releaseState(mutex);
        }
    }
};

thread_local HeldMutexes heldMutexes;

// Marks the mutex as slept on and sleeps until it is free; false when the
// time ran out first.
bool acquireContended(TesOsFutexMutex& mutex, uint32_t milliseconds) {
    if (milliseconds == 0) return false;
    const TesOsDeadline deadline = tesOsDeadlineAfter(milliseconds);
    bool timedOut = false;
    while (mutex.state.exchange(kHeldWithSleepers, std::memory_order_acquire) != kFree) {
        if (timedOut) return false;
        timedOut = !tesOsFutexWait(mutex.state, kHeldWithSleepers, deadline);
    }
    return true;
}

TesOsWait takeOwnership(TesOsFutexMutex& mutex, uint64_t self) {
    mutex.depth = 1;
    mutex.owner.store(self, std::memory_order_relaxed);
    heldMutexes.add(mutex);
    if (!mutex.abandoned) return TesOsWait::acquired;
    mutex.abandoned = false;
    return TesOsWait::abandoned;
}

}  // namespace

void tesOsFutexMutexDestroy(TesOsFutexMutex& mutex) {
    if (mutex.owner.load(std::memory_order_relaxed) == tesOsThreadToken()) heldMutexes.remove(mutex);
}

TesOsWait tesOsFutexMutexWait(TesOsFutexMutex& mutex, uint32_t milliseconds) {
    const uint64_t self = tesOsThreadToken();
    if (mutex.owner.load(std::memory_order_relaxed) == self) {
        ++mutex.depth;
        return TesOsWait::acquired;
    }
    uint32_t expected = kFree;
    const bool free = mutex.state.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                                          std::memory_order_relaxed);
    if (!free && !acquireContended(mutex, milliseconds)) return TesOsWait::timeout;
    return takeOwnership(mutex, self);
}

bool tesOsFutexMutexRelease(TesOsFutexMutex& mutex) {
    if (mutex.owner.load(std::memory_order_relaxed) != tesOsThreadToken()) return false;
    if (--mutex.depth > 0) return true;
    heldMutexes.remove(mutex);
    mutex.owner.store(0, std::memory_order_relaxed);
    releaseState(mutex);
    return true;
}
