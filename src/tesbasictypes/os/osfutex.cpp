#include "osfutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) && std::atomic<uint32_t>::is_always_lock_free,
              "the kernel sees the atomic as a plain 32-bit word");

namespace {

uint32_t* wordAddress(std::atomic<uint32_t>& word) { return reinterpret_cast<uint32_t*>(&word); }

}  // namespace

bool tesOsFutexWait(std::atomic<uint32_t>& word, uint32_t expected, const TesOsDeadline& deadline) {
    // The bitset form takes an absolute time on the monotonic clock, so a
    // wait resumed after a spurious wake keeps its original deadline.
    const timespec* until = deadline.unlimited ? nullptr : &deadline.at;
    const long result = syscall(SYS_futex, wordAddress(word), FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG, expected, until,
                                nullptr, FUTEX_BITSET_MATCH_ANY);
    return result == 0 || errno != ETIMEDOUT;
}

void tesOsFutexWake(std::atomic<uint32_t>& word, int32_t count) {
    syscall(SYS_futex, wordAddress(word), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, count, nullptr, nullptr, 0);
}
