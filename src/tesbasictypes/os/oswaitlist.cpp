#include "oswaitlist.h"

#include "osfutex.h"
#include "oswait.h"

namespace {
constexpr long kNanosPerSecond = 1000000000L;
constexpr uint32_t kMillisPerSecond = 1000;
constexpr long kNanosPerMilli = 1000000L;

timespec clockAfter(clockid_t clock, uint32_t milliseconds) {
    timespec now{};
    clock_gettime(clock, &now);
    now.tv_sec += static_cast<time_t>(milliseconds / kMillisPerSecond);
    now.tv_nsec += static_cast<long>(milliseconds % kMillisPerSecond) * kNanosPerMilli;
    if (now.tv_nsec >= kNanosPerSecond) {
        now.tv_nsec -= kNanosPerSecond;
        ++now.tv_sec;
    }
    return now;
}
}  // namespace

TesOsDeadline tesOsDeadlineAfter(uint32_t milliseconds) {
    TesOsDeadline deadline;
    if (milliseconds != kTesOsInfinite) {
        deadline.unlimited = false;
        deadline.at = clockAfter(CLOCK_MONOTONIC, milliseconds);
    }
    return deadline;
}

timespec tesOsRealtimeAfter(uint32_t milliseconds) { return clockAfter(CLOCK_REALTIME, milliseconds); }

void TesOsWaitList::push(TesOsWaiter& waiter) {
    waiter.granted_.store(0, std::memory_order_relaxed);
    waiter.next_ = nullptr;
    waiter.previous_ = tail_;
    if (tail_ != nullptr) {
        tail_->next_ = &waiter;
    } else {
        head_ = &waiter;
    }
    tail_ = &waiter;
}

void TesOsWaitList::remove(TesOsWaiter& waiter) {
    if (waiter.previous_ != nullptr) {
        waiter.previous_->next_ = waiter.next_;
    } else {
        head_ = waiter.next_;
    }
    if (waiter.next_ != nullptr) {
        waiter.next_->previous_ = waiter.previous_;
    } else {
        tail_ = waiter.previous_;
    }
    waiter.previous_ = nullptr;
    waiter.next_ = nullptr;
}

bool TesOsWaitList::grantFirst() {
    TesOsWaiter* first = head_;
    if (first == nullptr) return false;
    remove(*first);
    // Once granted the waiter may return and its memory go; a wake that lands
    // on the reused word is spurious, and futex waiters check again.
    first->granted_.store(1, std::memory_order_release);
    tesOsFutexWake(first->granted_, 1);
    return true;
}

void TesOsWaitList::grantAll() {
    while (grantFirst()) continue;
}

bool TesOsWaitList::park(TesOsLock& hold, TesOsWaiter& waiter, const TesOsDeadline& deadline) {
    hold.unlock();
    bool timedOut = false;
    while (waiter.granted_.load(std::memory_order_acquire) == 0 && !timedOut) {
        timedOut = !tesOsFutexWait(waiter.granted_, 0, deadline);
    }
    if (waiter.granted_.load(std::memory_order_acquire) != 0) return true;
    hold.lock();
    const bool granted = waiter.granted_.load(std::memory_order_acquire) != 0;
    if (!granted) remove(waiter);
    return granted;
}
