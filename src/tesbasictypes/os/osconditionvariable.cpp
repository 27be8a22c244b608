#include "osconditionvariable.h"

#include <new>

#include "oswaitlist.h"

struct TesOsConditionVariable {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    TesOsWaitList waiters;
};

namespace {

// Queues the caller before handing the mutex over, so no wake-up falls between.
bool releaseAndPark(TesOsConditionVariable& variable, TesOsMutex* mutex, uint32_t milliseconds, bool& released) {
    TesOsLock hold(variable.lock);
    TesOsWaiter waiter;
    variable.waiters.push(waiter);
    released = tesOsMutexRelease(mutex);
    if (!released) {
        variable.waiters.remove(waiter);
        return false;
    }
    return variable.waiters.park(hold, waiter, tesOsDeadlineAfter(milliseconds));
}

}  // namespace

TesOsConditionVariable* tesOsConditionVariableCreate() { return new (std::nothrow) TesOsConditionVariable; }

void tesOsConditionVariableClose(TesOsConditionVariable* variable) {
    if (variable == nullptr) return;
    pthread_mutex_destroy(&variable->lock);
    delete variable;
}

TesOsWait tesOsConditionVariableWait(TesOsConditionVariable* variable, TesOsMutex* mutex, uint32_t milliseconds) {
    if (variable == nullptr || mutex == nullptr) return TesOsWait::failed;
    bool released = false;
    const bool woken = releaseAndPark(*variable, mutex, milliseconds, released);
    if (!released) return TesOsWait::failed;
    tesOsMutexWait(mutex, kTesOsInfinite);
    return woken ? TesOsWait::acquired : TesOsWait::timeout;
}

void tesOsConditionVariableWake(TesOsConditionVariable* variable) {
    if (variable == nullptr) return;
    TesOsLock hold(variable->lock);
    variable->waiters.grantFirst();
}

void tesOsConditionVariableWakeAll(TesOsConditionVariable* variable) {
    if (variable == nullptr) return;
    TesOsLock hold(variable->lock);
    variable->waiters.grantAll();
}
