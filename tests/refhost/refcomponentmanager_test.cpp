#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "refhost.h"

namespace {

// A service is found by each name it was registered under that the object
// answers; a miss leaves the out pointer alone.
TEST(RefComponentManager, ServicesAreFoundByEveryRegisteredNameOnly) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    IPtr<RefErrorService> errors(new RefErrorService(false));
    manager->addService(errors.get(), {"ITesErrorService", "RefErrorService", "ITesAssertHandlerCB"});
    void* out = nullptr;
    EXPECT_EQ(manager->getService("ITesErrorService", &out), 1);
    EXPECT_EQ(out, static_cast<ITesErrorService*>(errors.get()));
    EXPECT_EQ(manager->getService("RefErrorService", &out), 1);  // the class face
    EXPECT_EQ(out, static_cast<void*>(errors.get()));
    out = reinterpret_cast<void*>(0x8);
    for (const char* missing : {"IGfxRenderer", static_cast<const char*>(nullptr), "ITesAssertHandlerCB"}) {
        EXPECT_EQ(manager->getService(missing, &out), 0) << (missing ? missing : "null");
    }
    EXPECT_EQ(out, reinterpret_cast<void*>(0x8));
    manager->removeService("ITesErrorService");
    EXPECT_EQ(manager->getService("ITesErrorService", &out), 0);
    EXPECT_EQ(manager->serviceLookups(), 6);
}

// Four threads count up, then down: exactly one decrement reaches zero.
TEST(RefComponentManager, AtomicCountingFromSeveralThreads) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    uint32_t count = 0;
    std::atomic<int> zeros{0};
    auto onFourThreads = [](const std::function<void()>& body) {
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) body();
        });
        for (std::thread& thread : threads) thread.join();
    };
    onFourThreads([&] { manager->atomicIncrement(&count); });
    EXPECT_EQ(count, 40000u);
    onFourThreads([&] { zeros += manager->atomicDecrement(&count) ? 1 : 0; });
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(zeros.load(), 1);
}

// A service class with no component to make it gives no service.
TEST(RefComponentManager, StatusAndUnknownComponents) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    EXPECT_EQ(manager->getComponent("nothing", 0), nullptr);
    EXPECT_EQ(manager->getComponent(nullptr, 0), nullptr);
    EXPECT_STREQ(manager->statusText(), "refhost: 0 component(s), 0 service(s), 0 service class(es)");
    TesClassId id{};
    EXPECT_EQ(manager->registerServiceClass(nullptr, &id), 0);
    EXPECT_EQ(manager->registerServiceClass("ITesX", nullptr), 0);
    EXPECT_EQ(manager->registerServiceClass("ITesX", &id), 1);
    void* out = nullptr;
    EXPECT_EQ(manager->getService("ITesX", &out), 0);
}

TEST(RefHost, LoadingSomethingThatIsNotAComponentFailsClearly) {
    RefHost host;
    EXPECT_NE(host.loadComponent("/nonexistent/libnothing.so").error.find("cannot load plug-in"), std::string::npos);
    const RefLoadedComponent foreign = host.loadComponent("libm.so.6");
    EXPECT_FALSE(foreign.good);
    EXPECT_NE(foreign.error.find("no EntryPoint"), std::string::npos);
}

}  // namespace
