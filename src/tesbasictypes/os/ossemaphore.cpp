#include "ossemaphore.h"

#include <new>

#include "oswaitlist.h"

struct TesOsSemaphore {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    int32_t count = 0;
    int32_t maximum = 0;
    TesOsWaitList waiters;
};

namespace {

// With the lock held: takes a unit when one is free and nobody queued first.
bool takeFree(TesOsSemaphore& semaphore) {
    if (semaphore.count == 0 || !semaphore.waiters.empty()) return false;
    --semaphore.count;
    return true;
}

TesOsWait parkQueued(TesOsSemaphore& semaphore, TesOsLock& hold, TesOsWaiter& waiter, uint32_t milliseconds) {
    const bool granted = semaphore.waiters.park(hold, waiter, tesOsDeadlineAfter(milliseconds));
    return granted ? TesOsWait::acquired : TesOsWait::timeout;
}

}  // namespace

TesOsSemaphore* tesOsSemaphoreCreate(int32_t initialCount, int32_t maximumCount) {
    if (initialCount < 0 || maximumCount <= 0 || initialCount > maximumCount) return nullptr;
    auto* semaphore = new (std::nothrow) TesOsSemaphore;
    if (semaphore == nullptr) return nullptr;
    semaphore->count = initialCount;
    semaphore->maximum = maximumCount;
    return semaphore;
}

void tesOsSemaphoreClose(TesOsSemaphore* semaphore) {
    if (semaphore == nullptr) return;
    pthread_mutex_destroy(&semaphore->lock);
    delete semaphore;
}

TesOsWait tesOsSemaphoreWait(TesOsSemaphore* semaphore, uint32_t milliseconds) {
    if (semaphore == nullptr) return TesOsWait::failed;
    TesOsLock hold(semaphore->lock);
    if (takeFree(*semaphore)) return TesOsWait::acquired;
    if (milliseconds == 0) return TesOsWait::timeout;
    TesOsWaiter waiter;
    semaphore->waiters.push(waiter);
    return parkQueued(*semaphore, hold, waiter, milliseconds);
}

bool tesOsSemaphoreRelease(TesOsSemaphore* semaphore, int32_t count, int32_t* previousCount) {
    if (semaphore == nullptr || count <= 0) return false;
    TesOsLock hold(semaphore->lock);
    if (count > semaphore->maximum - semaphore->count) return false;
    if (previousCount != nullptr) *previousCount = semaphore->count;
    semaphore->count += count;
    while (semaphore->count > 0 && semaphore->waiters.grantFirst()) --semaphore->count;
    return true;
}

TesOsWait tesOsSemaphoreReleaseMutexAndWait(TesOsMutex* mutex, TesOsSemaphore* semaphore, uint32_t milliseconds) {
    if (mutex == nullptr || semaphore == nullptr) return TesOsWait::failed;
    TesOsLock hold(semaphore->lock);
    if (takeFree(*semaphore)) {
        if (tesOsMutexRelease(mutex)) return TesOsWait::acquired;
        ++semaphore->count;
        return TesOsWait::failed;
    }
    TesOsWaiter waiter;
    semaphore->waiters.push(waiter);
    if (!tesOsMutexRelease(mutex)) {
        semaphore->waiters.remove(waiter);
        return TesOsWait::failed;
    }
    if (milliseconds == 0) {
        semaphore->waiters.remove(waiter);
        return TesOsWait::timeout;
    }
    return parkQueued(*semaphore, hold, waiter, milliseconds);
}
