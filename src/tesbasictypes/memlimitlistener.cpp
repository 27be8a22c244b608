#include "memlimitlistener.h"

#include <cmath>
#include <cstring>

#include "hostapi/settings.h"
#include "iptr.h"
#include "os/nativememory.h"

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
    limit_ = toBytes(store->getDouble(kMemLimitKey, 0.0));
}

void MemLimitListener::onDoubleChanged(const char* key, double value) {
    if (key != nullptr && std::strcmp(key, kMemLimitKey) == 0) limit_ = toBytes(value);
}

MemLimitListener& tesMemLimitListener() {
    // Kept to process exit; the data store may hold it too.
    static const IPtr<MemLimitListener>* listener = new IPtr<MemLimitListener>(new MemLimitListener);
    return **listener;
}
