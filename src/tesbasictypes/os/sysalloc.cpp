#include "sysalloc.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int> pendingFailures{0};
std::atomic<size_t> failingFrom{1};

bool failThisOne(size_t bytes) {
    if (bytes == 0 || bytes < failingFrom.load()) return false;
    int pending = pendingFailures.load();
    while (pending > 0) {
        if (pendingFailures.compare_exchange_weak(pending, pending - 1)) return true;
    }
    return false;
}
}  // namespace

void* tesSysMalloc(size_t bytes) {
    if (failThisOne(bytes)) return nullptr;
    return std::malloc(bytes);
}

void* tesSysRealloc(void* block, size_t bytes) {
    if (failThisOne(bytes)) return nullptr;
    return std::realloc(block, bytes);
}

void tesSysFree(void* block) { std::free(block); }

void tesSysFailNextAllocations(int count, size_t fromBytes) {
    failingFrom.store(fromBytes);
    pendingFailures.store(count);
}
