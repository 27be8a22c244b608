#include "tesmutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "boundedwait.h"
#include "childprocess.h"

namespace {

constexpr double kPatience = 5.0;  // seconds any wait in these tests may last

// Runs `probe` on another thread and returns its result.
template <typename Probe>
bool onOtherThread(Probe probe) {
    bool result = false;
    std::thread thread([&] { result = probe(); });
    thread.join();
    return result;
}

// A thread that locks `mutex`, holds it until told to release, then leaves.
class Holder {
public:
    explicit Holder(TesMutex& mutex)
        : thread_([this, &mutex] {
              locked_ = mutex.lockFor(kPatience);
              holding_ = true;
              testsupport::waitUntil([this] { return release_.load(); }, kPatience);
              if (locked_) mutex.unlock();
          }) {
        testsupport::waitUntil([this] { return holding_.load(); }, kPatience);
    }
    ~Holder() {
        release_ = true;
        thread_.join();
    }
    bool locked() const { return locked_; }
    void release() { release_ = true; }

private:
    std::atomic<bool> holding_{false};
    std::atomic<bool> release_{false};
    bool locked_ = false;
    std::thread thread_;
};

}  // namespace

TEST(TesMutex, WithoutHandleEveryCallFails) {
    TesMutex mutex(TesMutex::Creation::none);
    EXPECT_TRUE(mutex.isNull());
    EXPECT_FALSE(mutex.lock());
    EXPECT_FALSE(mutex.tryLock());
    EXPECT_FALSE(mutex.lockFor(0.01));
    EXPECT_FALSE(mutex.unlock());
    EXPECT_FALSE(mutex.close());
    EXPECT_TRUE(mutex.create());
    EXPECT_FALSE(mutex.isNull());
    EXPECT_TRUE(mutex.close());
    EXPECT_TRUE(mutex.isNull());
}

TEST(TesMutex, CreatingOverAHandleFailsAndKeepsIt) {
    const std::string name = testsupport::uniqueName("keep");
    TesMutex mutex;
    TesOsMutex* const original = mutex.handle();
    ASSERT_NE(original, nullptr);
    EXPECT_FALSE(mutex.create());
    EXPECT_FALSE(mutex.createNamed(name.c_str()));
    EXPECT_FALSE(mutex.openNamed(name.c_str()));
    EXPECT_EQ(mutex.handle(), original);

    TesMutex named(TesMutex::Creation::none);
    ASSERT_TRUE(named.createNamed(name.c_str()));
    TesOsMutex* const namedHandle = named.handle();
    EXPECT_FALSE(named.createNamed(name.c_str()));
    EXPECT_FALSE(named.openNamed(name.c_str()));
    EXPECT_EQ(named.handle(), namedHandle);
}

TEST(TesMutex, NullAndEmptyNamesAreRefused) {
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        TesMutex mutex(TesMutex::Creation::none);
        EXPECT_FALSE(mutex.createNamed(name));
        EXPECT_FALSE(mutex.openNamed(name));
        EXPECT_TRUE(mutex.isNull());
    }
}

TEST(TesMutex, RecursiveAndOwnedByTheLockingThread) {
    TesMutex mutex;
    ASSERT_TRUE(mutex.lock());
    ASSERT_TRUE(mutex.tryLock());
    EXPECT_FALSE(onOtherThread([&] { return mutex.tryLock(); }));
    EXPECT_FALSE(onOtherThread([&] { return mutex.unlock(); }));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(onOtherThread([&] { return mutex.tryLock(); }));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(mutex.unlock());
    EXPECT_TRUE(onOtherThread([&] { return mutex.tryLock() && mutex.unlock(); }));
}

TEST(TesMutex, LockForTimesOutWhileHeldAndWaitsAtLeastOneMillisecond) {
    TesMutex mutex;
    Holder holder(mutex);
    ASSERT_TRUE(holder.locked());
    for (double seconds : {0.0001, 0.0, -1.0, 0.02}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(mutex.lockFor(seconds)) << seconds;
        EXPECT_GE(testsupport::secondsSince(start), seconds > 0.001 ? seconds : 0.001) << seconds;
    }
    EXPECT_FALSE(mutex.tryLock());
}

TEST(TesMutex, LockForReturnsWhenTheHolderReleases) {
    TesMutex mutex;
    Holder holder(mutex);
    ASSERT_TRUE(holder.locked());
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        holder.release();
    });
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_TRUE(mutex.unlock());
    releaser.join();
}

TEST(TesMutex, HolderThreadThatEndedDoesNotKeepItLocked) {
    TesMutex mutex;
    std::thread([&] { mutex.lock(); }).join();
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(onOtherThread([&] { return mutex.tryLock() && mutex.unlock(); }));
}

