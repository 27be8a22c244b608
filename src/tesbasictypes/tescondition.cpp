#include "tescondition.h"

#include <cstdlib>

#include "os/oscriticalsection.h"
#include "os/osevent.h"
#include "os/ossemaphore.h"
#include "tesmutex.h"
#include "teswaittime.h"

namespace {

constexpr const char* kSpinCountVariable = "TES_SPIN_COUNT";
constexpr int32_t kDefaultSpinCount = -1;
constexpr int32_t kSemaphoreMaximum = 0x7FFFFFFF;
constexpr int kDecimal = 10;

// The leading integer of `text` as C atoi reads it, clamped to 32 bits where
// atoi would be undefined.
int32_t leadingInteger(const char* text) {
    const long value = std::strtol(text, nullptr, kDecimal);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t readSpinCount() {
    const char* value = std::getenv(kSpinCountVariable);
    return value != nullptr ? leadingInteger(value) : kDefaultSpinCount;
}

}  // namespace

int32_t tesSpinCount() {
    static const int32_t spinCount = readSpinCount();
    return spinCount;
}

TesCondition::TesCondition() {
    semaphore_ = tesOsSemaphoreCreate(0, kSemaphoreMaximum);
    section_ = tesOsCriticalSectionCreate(tesSpinCount());
    waitersDone_ = tesOsEventCreate(false, false);
}

TesCondition::~TesCondition() {
    tesOsEventClose(waitersDone_);
    tesOsCriticalSectionClose(section_);
    tesOsSemaphoreClose(semaphore_);
    waiters_ = 0;
    broadcasting_ = false;
}

bool TesCondition::isNull() const {
    return section_ == nullptr || semaphore_ == nullptr || waitersDone_ == nullptr;
}

int32_t TesCondition::spinCount() const { return tesOsCriticalSectionSpinCount(section_); }

void TesCondition::enter() { tesOsCriticalSectionEnter(section_); }

void TesCondition::leave() { tesOsCriticalSectionLeave(section_); }

bool TesCondition::wait(TesMutex& held) { return waitMilliseconds(held, kTesOsInfinite); }

bool TesCondition::waitFor(TesMutex& held, double seconds) {
    return waitMilliseconds(held, tesWaitMilliseconds(seconds));
}

bool TesCondition::waitMilliseconds(TesMutex& held, uint32_t milliseconds) {
    if (isNull() || held.isNull()) return false;
    enter();
    ++waiters_;
    leave();
    TesOsWait woken = tesOsSemaphoreReleaseMutexAndWait(held.handle(), semaphore_, milliseconds);
    if (woken == TesOsWait::failed) {
        held.unlock();
        woken = tesOsSemaphoreWait(semaphore_, milliseconds);
    }
    enter();
    --waiters_;
    const bool lastOfBroadcast = broadcasting_ && waiters_ == 0;
    leave();
    // Mutex waits are not served in arrival order, so setting the event before
    // waiting for the mutex gives the broadcaster the same guarantees as doing
    // both as one step.
    if (lastOfBroadcast) tesOsEventSet(waitersDone_);
    held.lock();
    return woken == TesOsWait::acquired;
}

void TesCondition::signal() {
    if (isNull()) return;
    enter();
    const bool haveWaiters = waiters_ > 0;
    leave();
    if (haveWaiters) tesOsSemaphoreRelease(semaphore_, 1, nullptr);
}

void TesCondition::broadcast() {
    if (isNull()) return;
    enter();
    const int32_t waiting = waiters_;
    broadcasting_ = waiting > 0 && tesOsSemaphoreRelease(semaphore_, waiting, nullptr);
    const bool released = broadcasting_;
    leave();
    if (!released) return;
    tesOsEventWait(waitersDone_, kTesOsInfinite);
    enter();
    broadcasting_ = false;
    leave();
}
