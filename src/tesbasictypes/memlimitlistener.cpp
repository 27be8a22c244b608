#include "memlimitlistener.h"

#include <cmath>
#include <cstring>

#include "hostapi/settings.h"
#include "os/nativememory.h"
#include "teshostlink.h"

namespace {

constexpr const char* kDataStoreName = "IDataStore";
constexpr const char* kMemLimitKey = "Memory/MemLimit";
constexpr int64_t kUnknownLimit = -2147483648LL;
// 2^63 as a double: the first value above the 64-bit range.
constexpr double kBeyondInt64 = 9223372036854775808.0;

// The setting as a byte count: truncated, clamped to the 64-bit range, NaN 0.
int64_t toBytes(double value) {
    if (std::isnan(value)) return 0;
    if (value >= kBeyondInt64) return INT64_MAX;
    if (value < -kBeyondInt64) return INT64_MIN;
    return static_cast<int64_t>(value);
}

int64_t systemLimit() {
    TesOsMemoryStatus status;
    if (!tesOsMemoryStatus(&status)) return kUnknownLimit;
    return status.totalPhysical > status.totalVirtual ? status.totalPhysical : status.totalVirtual;
}

}  // namespace

MemLimitListener::MemLimitListener() : limit_(systemLimit()) {
    SPtr<IDataStore> store(kDataStoreName);
    if (!store) return;
    store->addReceiver(kMemLimitKey, this);
    store_ = store->weakRef();
    limit_ = toBytes(store->getDouble(kMemLimitKey, 0.0));
}

void MemLimitListener::leaveStore() {
    const IPtr<TesWeakRef, TesShared> weak = std::move(store_);
    auto* store = weak ? tesQuery<IDataStore>(weak->object(), kDataStoreName) : nullptr;
    if (store != nullptr) store->removeReceiver(kMemLimitKey, this);
}

void MemLimitListener::onDoubleChanged(const char* key, double value) {
    if (key != nullptr && std::strcmp(key, kMemLimitKey) == 0) limit_ = toBytes(value);
}

namespace {

// The listener while the host links are kept; the data store holds it too.
class ListenerLink final : public TesHostLink {
public:
    constexpr ListenerLink() = default;

    MemLimitListener& get() {
        if (MemLimitListener* listener = listener_.load(std::memory_order_acquire)) return *listener;
        const std::lock_guard<std::mutex> guard(lock_);
        MemLimitListener* listener = listener_.load(std::memory_order_relaxed);
        if (listener == nullptr) {
            listener = new MemLimitListener;
            listener->addRef();
            enlist();
            listener_.store(listener, std::memory_order_release);
        }
        return *listener;
    }

private:
    void letGo() override {
        MemLimitListener* listener = nullptr;
        {
            const std::lock_guard<std::mutex> guard(lock_);
            listener = listener_.exchange(nullptr, std::memory_order_acq_rel);
        }
        if (listener == nullptr) return;
        listener->leaveStore();
        listener->release();
    }

    std::mutex lock_;
    std::atomic<MemLimitListener*> listener_{nullptr};
};

constinit ListenerLink listenerLink;

}  // namespace

MemLimitListener& tesMemLimitListener() { return listenerLink.get(); }
