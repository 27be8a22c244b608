#include "tescondition.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "boundedwait.h"
#include "childprocess.h"
#include "tesmutex.h"

namespace {

constexpr double kPatience = 5.0;
constexpr int kRounds = 1000;
constexpr const char* kExpectedSpinVariable = "VESPER_EXPECTED_SPIN_COUNT";
constexpr const char* kSpinVariable = "TES_SPIN_COUNT";

// Waiters that count themselves under the mutex before they wait.
class Waiters {
public:
    Waiters(TesMutex& mutex, TesCondition& condition, int count) : mutex_(mutex) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, &condition] {
                mutex_.lock();
                ++waiting_;
                if (condition.waitFor(mutex_, kPatience)) signalled_.fetch_add(1);
                ++left_;
                mutex_.unlock();
            });
        }
    }
    ~Waiters() { join(); }

    // Once every waiter has counted itself, each waits: counting and starting
    // the wait happen under the mutex.
    bool allWaiting() {
        return testsupport::waitUntil([this] { return underMutex([this] { return waiting_ == static_cast<int>(threads_.size()); }); },
                                      kPatience);
    }
    template <typename Read>
    bool underMutex(Read read) {
        mutex_.lock();
        const bool value = read();
        mutex_.unlock();
        return value;
    }
    void join() {
        for (std::thread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }
    int signalled() const { return signalled_.load(); }
    int left() const { return left_; }  // read with the mutex held or after join

private:
    TesMutex& mutex_;
    std::vector<std::thread> threads_;
    int waiting_ = 0;
    int left_ = 0;
    std::atomic<int> signalled_{0};
};

}  // namespace

TEST(TesCondition, PingPongBetweenTwoThreads) {
    TesMutex mutex;
    TesCondition changed;
    ASSERT_FALSE(changed.isNull());
    int turn = 0;
    auto play = [&](int mine, int& completed) {
        for (completed = 0; completed < kRounds; ++completed) {
            mutex.lock();
            bool signalled = true;
            while (turn != mine && signalled) signalled = changed.waitFor(mutex, kPatience);
            turn = 1 - mine;
            changed.signal();
            mutex.unlock();
            if (!signalled) break;
        }
    };
    int firstCompleted = 0;
    int secondCompleted = 0;
    std::thread second([&] { play(1, secondCompleted); });
    play(0, firstCompleted);
    second.join();
    EXPECT_EQ(firstCompleted, kRounds);
    EXPECT_EQ(secondCompleted, kRounds);
}

TEST(TesCondition, BroadcastReleasesAllWaitersAndWaitsUntilTheyLeft) {
    for (int count : {1, 2, 7}) {
        TesMutex mutex;
        TesCondition condition;
        Waiters waiters(mutex, condition, count);
        ASSERT_TRUE(waiters.allWaiting()) << count;
        mutex.lock();
        condition.broadcast();
        // Every waiter has left its wait (though it still needs the mutex), so
        // this signal finds no waiter and leaves nothing behind.
        condition.signal();
        mutex.unlock();
        waiters.join();
        EXPECT_EQ(waiters.signalled(), count);
        EXPECT_EQ(waiters.left(), count);

        mutex.lock();
        EXPECT_FALSE(condition.waitFor(mutex, 0.02)) << count;
        mutex.unlock();
    }
}

TEST(TesCondition, SignalWakesOneWaiterAtATime) {
    TesMutex mutex;
    TesCondition condition;
    Waiters waiters(mutex, condition, 2);
    ASSERT_TRUE(waiters.allWaiting());
    condition.signal();
    ASSERT_TRUE(testsupport::waitUntil([&] { return waiters.signalled() == 1; }, kPatience));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(waiters.signalled(), 1);
    condition.signal();
    waiters.join();
    EXPECT_EQ(waiters.signalled(), 2);
}

TEST(TesCondition, SignalOrBroadcastWithoutWaitersDoesNothing) {
    TesMutex mutex;
    TesCondition condition;
    condition.signal();
    condition.broadcast();
    mutex.lock();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(condition.waitFor(mutex, 0.02));
    EXPECT_GE(testsupport::secondsSince(start), 0.02);
    bool heldAgain = false;
    std::thread([&] { heldAgain = !mutex.tryLock(); }).join();
    EXPECT_TRUE(heldAgain) << "a timed-out wait holds the mutex again";
    mutex.unlock();
}

TEST(TesCondition, WaitWithABadMutexNeverCrashes) {
    TesCondition condition;
    TesMutex none(TesMutex::Creation::none);
    EXPECT_FALSE(condition.wait(none));
    EXPECT_FALSE(condition.waitFor(none, kPatience));

    // Not held by the caller: the mutex is not handed over, the wait runs out
    // on its own and the caller then holds the mutex.
    TesMutex notHeld;
    EXPECT_FALSE(condition.waitFor(notHeld, 0.02));
    EXPECT_TRUE(notHeld.unlock());
    EXPECT_FALSE(notHeld.unlock());
}

TEST(TesCondition, NamedMutexWorksAsTheWaitMutex) {
    const std::string name = testsupport::uniqueName("condition");
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.createNamed(name.c_str()));
    TesCondition condition;
    Waiters waiters(mutex, condition, 3);
    ASSERT_TRUE(waiters.allWaiting());
    mutex.lock();
    condition.broadcast();
    mutex.unlock();
    waiters.join();
    EXPECT_EQ(waiters.signalled(), 3);
}

// Runs only when started by SpinCountIsReadFromTheEnvironment.
TEST(TesConditionSpinCount, ReportedToParent) {
    const char* expected = std::getenv(kExpectedSpinVariable);
    if (expected == nullptr) GTEST_SKIP() << "runs in a child process";
    TesCondition condition;
    EXPECT_EQ(condition.spinCount(), std::atoi(expected));
    EXPECT_EQ(TesCondition().spinCount(), std::atoi(expected));
}

TEST(TesConditionSpinCount, IsReadFromTheEnvironment) {
    const struct {
        const char* value;  // null: unset
        int expected;
    } cases[] = {
        {"4000", 4000}, {nullptr, -1}, {"12abc", 12}, {" 7", 7}, {"abc", 0},
        {"-5", -1},     {"", 0},       {"99999999999", 2147483647},
    };
    for (const auto& c : cases) {
        std::vector<std::string> added{std::string(kExpectedSpinVariable) + "=" + std::to_string(c.expected)};
        if (c.value != nullptr) added.push_back(std::string(kSpinVariable) + "=" + c.value);
        const int exitCode = testsupport::runSelf({"--gtest_filter=TesConditionSpinCount.ReportedToParent", "--gtest_brief=1"}, added,
                                                  {kSpinVariable, kExpectedSpinVariable}, 30.0);
        EXPECT_EQ(exitCode, 0) << (c.value != nullptr ? c.value : "(unset)");
    }
}
