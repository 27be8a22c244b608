// Threads waiting on one object of the operating-system layer, queued in
// arrival order. A waiter is granted the object while it is still queued, so a
// thread that queued before releasing a mutex cannot miss a wake-up and a
// newcomer cannot take what was granted to it. Each waiter sleeps on a futex
// of its own, so a granted waiter runs on without taking the object's lock
// again. Internal to os/.
#pragma once

#include <pthread.h>
#include <time.h>

#include <atomic>
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

// Holds a pthread mutex for a scope, or until unlock().
class TesOsLock {
public:
    explicit TesOsLock(pthread_mutex_t& mutex) : mutex_(mutex) { lock(); }
    ~TesOsLock() {
        if (held_) unlock();
    }
    TesOsLock(const TesOsLock&) = delete;
    TesOsLock& operator=(const TesOsLock&) = delete;

    void lock() {
        pthread_mutex_lock(&mutex_);
        held_ = true;
    }
    void unlock() {
        held_ = false;
        pthread_mutex_unlock(&mutex_);
    }

private:
    pthread_mutex_t& mutex_;
    bool held_ = false;
};

// One waiting thread; lives on that thread's stack for the length of a wait.
class TesOsWaiter {
public:
    TesOsWaiter() = default;
    TesOsWaiter(const TesOsWaiter&) = delete;
    TesOsWaiter& operator=(const TesOsWaiter&) = delete;

private:
    friend class TesOsWaitList;
    TesOsWaiter* previous_ = nullptr;
    TesOsWaiter* next_ = nullptr;
    std::atomic<uint32_t> granted_{0};  // the futex word: 1 once granted
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
    // Releases `hold` and blocks until `waiter` (queued) is granted or the
    // deadline passes. A waiter that times out takes `hold` again to leave the
    // queue. True when granted.
    bool park(TesOsLock& hold, TesOsWaiter& waiter, const TesOsDeadline& deadline);

private:
    TesOsWaiter* head_ = nullptr;
    TesOsWaiter* tail_ = nullptr;
};
