#include "tessemaphore.h"

#include "os/ossemaphore.h"
#include "teswaittime.h"

TesSemaphore::TesSemaphore(int32_t initialCount, int32_t maximumCount)
    : handle_(tesOsSemaphoreCreate(initialCount, maximumCount)) {}

TesSemaphore::~TesSemaphore() { tesOsSemaphoreClose(handle_); }

bool TesSemaphore::release(int32_t count, int32_t* previousCount) {
    return tesOsSemaphoreRelease(handle_, count, previousCount);
}

bool TesSemaphore::wait() { return tesOsSemaphoreWait(handle_, kTesOsInfinite) == TesOsWait::acquired; }

bool TesSemaphore::tryWait() { return tesOsSemaphoreWait(handle_, 0) == TesOsWait::acquired; }

bool TesSemaphore::waitFor(double seconds) {
    return tesOsSemaphoreWait(handle_, tesWaitMilliseconds(seconds)) == TesOsWait::acquired;
}
