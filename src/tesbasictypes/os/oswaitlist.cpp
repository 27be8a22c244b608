#include "oswaitlist.h"

#include <cerrno>

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

TesOsWaiter::TesOsWaiter() {
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&wake_, &attributes);
    pthread_condattr_destroy(&attributes);
}

TesOsWaiter::~TesOsWaiter() { pthread_cond_destroy(&wake_); }

void TesOsWaitList::push(TesOsWaiter& waiter) {
    waiter.granted_ = false;
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
    first->granted_ = true;
    pthread_cond_signal(&first->wake_);
    return true;
}

void TesOsWaitList::grantAll() {
    while (grantFirst()) continue;
}

bool TesOsWaitList::park(pthread_mutex_t& lock, TesOsWaiter& waiter, const TesOsDeadline& deadline) {
    while (!waiter.granted_) {
        if (deadline.unlimited) {
            pthread_cond_wait(&waiter.wake_, &lock);
        } else if (pthread_cond_timedwait(&waiter.wake_, &lock, &deadline.at) == ETIMEDOUT) {
            break;
        }
    }
    if (!waiter.granted_) remove(waiter);
    return waiter.granted_;
}
