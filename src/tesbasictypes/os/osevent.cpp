#include "osevent.h"

#include <new>

#include "oswaitlist.h"

struct TesOsEvent {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    bool manualReset = true;
    bool signalled = false;
    TesOsWaitList waiters;
};

TesOsEvent* tesOsEventCreate(bool manualReset, bool initiallySignalled) {
    auto* event = new (std::nothrow) TesOsEvent;
    if (event == nullptr) return nullptr;
    event->manualReset = manualReset;
    event->signalled = initiallySignalled;
    return event;
}

void tesOsEventClose(TesOsEvent* event) {
    if (event == nullptr) return;
    pthread_mutex_destroy(&event->lock);
    delete event;
}

bool tesOsEventSet(TesOsEvent* event) {
    if (event == nullptr) return false;
    TesOsLock hold(event->lock);
    if (event->manualReset) {
        event->signalled = true;
        event->waiters.grantAll();
    } else if (!event->waiters.grantFirst()) {
        event->signalled = true;
    }
    return true;
}

bool tesOsEventReset(TesOsEvent* event) {
    if (event == nullptr) return false;
    TesOsLock hold(event->lock);
    event->signalled = false;
    return true;
}

TesOsWait tesOsEventWait(TesOsEvent* event, uint32_t milliseconds) {
    if (event == nullptr) return TesOsWait::failed;
    TesOsLock hold(event->lock);
    if (event->signalled) {
        if (!event->manualReset) event->signalled = false;
        return TesOsWait::acquired;
    }
    if (milliseconds == 0) return TesOsWait::timeout;
    TesOsWaiter waiter;
    event->waiters.push(waiter);
    const bool granted = event->waiters.park(hold, waiter, tesOsDeadlineAfter(milliseconds));
    return granted ? TesOsWait::acquired : TesOsWait::timeout;
}
