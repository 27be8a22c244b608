// A condition variable waited on with a TesMutex (named ones included). The
// mutex must be held exactly once by the waiting thread. Wake-ups may be
// spurious only through a timeout: a woken waiter was woken by wakeOne or
// wakeAll.
#pragma once

struct TesOsConditionVariable;
class TesMutex;

class TesConditionVariable {
public:
    TesConditionVariable();
    ~TesConditionVariable();
    TesConditionVariable(const TesConditionVariable&) = delete;
    TesConditionVariable& operator=(const TesConditionVariable&) = delete;

    // Releases `held` and waits as one step, then holds `held` again. True
    // when woken; false when the time ran out (the mutex is held again) or,
    // without waiting, when the variable could not be created or the caller
    // does not hold `held`.
    bool wait(TesMutex& held);
    bool waitFor(TesMutex& held, double seconds);

    // Wakes the longest waiting thread, or all; nothing happens without waiters.
    void wakeOne();
    void wakeAll();

    bool isNull() const { return handle_ == nullptr; }

private:
    TesOsConditionVariable* handle_;
};
