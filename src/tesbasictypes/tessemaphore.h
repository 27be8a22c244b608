// A counting semaphore with a maximum count; waiters are served in arrival
// order. The calls return false when the semaphore could not be created.
#pragma once

#include <cstdint>

struct TesOsSemaphore;

class TesSemaphore {
public:
    // Null (see isNull) when initialCount < 0, maximumCount <= 0 or
    // initialCount > maximumCount.
    TesSemaphore(int32_t initialCount, int32_t maximumCount);
    ~TesSemaphore();
    TesSemaphore(const TesSemaphore&) = delete;
    TesSemaphore& operator=(const TesSemaphore&) = delete;

    // Adds `count` units. False, with the count unchanged, when count <= 0 or
    // the count would pass the maximum. `previousCount` (may be null) receives
    // the count before the release.
    bool release(int32_t count = 1, int32_t* previousCount = nullptr);
    // Take one unit: waiting without limit, without waiting, or up to
    // `seconds` (at least 1 ms). True when taken.
    bool wait();
    bool tryWait();
    bool waitFor(double seconds);

    bool isNull() const { return handle_ == nullptr; }
    TesOsSemaphore* handle() const { return handle_; }

private:
    TesOsSemaphore* handle_;
};
