#include "strsupport.h"

#include <atomic>
#include <mutex>

#include "iptr.h"

namespace {
constexpr const char* kServiceName = "ITesStrSupport";

std::atomic<ITesStrSupport*> found{nullptr};
std::mutex lookupLock;
}  // namespace

ITesStrSupport* tesStrSupport() {
    ITesStrSupport* service = found.load(std::memory_order_acquire);
    if (service != nullptr) return service;
    const std::lock_guard<std::mutex> guard(lookupLock);
    service = found.load(std::memory_order_relaxed);
    if (service != nullptr) return service;
    SPtr<ITesStrSupport> lookup(kServiceName);
    if (!lookup) return nullptr;
    // Kept to process exit, with its reference.
    service = (new IPtr<ITesStrSupport>(lookup))->get();
    found.store(service, std::memory_order_release);
    return service;
}
