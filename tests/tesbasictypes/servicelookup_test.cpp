#include <gtest/gtest.h>

#include <string>

#include "enumeration.h"
#include "iptr.h"
#include "infrastructure/refcomponentmanager.h"
#include "infrastructure/refdiagnostics.h"
#include "servicelookup.h"

namespace {

// A component offered through getComponent that answers with a fixed result.
class TestServiceProvider : public ITesServiceProvider {
public:
    TestServiceProvider(int32_t answer, ITesUnknown* service) : answer_(answer), service_(service) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"Provider", this, this, {}});
    }
    const char* className() const override { return "Provider"; }
    int32_t getService(const char* interfaceName, void** out) override {
        ++calls;
        if (service_) service_->queryInterface(interfaceName, out);
        return answer_;
    }
    int calls = 0;

private:
    int32_t answer_;
    IPtr<ITesUnknown> service_;
};

// Without a manager every lookup fails and leaves the out pointer alone; a
// function-static SPtr keeps that first answer once a manager comes.
TEST(ServiceLookup, WithoutManagerEveryLookupFails) {
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(tesGetService("ITesErrorService", &out), 0);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x1));
    auto lookup = [] {
        static SPtr<ITesErrorService> errors("ITesErrorService");
        return errors.get();
    };
    EXPECT_EQ(lookup(), nullptr);
    IPtr<RefComponentManager> manager(new RefComponentManager);
    IPtr<RefErrorService> service(new RefErrorService(false));
    manager->addService(service.get(), {"ITesErrorService"});
    tesSetComponentManager(manager.get());
    EXPECT_EQ(lookup(), nullptr);
    EXPECT_EQ(SPtr<ITesErrorService>("ITesErrorService").get(), static_cast<ITesErrorService*>(service.get()));
    tesSetComponentManager(nullptr);
}

// The component named as test service is asked first: its answer 1 skips the
// manager, any other answer falls back to it; an SPtr holds one reference.
TEST(ServiceLookup, TestServiceAnsweringOneSkipsTheManager) {
    IPtr<RefComponentManager> manager(new RefComponentManager);
    tesSetComponentManager(manager.get());
    IPtr<RefErrorService> hostService(new RefErrorService(false));
    IPtr<RefErrorService> testService(new RefErrorService(false));
    manager->addService(hostService.get(), {"ITesErrorService"});
    tesSetTestServiceName("testcomponent");
    for (int32_t answer : {1, 2}) {
        SCOPED_TRACE(answer);
        IPtr<TestServiceProvider> provider(new TestServiceProvider(answer, answer == 1 ? testService.get() : nullptr));
        manager->addServiceProvider("testcomponent", provider.get());
        const int64_t lookups = manager->serviceLookups();
        SPtr<ITesErrorService> errors("ITesErrorService");
        EXPECT_EQ(errors.get(), static_cast<ITesErrorService*>(answer == 1 ? testService.get() : hostService.get()));
        EXPECT_EQ(manager->serviceLookups(), lookups + (answer == 1 ? 0 : 1));
        EXPECT_EQ(provider->calls, 1);
    }
    tesSetTestServiceName("nosuchcomponent");
    const uint32_t references = hostService->refCount();
    {
        SPtr<ITesErrorService> errors("ITesErrorService");
        EXPECT_EQ(errors.get(), static_cast<ITesErrorService*>(hostService.get()));
        EXPECT_EQ(hostService->refCount(), references + 1);
    }
    EXPECT_EQ(hostService->refCount(), references);
    tesSetTestServiceName("");
    tesSetComponentManager(nullptr);
}

// 0xE9 counts as -23, not 233. Runs of 32, of eight and the bytes after them
// give the byte-by-byte value, from 5381 for the empty text.
TEST(StringHash, Djb2OverSignedBytes) {
    EXPECT_EQ(tesStringHash(nullptr), 0u);
    std::string text;
    uint32_t expected = 5381;
    for (int i = 0; i < 90; ++i) {
        EXPECT_EQ(tesStringHash(text.c_str()), expected) << i;
        const char c = static_cast<char>(i * 97 + 1);
        text += c;
        expected = expected * 33 + static_cast<uint32_t>(static_cast<signed char>(c));
    }
}

// The class, then its interfaces, then a base class's entries owned by it; the
// root is not listed. Five entries grow the list past its first four.
TEST(Enumeration, ClassThenInterfacesWithTheirOwners) {
    TestMulti multi;
    TestDerived derived;
    const struct {
        ITesUnknown* object;
        std::vector<EnumeratedName> entries;
        int32_t depth;
    } cases[] = {
        {&multi, {{"TestMulti", 1, ""}, {"ITestAlpha", 0, "TestMulti"}, {"ITestBeta", 0, "TestMulti"}}, 1},
        {&derived,
         {{"TestDerived", 1, ""}, {"ITestGamma", 0, "TestDerived"}, {"TestMulti", 1, "TestDerived"},
          {"ITestAlpha", 0, "TestMulti"}, {"ITestBeta", 0, "TestMulti"}},
         2},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.entries[0].name);
        EnumerationContext context;
        context.enumerate(row.object);
        EXPECT_EQ(context.entries(), row.entries);
        EXPECT_EQ(context.stackDepth(), row.depth);
    }
}

// Meeting a name of the stop set empties the list for good, with one bucket
// (every name in one chain) as with many.
TEST(Enumeration, StopSetEmptiesTheListOnceMet) {
    const std::vector<const char*> stopNames = {"ITesComponent", "ITesComponentManager", "ITesComponentLoader",
                                                "ITesComponentContainer", "ITesClassAccessGate", "NelComponentManager"};
    for (uint32_t buckets : {1u, 17u}) {
        SCOPED_TRACE(buckets);
        EnumerationContext context;
        context.setStopSet(stopNames, buckets);
        TestMulti object;
        context.enumerate(&object);
        EXPECT_FALSE(context.stopped());
        EXPECT_EQ(context.entries().size(), 3u);
        IPtr<RefComponentManager> manager(new RefComponentManager);
        context.enumerate(manager.get());  // reports "ITesComponentManager"
        EXPECT_TRUE(context.stopped());
        EXPECT_EQ(context.stackDepth(), 0);
        context.enumerate(&object);
        EXPECT_TRUE(context.entries().empty());
    }
}

// An identity record takes the first identity it sees and lists nothing.
TEST(Enumeration, IdentityRecordIsFilledOnce) {
    constexpr TesClassId kId = TesClassId::parse("01234567-89ab-cdef-0123-456789abcdef");
    tesSetComponentIdentity("testcomponent", kId);
    tesSetTestServiceName("tester");
    TesIdentityRecord record{};
    EnumerationContext context;
    context.setIdentity(&record);
    TestMulti object;
    context.enumerate(&object);
    tesSetComponentIdentity("other", TesClassId{});
    context.enumerate(&object);
    EXPECT_STREQ(record.componentName, "testcomponent");
    EXPECT_STREQ(record.testServiceName, "tester");
    EXPECT_EQ(record.componentId, kId);
    EXPECT_TRUE(context.entries().empty());
    tesSetTestServiceName("");
    tesSetComponentIdentity("", TesClassId{});
}

}  // namespace
