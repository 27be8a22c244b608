// Threads waiting on one object of the operating-system layer, queued in
// arrival order. A waiter is granted the object while it is still queued, so a
// thread that queued before releasing a mutex cannot miss a wake-up and a
// newcomer cannot take what was granted to it. Internal to os/.
#pragma once

#include <pthread.h>
#include <time.h>

#include <cstdint>

// A point on the monotonic clock, or no limit.
struct TesOsDeadline {
    bool unlimited = true;
    timespec at{};
};

TesOsDeadline tesOsDeadlineAfter(uint32_t milliseconds);

// `milliseconds` from now on the real-time clock, which pthread_mutex_timedlock
// measures against.
timespec tesOsRealtimeAfter(uint32_t milliseconds);

// Holds a pthread mutex for a scope.
class TesOsLock {
public:
    explicit TesOsLock(pthread_mutex_t& mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
    ~TesOsLock() { pthread_mutex_unlock(&mutex_); }
    TesOsLock(const TesOsLock&) = delete;
    TesOsLock& operator=(const TesOsLock&) = delete;

private:
    pthread_mutex_t& mutex_;
};

// One waiting thread; lives on that thread's stack for the length of a wait.
class TesOsWaiter {
public:
    TesOsWaiter();
    ~TesOsWaiter();
    TesOsWaiter(const TesOsWaiter&) = delete;
    TesOsWaiter& operator=(const TesOsWaiter&) = delete;

private:
    friend class TesOsWaitList;
    pthread_cond_t wake_;
    TesOsWaiter* previous_ = nullptr;
    TesOsWaiter* next_ = nullptr;
    bool granted_ = false;
};

// Every call is made with the owning object's lock held.
class TesOsWaitList {
public:
    bool empty() const { return head_ == nullptr; }
    void push(TesOsWaiter& waiter);
    void remove(TesOsWaiter& waiter);
    // Dequeues the first waiter and wakes it as granted; false when empty.
    bool grantFirst();
    void grantAll();
    // Blocks until `waiter` (queued) is granted or the deadline passes, with
    // `lock` released meanwhile. A waiter that times out leaves the queue.
    // True when granted.
    bool park(pthread_mutex_t& lock, TesOsWaiter& waiter, const TesOsDeadline& deadline);

private:
    TesOsWaiter* head_ = nullptr;
    TesOsWaiter* tail_ = nullptr;
};