TEST(TesMutexNamed, OpenFindsOnlyALiveNameAndSharesTheMutex) {
    const std::string name = testsupport::uniqueName("shared");
    TesMutex opener(TesMutex::Creation::none);
    EXPECT_FALSE(opener.openNamed(name.c_str()));
    {
        TesMutex creator(TesMutex::Creation::none);
        ASSERT_TRUE(creator.createNamed(name.c_str()));
        ASSERT_TRUE(opener.openNamed(name.c_str()));
        ASSERT_TRUE(creator.lock());
        EXPECT_FALSE(onOtherThread([&] { return opener.tryLock(); }));
        // Recursive across handles: the same thread owns the one mutex.
        EXPECT_TRUE(opener.tryLock());
        EXPECT_TRUE(opener.unlock());
        EXPECT_TRUE(creator.unlock());
        EXPECT_TRUE(onOtherThread([&] { return opener.tryLock() && opener.unlock(); }));
    }
    EXPECT_TRUE(opener.close());
    TesMutex late(TesMutex::Creation::none);
    EXPECT_FALSE(late.openNamed(name.c_str())) << "the last close removes the name";
}

TEST(TesMutexNamed, AnyBytesNameADistinctMutex) {
    const std::string stem = testsupport::uniqueName("n");
    const std::string names[] = {
        stem + "A", stem + "%41", stem + "a/b", stem + "Local\\x", stem + " with space",
        stem + "\xC3\xA9", stem + std::string(300, 'x'), stem + std::string(300, 'x') + "y",
    };
    std::vector<std::unique_ptr<TesMutex>> mutexes;
    for (const std::string& name : names) {
        mutexes.push_back(std::make_unique<TesMutex>(TesMutex::Creation::none));
        ASSERT_TRUE(mutexes.back()->createNamed(name.c_str())) << name;
    }
    for (size_t i = 0; i < std::size(names); ++i) {
        TesMutex again(TesMutex::Creation::none);
        ASSERT_TRUE(again.openNamed(names[i].c_str())) << names[i];
        ASSERT_TRUE(mutexes[i]->lock());
        for (size_t j = 0; j < std::size(names); ++j) {
            const bool free = onOtherThread([&] { return mutexes[j]->tryLock() && mutexes[j]->unlock(); });
            EXPECT_EQ(free, i != j) << names[i] << " / " << names[j];
        }
        EXPECT_FALSE(onOtherThread([&] { return again.tryLock(); })) << names[i];
        EXPECT_TRUE(mutexes[i]->unlock());
    }
}

TEST(TesMutexNamed, HeldByAChildProcessBlocksTheParentUntilReleased) {
    const std::string name = testsupport::uniqueName("child");
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.createNamed(name.c_str()));
    testsupport::ChildProcess child([&](testsupport::ChildProcess& self) {
        TesMutex own(TesMutex::Creation::none);
        if (!own.openNamed(name.c_str()) || !own.lock()) return 1;
        self.notifyParent();
        if (!self.waitForParent(kPatience)) return 2;
        return own.unlock() ? 0 : 3;
    });
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.waitForChild(kPatience));
    EXPECT_FALSE(mutex.tryLock());
    EXPECT_FALSE(mutex.lockFor(0.05));
    child.notifyChild();
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_EQ(child.exitCode(kPatience), 0);
    EXPECT_TRUE(mutex.unlock());
}

TEST(TesMutexNamed, HolderThatDiedDoesNotKeepItLocked) {
    const std::string name = testsupport::uniqueName("dead");
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.createNamed(name.c_str()));
    testsupport::ChildProcess child([&](testsupport::ChildProcess& self) {
        TesMutex own(TesMutex::Creation::none);
        if (!own.openNamed(name.c_str()) || !own.lock()) return 1;
        self.notifyParent();
        return 0;  // exits holding the mutex
    });
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.waitForChild(kPatience));
    EXPECT_EQ(child.exitCode(kPatience), 0);
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(onOtherThread([&] { return mutex.tryLock() && mutex.unlock(); }));

    // The same for a thread of this process that ended holding it.
    std::thread([&] { mutex.lock(); }).join();
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_TRUE(mutex.unlock());
}

TEST(TesMutexNamed, NameOfAProcessThatDiedHoldingItLastsUntilTheNextClose) {
    const std::string name = testsupport::uniqueName("orphan");
    testsupport::ChildProcess child([&](testsupport::ChildProcess&) {
        TesMutex own(TesMutex::Creation::none);
        if (!own.createNamed(name.c_str()) || !own.lock()) return 1;
        testsupport::ChildProcess::exitAbruptly(0);  // dies without closing its handle
    });
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.exitCode(kPatience), 0);
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.openNamed(name.c_str()));
    EXPECT_TRUE(mutex.lockFor(kPatience));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_TRUE(mutex.close());
    EXPECT_FALSE(mutex.openNamed(name.c_str()));
}

TEST(TesMutexNamed, ForkedChildClosingAnInheritedHandleLeavesTheParentsOpen) {
    const std::string name = testsupport::uniqueName("inherited");
    TesMutex mutex(TesMutex::Creation::none);
    ASSERT_TRUE(mutex.createNamed(name.c_str()));
    testsupport::ChildProcess child([&](testsupport::ChildProcess&) {
        if (!mutex.lock() || !mutex.unlock()) return 1;  // the inherited handle works
        if (!mutex.close()) return 2;
        TesMutex own(TesMutex::Creation::none);
        return own.openNamed(name.c_str()) ? 0 : 3;
    });
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.exitCode(kPatience), 0);
    TesMutex again(TesMutex::Creation::none);
    EXPECT_TRUE(again.openNamed(name.c_str()));
    EXPECT_TRUE(again.close());
    EXPECT_TRUE(mutex.close());
    EXPECT_FALSE(again.openNamed(name.c_str()));
}
