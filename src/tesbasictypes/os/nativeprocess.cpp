#include "nativeprocess.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {
constexpr uint64_t kNanosecondsPerSecond = 1000000000;
constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr long kNanosecondsPerMillisecond = 1000000;
}  // namespace

uint32_t tesOsProcessId() { return static_cast<uint32_t>(getpid()); }

uint64_t tesOsPerformanceCounter() {
    static std::atomic<uint64_t> last{0};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t reading = static_cast<uint64_t>(now.tv_sec) * kNanosecondsPerSecond + static_cast<uint64_t>(now.tv_nsec);
    uint64_t previous = last.load();
    uint64_t value = 0;
    do {
        value = reading > previous ? reading : previous + 1;
    } while (!last.compare_exchange_weak(previous, value));
    return value;
}

void tesOsSleep(int64_t milliseconds) {
    if (milliseconds <= 0) return;
    timespec remaining{static_cast<time_t>(milliseconds / kMillisecondsPerSecond),
                       static_cast<long>(milliseconds % kMillisecondsPerSecond) * kNanosecondsPerMillisecond};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

void tesOsMessageBox(const char* title, const char* message) {
    std::fprintf(stderr, "%s\n%s\n", title != nullptr ? title : "", message != nullptr ? message : "");
    std::fflush(stderr);
}
