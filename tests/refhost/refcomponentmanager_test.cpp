#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "refhost.h"

namespace {

TEST(RefComponentManager, ServicesAreFoundByEveryRegisteredNameOnly) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    IPtr<RefErrorService> errors(new RefErrorService(false));
    manager->addService(errors.get(), {"ITesErrorService", "RefErrorService"});
    void* out = nullptr;
    EXPECT_EQ(manager->getService("ITesErrorService", &out), 1);
    EXPECT_EQ(out, static_cast<ITesErrorService*>(errors.get()));
    out = nullptr;
    EXPECT_EQ(manager->getService("RefErrorService", &out), 1);  // the class face
    EXPECT_EQ(out, static_cast<void*>(errors.get()));
    out = reinterpret_cast<void*>(0x8);
    EXPECT_EQ(manager->getService("IGfxRenderer", &out), 0);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x8));
    EXPECT_EQ(manager->getService(nullptr, &out), 0);

    // Registered under a name the object does not answer: no service.
    manager->addService(errors.get(), {"ITesAssertHandlerCB"});
    EXPECT_EQ(manager->getService("ITesAssertHandlerCB", &out), 0);

    manager->removeService("ITesErrorService");
    EXPECT_EQ(manager->getService("ITesErrorService", &out), 0);
    EXPECT_EQ(manager->serviceLookups(), 6);
}

TEST(RefComponentManager, AtomicCountingFromSeveralThreads) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    uint32_t count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) manager->atomicIncrement(&count);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(count, 40000u);
    int reachedZero = 0;
    threads.clear();
    std::atomic<int> zeros{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) zeros += manager->atomicDecrement(&count) ? 1 : 0;
        });
    }
    for (std::thread& thread : threads) thread.join();
    reachedZero = zeros.load();
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(reachedZero, 1);
}

TEST(RefComponentManager, StatusAndUnknownComponents) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    EXPECT_EQ(manager->getComponent("nothing", 0), nullptr);
    EXPECT_EQ(manager->getComponent(nullptr, 0), nullptr);
    EXPECT_STREQ(manager->statusText(), "refhost: 0 component(s), 0 service(s), 0 service class(es)");
    TesClassId id{};
    EXPECT_EQ(manager->registerServiceClass(nullptr, &id), 0);
    EXPECT_EQ(manager->registerServiceClass("ITesX", nullptr), 0);
    EXPECT_EQ(manager->registerServiceClass("ITesX", &id), 1);
    EXPECT_TRUE(manager->serviceClasses().count("ITesX"));
    void* out = nullptr;
    EXPECT_EQ(manager->getService("ITesX", &out), 0);  // no component has the class
    EXPECT_TRUE(manager->classes().empty());
}

TEST(RefHost, LoadingSomethingThatIsNotAComponentFailsClearly) {
    RefHost host;
    RefLoadedComponent missing = host.loadComponent("/nonexistent/libnothing.so");
    EXPECT_FALSE(missing.good);
    EXPECT_NE(missing.error.find("cannot load plug-in"), std::string::npos);
    RefLoadedComponent foreign = host.loadComponent("libm.so.6");
    EXPECT_FALSE(foreign.good);
    EXPECT_NE(foreign.error.find("no EntryPoint"), std::string::npos);
}

}  // namespace
