// A condition that threads wait on with a TesMutex they hold (once), built
// from a semaphore, an auto-reset "waiters done" event and a critical section
// that guards the waiter count.
//
// broadcast() releases every thread waiting at the time and returns only when
// the last of them has left its wait. Call it while holding the mutex the
// waiters use: a thread that starts waiting during a broadcast would otherwise
// hold the broadcast up until it leaves its own wait. A waiter whose time ran
// out just as it was signalled leaves that signal to the next waiter, which
// then wakes without a new signal; waiters check their predicate in a loop.
#pragma once

#include <cstdint>

struct TesOsCriticalSection;
struct TesOsEvent;
struct TesOsSemaphore;
class TesMutex;

// The spin count of the conditions' critical sections: the leading decimal
// integer of the environment variable TES_SPIN_COUNT (read as C atoi does,
// clamped to 32 bits) or -1, no spinning, when it is unset. Read once per
// process, at the first call.
int32_t tesSpinCount();

class TesCondition {
public:
    TesCondition();
    ~TesCondition();
    TesCondition(const TesCondition&) = delete;
    TesCondition& operator=(const TesCondition&) = delete;

    // Releases `held` and waits for a signal as one step, then holds `held`
    // again. True when signalled; false when the time ran out (the mutex is
    // held again) or, without waiting, when the condition or the mutex has no
    // handle.
    bool wait(TesMutex& held);
    // Waits up to `seconds` (at least 1 ms).
    bool waitFor(TesMutex& held, double seconds);
    // Wakes one waiter; nothing happens without waiters.
    void signal();
    // Wakes all waiters and waits until each has left its wait.
    void broadcast();

    // The spin count its critical section was made with; -1 for none.
    int32_t spinCount() const;
    bool isNull() const;

private:
    bool waitMilliseconds(TesMutex& held, uint32_t milliseconds);
    void enter();
    void leave();

    int32_t waiters_ = 0;
    TesOsCriticalSection* section_ = nullptr;
    TesOsSemaphore* semaphore_ = nullptr;
    TesOsEvent* waitersDone_ = nullptr;
    bool broadcasting_ = false;
};
