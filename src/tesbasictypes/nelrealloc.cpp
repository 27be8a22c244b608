#include "nelrealloc.h"

#include <cstring>

#include "memoryexhaustion.h"
#include "memorymanager.h"
#include "os/sysalloc.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/nelrealloc";
constexpr int64_t kReleaseUnit = 24576;  // bytes the manager frees per step
constexpr int kShrinkingAttempts = 8;
constexpr int kAttemptsWithRelease = 6;  // attempts k < 6 ask the manager

TesExhaustionHandler& exhaustionHandler() {
    static TesExhaustionHandler handler = nullptr;
    return handler;
}

// Element count x element size in 32-bit arithmetic, widened with its sign.
int64_t byteCount(int32_t elementSize, int32_t count) {
    return static_cast<int32_t>(static_cast<uint32_t>(elementSize) * static_cast<uint32_t>(count));
}

void* systemRealloc(void* block, int64_t bytes) {
    if (bytes < 0) return nullptr;
    return tesSysRealloc(block, static_cast<size_t>(bytes));
}

// Allocates (or moves `block` to) `bytes`, asking the manager to release memory
// for as long as it releases something.
void* reallocWithRelease(void* block, int64_t bytes) {
    void* result = systemRealloc(block, bytes);
    TesMM::ITesMManager* manager = tesMemoryManager();
    while (result == nullptr && bytes != 0 && manager != nullptr) {
        if (!manager->releaseMemory()) break;
        result = systemRealloc(block, bytes);
    }
    return result;
}

void* handOverFresh(int64_t bytes) {
    TesExhaustionHandler handler = exhaustionHandler();
    if (handler == nullptr) tesEndForExhaustedMemory();
    void* block = handler(nullptr, 0, bytes);
    if (block == nullptr) tesEndForExhaustedMemory();
    return block;
}

void zeroTail(void* block, int64_t oldBytes, int64_t newBytes) {
    if (block != nullptr && newBytes > oldBytes) {
        std::memset(static_cast<char*>(block) + oldBytes, 0, static_cast<size_t>(newBytes - oldBytes));
    }
}

// One attempt of the shrinking schedule, with the manager's help on early ones.
void* attemptGrowth(void* block, int64_t oldBytes, int64_t targetBytes, int attempt) {
    void* result = systemRealloc(block, targetBytes);
    TesMM::ITesMManager* manager = tesMemoryManager();
    if (result != nullptr || attempt >= kAttemptsWithRelease || manager == nullptr) return result;
    const int64_t retries = (targetBytes - oldBytes) / kReleaseUnit + 2;
    for (int64_t retry = 0; retry < retries && result == nullptr; ++retry) {
        const bool released = manager->releaseMemory();
        result = systemRealloc(block, targetBytes);
        if (!released) break;
    }
    return result;
}

// Growth when the first attempt failed: targets shrink towards minNewSize.
int32_t growUnderPressure(void** block, int32_t elementSize, int32_t minNewSize, int32_t target,
                          int64_t oldBytes) {
    for (int attempt = kShrinkingAttempts - 1; attempt >= 0; --attempt) {
        target = attempt == 0 ? minNewSize : static_cast<int32_t>((static_cast<int64_t>(target) + minNewSize) / 2);
        const int64_t targetBytes = byteCount(elementSize, target);
        if (void* grown = attemptGrowth(*block, oldBytes, targetBytes, attempt)) {
            *block = grown;
            zeroTail(grown, oldBytes, targetBytes);
            return target;
        }
        if (target <= minNewSize) break;
    }
    const int64_t targetBytes = byteCount(elementSize, target);
    TesExhaustionHandler handler = exhaustionHandler();
    if (handler == nullptr) tesEndForExhaustedMemory();
    void* replaced = handler(*block, oldBytes, targetBytes);
    if (replaced == nullptr) tesEndForExhaustedMemory();
    *block = replaced;
    zeroTail(replaced, oldBytes, targetBytes);
    return target;
}

}  // namespace

void tesSetExhaustionHandler(TesExhaustionHandler handler) { exhaustionHandler() = handler; }

int32_t nelMalloc(void** block, int32_t elementSize, int32_t count) {
    const int64_t bytes = byteCount(elementSize, count);
    void* result = reallocWithRelease(nullptr, bytes);
    if (result == nullptr && bytes != 0) result = handOverFresh(bytes);
    *block = result;
    return count;
}

int32_t nelRealloc(void** block, int32_t elementSize, int32_t curSize, int32_t minNewSize, int32_t maxNewSize) {
    if (curSize == minNewSize) return curSize;
    if ((*block == nullptr || curSize == 0) && minNewSize > 0) {
        const int64_t bytes = byteCount(elementSize, minNewSize);
        void* result = reallocWithRelease(*block, bytes);
        if (result == nullptr && bytes != 0) result = handOverFresh(bytes);
        *block = result;
        return minNewSize;
    }
    const int32_t max = maxNewSize == -1 ? minNewSize : maxNewSize;
    TES_ASSERT(max >= minNewSize, "maxNewSize >= minNewSize");
    const int64_t bytes = byteCount(elementSize, max);
    if (max < curSize) {
        if (max == 0) {
            tesSysFree(*block);
            *block = nullptr;
            return 0;
        }
        if (void* shrunk = systemRealloc(*block, bytes)) *block = shrunk;
        return max;
    }
    if (minNewSize <= curSize) return curSize;
    TES_ASSERT(minNewSize > curSize && max >= minNewSize, "minNewSize > curSize && maxNewSize >= minNewSize");
    const int64_t oldBytes = byteCount(elementSize, curSize);
    if (bytes == 0) return max;
    if (void* grown = systemRealloc(*block, bytes)) {
        *block = grown;
        zeroTail(grown, oldBytes, bytes);
        return max;
    }
    return growUnderPressure(block, elementSize, minNewSize, max, oldBytes);
}

void nelFree(void* block) { tesSysFree(block); }

void* tesAllocateWithRelease(int64_t bytes) { return reallocWithRelease(nullptr, bytes); }

int64_t tesGrowCapacity(int64_t needed, int64_t current, int32_t elementSize) {
    constexpr int64_t k4MiB = 4194304;
    constexpr int64_t k32MiB = 33554432;
    constexpr int64_t k256MiB = 268435456;
    int64_t bytes = (current > 1 ? current : 1) * elementSize;
    while (needed * elementSize >= bytes) {
        if (bytes < k4MiB) {
            bytes += bytes;
        } else if (bytes < k32MiB) {
            bytes += bytes / 2;
        } else if (bytes < k256MiB) {
            bytes += bytes / 4;
        } else {
            bytes += bytes / 8;
        }
    }
    return bytes / elementSize;
}
