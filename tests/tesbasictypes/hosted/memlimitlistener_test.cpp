#include "memlimitlistener.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "hostedhost.h"
#include "os/nativememory.h"

namespace {

constexpr const char* kLimitKey = "Memory/MemLimit";

class MemLimit : public ::testing::Test {
protected:
    void TearDown() override {
        for (MemLimitListener* listener : registered_) settings().removeReceiver(kLimitKey, listener);
        hostedTestHost().manager().addService(&settings(), {"IDataStore"});
    }
    RefDataStore& settings() { return hostedTestHost().settings(); }
    IPtr<MemLimitListener> make() {
        IPtr<MemLimitListener> listener(new MemLimitListener);
        registered_.push_back(listener.get());
        return listener;
    }

private:
    std::vector<MemLimitListener*> registered_;
};

TEST_F(MemLimit, TakesTheSettingAndFollowsIt) {
    settings().setDouble(nullptr, kLimitKey, 4e9);
    IPtr<MemLimitListener> listener = make();
    EXPECT_EQ(listener->limit(), 4000000000);
    settings().setDouble(nullptr, kLimitKey, 5e9);
    EXPECT_EQ(listener->limit(), 5000000000);
    settings().setDouble(nullptr, "Memory/Other", 1.0);
    EXPECT_EQ(listener->limit(), 5000000000);
}

TEST_F(MemLimit, NotificationsForOtherKeysAreIgnored) {
    IPtr<MemLimitListener> listener = make();
    const int64_t before = listener->limit();
    listener->onDoubleChanged("Memory/Other", 123.0);
    listener->onDoubleChanged(nullptr, 123.0);
    listener->onIntChanged(kLimitKey, 123);  // only double values count
    EXPECT_EQ(listener->limit(), before);
}

TEST_F(MemLimit, ValuesBecomeByteCounts) {
    IPtr<MemLimitListener> listener = make();
    const struct {
        double value;
        int64_t expected;
    } cases[] = {
        {1234.9, 1234},
        {-1.5, -1},
        {std::nan(""), 0},
        {1e30, std::numeric_limits<int64_t>::max()},
        {-1e30, std::numeric_limits<int64_t>::min()},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<int64_t>::max()},
    };
    for (const auto& c : cases) {
        listener->onDoubleChanged(kLimitKey, c.value);
        EXPECT_EQ(listener->limit(), c.expected) << c.value;
    }
}

TEST_F(MemLimit, WithoutTheSettingTheLimitIsZero) {
    IPtr<RefDataStore> empty(new RefDataStore);
    hostedTestHost().manager().addService(empty.get(), {"IDataStore"});
    IPtr<MemLimitListener> listener(new MemLimitListener);
    EXPECT_EQ(listener->limit(), 0);
    empty->setDouble(nullptr, kLimitKey, 42.0);  // registered with the store it found
    EXPECT_EQ(listener->limit(), 42);
    empty->removeReceiver(kLimitKey, listener.get());
}

TEST_F(MemLimit, WithoutADataStoreTheSystemSizeHolds) {
    hostedTestHost().manager().removeService("IDataStore");
    IPtr<MemLimitListener> listener(new MemLimitListener);
    TesOsMemoryStatus status;
    ASSERT_TRUE(tesOsMemoryStatus(&status));
    EXPECT_EQ(listener->limit(), std::max(status.totalPhysical, status.totalVirtual));
}

TEST_F(MemLimit, AnswersAsADataReceiver) {
    IPtr<MemLimitListener> listener(new MemLimitListener);
    for (const char* name : {"NelDataReceiver", "ITesUnknown", "ITesDataReceiver"}) {
        EXPECT_NE(tesQuery<void>(listener.get(), name), nullptr) << name;
    }
    EXPECT_EQ(tesQuery<void>(listener.get(), "IDataStore"), nullptr);
    settings().removeReceiver(kLimitKey, listener.get());
}

}  // namespace
