#include "strsupport.h"

#include <atomic>
#include <mutex>

#include "iptr.h"
#include "servicelookup.h"

namespace {
constexpr const char* kServiceName = "ITesStrSupport";

// One successful lookup; never changed once published. Earlier ones stay
// chained behind it until the process ends: another thread may still read one.
struct Found {
    ITesComponentManager* manager;
    IPtr<ITesStrSupport> service;
    const Found* earlier;
};

std::atomic<Found*> found{nullptr};
std::mutex lookupLock;

ITesStrSupport* cachedFor(const Found* entry, ITesComponentManager* manager) {
    return entry != nullptr && entry->manager == manager ? entry->service.get() : nullptr;
}
}  // namespace

ITesStrSupport* tesStrSupport() {
    ITesComponentManager* manager = tesComponentManager();
    if (manager == nullptr) return nullptr;
    if (ITesStrSupport* service = cachedFor(found.load(std::memory_order_acquire), manager)) return service;
    const std::lock_guard<std::mutex> guard(lookupLock);
    if (ITesStrSupport* service = cachedFor(found.load(std::memory_order_relaxed), manager)) return service;
    SPtr<ITesStrSupport> lookup(kServiceName);
    if (!lookup) return nullptr;
    found.store(new Found{manager, lookup, found.load(std::memory_order_relaxed)}, std::memory_order_release);
    return lookup.get();
}
