#include "osownedmutex.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "oswaitlist.h"

#if defined(__SANITIZE_THREAD__)
#define TES_OS_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TES_OS_THREAD_SANITIZER 1
#endif
#endif
#if defined(TES_OS_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
#endif

namespace {

constexpr uint64_t kMixIncrement = 0x9E3779B97F4A7C15ULL;
constexpr uint64_t kMixMultiplier1 = 0xBF58476D1CE4E5B9ULL;
constexpr uint64_t kMixMultiplier2 = 0x94D049BB133111EBULL;
constexpr uint64_t kNanosPerSecond = 1000000000ULL;

thread_local uint64_t threadToken = 0;

void forgetTokenInChild() { threadToken = 0; }

// One step of splitmix64.
uint64_t mix(uint64_t state, uint64_t value) {
    uint64_t z = state + value + kMixIncrement;
    z = (z ^ (z >> 30)) * kMixMultiplier1;
    z = (z ^ (z >> 27)) * kMixMultiplier2;
    return z ^ (z >> 31);
}

// Thread id and process id tell live threads apart; the clock tells a thread
// from an earlier one that had the same ids.
uint64_t newThreadToken() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t token = mix(0, static_cast<uint64_t>(gettid()));
    token = mix(token, static_cast<uint64_t>(getpid()));
    token = mix(token, static_cast<uint64_t>(now.tv_sec) * kNanosPerSecond + static_cast<uint64_t>(now.tv_nsec));
    return token != 0 ? token : 1;
}

// ThreadSanitizer's pthread_mutex_timedlock does not count an acquisition that
// returns EOWNERDEAD (its lock and trylock do); tell it. It still takes a
// mutex of a thread of this process that died during the wait for locked
// twice, a false report limited to that case.
void noteTimedRecovery([[maybe_unused]] pthread_mutex_t* mutex) {
#if defined(TES_OS_THREAD_SANITIZER)
    __tsan_mutex_pre_lock(mutex, __tsan_mutex_try_lock);
    __tsan_mutex_post_lock(mutex, __tsan_mutex_try_lock, 0);
#endif
}

void makeThreadToken() {
    static const bool renewedAfterFork = pthread_atfork(nullptr, nullptr, forgetTokenInChild) == 0;
    static_cast<void>(renewedAfterFork);
    threadToken = newThreadToken();
}

// A timed wait tries first: a mutex whose holder died before the wait began
// is then recovered by trylock.
int lockWithin(pthread_mutex_t* mutex, uint32_t milliseconds) {
    if (milliseconds == kTesOsInfinite) return pthread_mutex_lock(mutex);
    const int tried = pthread_mutex_trylock(mutex);
    if (milliseconds == 0 || tried != EBUSY) return tried;
    const timespec deadline = tesOsRealtimeAfter(milliseconds);
    const int error = pthread_mutex_timedlock(mutex, &deadline);
    if (error == EOWNERDEAD) noteTimedRecovery(mutex);
    return error;
}

}  // namespace

uint64_t tesOsThreadToken() {
    if (threadToken == 0) makeThreadToken();
    return threadToken;
}

bool tesOsOwnedMutexInit(TesOsOwnedMutex& owned, bool processShared) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    if (processShared) pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    const bool initialised = pthread_mutex_init(&owned.mutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    owned.owner.store(0);
    owned.depth = 0;
    return initialised;
}

void tesOsOwnedMutexDestroy(TesOsOwnedMutex& owned) { pthread_mutex_destroy(&owned.mutex); }

TesOsWait tesOsOwnedMutexWait(TesOsOwnedMutex& owned, uint32_t milliseconds) {
    const uint64_t self = tesOsThreadToken();
    if (owned.owner.load(std::memory_order_relaxed) == self) {
        ++owned.depth;
        return TesOsWait::acquired;
    }
    TesOsWait result = TesOsWait::acquired;
    switch (lockWithin(&owned.mutex, milliseconds)) {
        case 0:
            break;
        case EOWNERDEAD:
            pthread_mutex_consistent(&owned.mutex);
            result = TesOsWait::abandoned;
            break;
        case EBUSY:
        case ETIMEDOUT:
            return TesOsWait::timeout;
        default:
            return TesOsWait::failed;
    }
    owned.depth = 1;
    owned.owner.store(self, std::memory_order_relaxed);
    return result;
}

bool tesOsOwnedMutexRelease(TesOsOwnedMutex& owned) {
    if (owned.owner.load(std::memory_order_relaxed) != tesOsThreadToken()) return false;
    if (--owned.depth > 0) return true;
    owned.owner.store(0, std::memory_order_relaxed);
    return pthread_mutex_unlock(&owned.mutex) == 0;
}
