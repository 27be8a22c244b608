#include "memlimitlistener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "os/nativememory.h"
#include "processhost.h"

namespace {

constexpr const char* kLimitKey = "Memory/MemLimit";

class MemLimit : public ::testing::Test {
protected:
    void TearDown() override { processTestHost().manager().addService(&settings(), {"IDataStore"}); }
    static RefDataStore& settings() { return processTestHost().settings(); }
};

TEST_F(MemLimit, FollowsTheSettingAsAByteCountAndIgnoresOtherKeys) {
    settings().setDouble(nullptr, kLimitKey, 4e9);
    IPtr<MemLimitListener> listener(new MemLimitListener);
    EXPECT_EQ(listener->limit(), 4000000000);
    settings().setDouble(nullptr, kLimitKey, 5e9);
    EXPECT_EQ(listener->limit(), 5000000000);
    using limits = std::numeric_limits<int64_t>;
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        const char* key;
        double value;
        int64_t limit;
    } rows[] = {
        {kLimitKey, 1234.9, 1234},        {"Memory/Other", 5.0, 1234},  {nullptr, 5.0, 1234},
        {kLimitKey, -1.5, -1},            {kLimitKey, std::nan(""), 0}, {kLimitKey, 0x1p63, limits::max()},
        {kLimitKey, 0x1p63 - 1024, 0x7FFFFFFFFFFFFC00}, {kLimitKey, -infinity, limits::min()},
    };
    for (const auto& row : rows) {
        listener->onDoubleChanged(row.key, row.value);
        EXPECT_EQ(listener->limit(), row.limit) << (row.key != nullptr ? row.key : "(null)") << " " << row.value;
    }
    listener->onIntChanged(kLimitKey, 123);
    EXPECT_EQ(listener->limit(), limits::min()) << "only double values count";
}

TEST_F(MemLimit, WithoutTheSettingTheLimitIsZeroAndWithoutAStoreTheSystemSize) {
    IPtr<RefDataStore> empty(new RefDataStore);
    processTestHost().manager().addService(empty.get(), {"IDataStore"});
    IPtr<MemLimitListener> listener(new MemLimitListener);
    EXPECT_EQ(listener->limit(), 0);
    empty->setDouble(nullptr, kLimitKey, 42.0);
    EXPECT_EQ(listener->limit(), 42) << "registered with the store it found";
    empty->removeReceiver(nullptr, listener.get());
    empty->removeReceiver(kLimitKey, listener.get());
    empty->setDouble(nullptr, kLimitKey, 7.0);
    EXPECT_EQ(listener->limit(), 42) << "removed: no longer told";

    processTestHost().manager().removeService("IDataStore");
    TesOsMemoryStatus status;
    ASSERT_TRUE(tesOsMemoryStatus(&status));
    EXPECT_EQ(IPtr<MemLimitListener>(new MemLimitListener)->limit(),
              std::max(status.totalPhysical, status.totalVirtual));
}

}  // namespace
