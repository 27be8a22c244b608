#include "tesmutex.h"

#include <gtest/gtest.h>

#include <deque>

#include "boundedwait.h"
#include "childprocess.h"

using namespace testsupport;

namespace {

bool freeOnOtherThread(TesMutex& mutex) {
    return onOtherThread([&] { return mutex.tryLock() && mutex.unlock(); });
}

}  // namespace

TEST(TesMutex, WithoutAHandleCallsFailAndAHandleIsNeverReplaced) {
    TesMutex mutex(TesMutex::Creation::none);
    EXPECT_FALSE(mutex.lock() || mutex.tryLock() || mutex.lockFor(0.01) || mutex.unlock() || mutex.close());
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_FALSE(mutex.createNamed(name) || mutex.openNamed(name));
    }
    ASSERT_TRUE(mutex.isNull() && mutex.create());
    TesOsMutex* const original = mutex.handle();
    const std::string name = uniqueName("keep");
    EXPECT_FALSE(mutex.create() || mutex.createNamed(name.c_str()) || mutex.openNamed(name.c_str()));
    EXPECT_EQ(mutex.handle(), original);
    EXPECT_TRUE(mutex.close() && mutex.isNull());
}

TEST(TesMutex, RecursiveOwnedByTheLockingThreadAndFreedWhenThatThreadEnds) {
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named" : "unnamed");
        TesMutex mutex(TesMutex::Creation::none);
        ASSERT_TRUE(named ? mutex.createNamed(uniqueName("kind").c_str()) : mutex.create());
        ASSERT_TRUE(mutex.lock() && mutex.tryLock());
        EXPECT_FALSE(onOtherThread([&] { return mutex.unlock(); }));
        EXPECT_TRUE(mutex.unlock());
        EXPECT_FALSE(freeOnOtherThread(mutex)) << "still held once";
        EXPECT_TRUE(mutex.unlock());
        EXPECT_FALSE(mutex.unlock());
        EXPECT_TRUE(freeOnOtherThread(mutex));
        std::thread([&] { mutex.lock(); }).join();
        EXPECT_TRUE(mutex.lockFor(kPatience) && mutex.unlock()) << "its holder thread ended";
        EXPECT_TRUE(freeOnOtherThread(mutex));
    }
}

TEST(TesMutex, LockForWaitsAtLeastOneMillisecondAndWakesWhenTheHolderReleases) {
    TesMutex mutex;
    std::atomic<int> stage{0};  // 1: the other thread holds it; 2: it may let go
    std::jthread holder([&] {
        mutex.lock();
        stage = 1;
        waitUntil([&] { return stage == 2; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // lockFor below is waiting by now
        mutex.unlock();
    });
    EXPECT_TRUE(waitUntil([&] { return stage == 1; }));
    EXPECT_TRUE(timesOutAfter(0.001, [&] { return mutex.lockFor(0.0); }));
    EXPECT_TRUE(timesOutAfter(0.02, [&] { return mutex.lockFor(0.02); }));
    EXPECT_FALSE(mutex.tryLock());
    stage = 2;
    EXPECT_TRUE(mutex.lockFor(kPatience) && mutex.unlock());
}

// Lockers that find the mutex held sleep until it is free; a holder thread
// that ends holding it wakes them too.
TEST(TesMutex, ContendedLockersTakeTurnsAndAnEndingHolderWakesThem) {
    TesMutex mutex;
    int counter = 0;
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) EXPECT_TRUE(mutex.lock() && ++counter && mutex.unlock());
        });
    }
    threads.clear();
    EXPECT_EQ(counter, 20000);
    std::atomic<bool> held{false};
    std::jthread holder([&] {
        held = mutex.lock();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the lock below is asleep by now
    });
    EXPECT_TRUE(waitUntil([&] { return held.load(); }) && mutex.lock() && mutex.unlock());
}

// Escaped bytes and cut long names must not make two names one mutex.
TEST(TesMutexNamed, AnyBytesNameADistinctMutexThatLastsWhileAHandleIsOpen) {
    const std::string stem = uniqueName("n");
    const std::string names[] = {stem + "A", stem + "%41", stem + "a/b", stem + std::string(300, 'x'),
                                 stem + std::string(300, 'x') + "y"};
    std::deque<TesMutex> mutexes;
    for (const std::string& name : names) {
        EXPECT_FALSE(TesMutex(TesMutex::Creation::none).openNamed(name.c_str())) << name;
        ASSERT_TRUE(mutexes.emplace_back(TesMutex::Creation::none).createNamed(name.c_str())) << name;
    }
    for (size_t i = 0; i < std::size(names); ++i) {
        TesMutex again(TesMutex::Creation::none);
        ASSERT_TRUE(again.openNamed(names[i].c_str()) && again.lock()) << names[i];
        EXPECT_TRUE(mutexes[i].tryLock() && mutexes[i].unlock()) << names[i];
        for (size_t j = 0; j < std::size(names); ++j) {
            EXPECT_EQ(freeOnOtherThread(mutexes[j]), i != j) << names[i] << " / " << names[j];
        }
        EXPECT_TRUE(again.unlock());
    }
    mutexes.clear();
    for (const std::string& name : names) {
        EXPECT_FALSE(TesMutex(TesMutex::Creation::none).openNamed(name.c_str())) << "the last close removes " << name;
    }
}

TEST(TesMutexNamed, HeldByAChildProcessBlocksTheParentUntilReleased) {
    const std::string name = uniqueName("child");
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.createNamed(name.c_str()));
    ChildProcess child([&](ChildProcess& self) {
        TesMutex own(TesMutex::Creation::none);
        if (!own.openNamed(name.c_str()) || !own.lock()) return 1;
        self.notifyParent();
        return self.waitForParent(kPatience) && own.unlock() ? 0 : 2;
    });
    ASSERT_TRUE(child.waitForChild(kPatience));
    EXPECT_FALSE(mutex.tryLock() || mutex.lockFor(0.05));
    child.notifyChild();
    EXPECT_TRUE(mutex.lockFor(kPatience) && mutex.unlock());
    EXPECT_EQ(child.exitCode(kPatience), 0);
}

// A forked child may use and close the handle it inherited without touching the
// parent's; a holder that died leaves the mutex free and its name in place until
// the next close.
TEST(TesMutexNamed, AProcessThatDiedHoldingItKeepsItNeitherLockedNorNamedPastTheNextClose) {
    for (const bool parentCreates : {true, false}) {
        SCOPED_TRACE(parentCreates ? "child closed the inherited handle and its own while holding it"
                                   : "child died holding the only handle");
        const std::string name = uniqueName("dead");
        TesMutex inherited(TesMutex::Creation::none);
        ASSERT_TRUE(!parentCreates || inherited.createNamed(name.c_str()));
        ChildProcess child([&](ChildProcess&) {
            if (parentCreates && !(inherited.lock() && inherited.unlock() && inherited.close())) return 1;
            TesMutex own(TesMutex::Creation::none);
            if (!own.createNamed(name.c_str()) || !own.lock()) return 2;
            if (parentCreates) return own.close() ? 0 : 3;
            ChildProcess::exitAbruptly(0);
        });
        EXPECT_EQ(child.exitCode(kPatience), 0);
        TesMutex mutex(TesMutex::Creation::none);
        ASSERT_TRUE(mutex.openNamed(name.c_str())) << "the name outlives the child";
        EXPECT_TRUE(mutex.lockFor(kPatience) && mutex.unlock());
        EXPECT_TRUE(mutex.close());
        inherited.close();
        EXPECT_FALSE(mutex.openNamed(name.c_str()));
    }
}
