#include <gtest/gtest.h>

#include <map>
#include <string>

#include "enumeration.h"
#include "iptr.h"
#include "neldatareceiver.h"
#include "refcomponentmanager.h"
#include "refdiagnostics.h"
#include "servicelookup.h"
#include "tesclcbinary.h"
#include "testobjects.h"

namespace {

// A component offered through getComponent that answers with a fixed result.
class TestServiceProvider : public ITesServiceProvider {
public:
    TestServiceProvider(int32_t answer, ITesUnknown* service) : answer_(answer), service_(service) {}
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"TestServiceProvider", this, this, {}});
    }
    const char* className() const override { return "TestServiceProvider"; }
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

class ServiceLookup : public ::testing::Test {
protected:
    void SetUp() override { tesSetComponentManager(manager_.get()); }
    void TearDown() override {
        tesSetComponentManager(nullptr);
        tesSetTestServiceName("");
    }
    IPtr<RefComponentManager> manager_{new RefComponentManager};
};

TEST(ServiceLookupWithoutManager, EveryLookupFails) {
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(tesGetService("ITesErrorService", &out), 0);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x1));
    SPtr<ITesErrorService> errors("ITesErrorService");
    EXPECT_FALSE(errors);
    EXPECT_EQ(errors.root(), nullptr);
}

TEST(ServiceLookupWithoutManager, FunctionStaticServiceStaysEmpty) {
    auto lookup = [] {
        static SPtr<ITesErrorService> errors("ITesErrorService");
        return errors.get();
    };
    EXPECT_EQ(lookup(), nullptr);
    IPtr<RefComponentManager> manager(new RefComponentManager);
    IPtr<RefErrorService> service(new RefErrorService(false));
    manager->addService(service.get(), {"ITesErrorService"});
    tesSetComponentManager(manager.get());
    EXPECT_EQ(lookup(), nullptr);  // the first answer holds
    SPtr<ITesErrorService> fresh("ITesErrorService");
    EXPECT_EQ(fresh.get(), static_cast<ITesErrorService*>(service.get()));
    tesSetComponentManager(nullptr);
}

TEST_F(ServiceLookup, SPtrHoldsOneReferenceToTheServiceFace) {
    IPtr<RefErrorService> service(new RefErrorService(false));
    manager_->addService(service.get(), {"ITesErrorService"});
    const uint32_t before = service->refCount();
    {
        SPtr<ITesErrorService> errors("ITesErrorService");
        ASSERT_TRUE(errors);
        EXPECT_EQ(service->refCount(), before + 1);
        errors->report("x", 1, "");
    }
    EXPECT_EQ(service->refCount(), before);
    EXPECT_EQ(service->reports().size(), 1u);
}

TEST_F(ServiceLookup, TestServiceAnsweringOneSkipsTheManager) {
    IPtr<RefErrorService> hostService(new RefErrorService(false));
    IPtr<RefErrorService> testService(new RefErrorService(false));
    manager_->addService(hostService.get(), {"ITesErrorService"});
    IPtr<TestServiceProvider> answersOne(new TestServiceProvider(1, testService.get()));
    manager_->addServiceProvider("testcomponent", answersOne.get());
    tesSetTestServiceName("testcomponent");
    const int64_t lookupsBefore = manager_->serviceLookups();
    SPtr<ITesErrorService> errors("ITesErrorService");
    EXPECT_EQ(errors.get(), static_cast<ITesErrorService*>(testService.get()));
    EXPECT_EQ(manager_->serviceLookups(), lookupsBefore);
    EXPECT_EQ(answersOne->calls, 1);
}

TEST_F(ServiceLookup, TestServiceAnsweringOtherwiseFallsBackToTheManager) {
    IPtr<RefErrorService> hostService(new RefErrorService(false));
    manager_->addService(hostService.get(), {"ITesErrorService"});
    for (int32_t answer : {0, 2, -1}) {
        IPtr<TestServiceProvider> provider(new TestServiceProvider(answer, nullptr));
        manager_->addServiceProvider("testcomponent", provider.get());
        tesSetTestServiceName("testcomponent");
        const int64_t lookupsBefore = manager_->serviceLookups();
        SPtr<ITesErrorService> errors("ITesErrorService");
        EXPECT_EQ(errors.get(), static_cast<ITesErrorService*>(hostService.get())) << answer;
        EXPECT_EQ(manager_->serviceLookups(), lookupsBefore + 1) << answer;
        EXPECT_EQ(provider->calls, 1) << answer;
    }
    tesSetTestServiceName("nosuchcomponent");
    SPtr<ITesErrorService> errors("ITesErrorService");
    EXPECT_EQ(errors.get(), static_cast<ITesErrorService*>(hostService.get()));
}

TEST(StringHash, Djb2OverSignedBytes) {
    EXPECT_EQ(tesStringHash(nullptr), 0u);
    EXPECT_EQ(tesStringHash(""), 5381u);
    EXPECT_EQ(tesStringHash("a"), 5381u * 33 + 'a');
    // 0xE9 counts as -23, not 233.
    EXPECT_EQ(tesStringHash("\xE9"), 5381u * 33 - 23);
    uint32_t expected = 5381;
    for (char c : std::string("ITesComponentManager")) expected = expected * 33 + static_cast<uint32_t>(c);
    EXPECT_EQ(tesStringHash("ITesComponentManager"), expected);
}

TEST(Enumeration, ClassThenInterfacesWithoutTheRoot) {
    TestMulti object;
    EnumerationContext context;
    context.enumerate(&object);
    const std::vector<EnumeratedName> expected = {
        {"TestMulti", 1, ""}, {"ITestAlpha", 0, "TestMulti"}, {"ITestBeta", 0, "TestMulti"}};
    EXPECT_EQ(context.entries(), expected);
    EXPECT_EQ(context.stackDepth(), 1);
}

TEST(Enumeration, BaseClassEntriesCarryTheRightOwner) {
    TestDerived object;
    EnumerationContext context;
    context.enumerate(&object);
    const std::vector<EnumeratedName> expected = {{"TestDerived", 1, ""},
                                                  {"ITestGamma", 0, "TestDerived"},
                                                  {"TestMulti", 1, "TestDerived"},
                                                  {"ITestAlpha", 0, "TestMulti"},
                                                  {"ITestBeta", 0, "TestMulti"}};
    EXPECT_EQ(context.entries(), expected);
    EXPECT_EQ(context.stackDepth(), 2);
}

TEST(Enumeration, StopSetEmptiesTheListOnceMet) {
    const std::vector<const char*> stopNames = {"ITesComponent",          "ITesComponentManager",
                                                "ITesComponentLoader",    "ITesComponentContainer",
                                                "ITesClassAccessGate",    "NelComponentManager"};
    for (uint32_t buckets : {1u, 7u, 17u}) {
        EnumerationContext stopped;
        stopped.setStopSet(stopNames, buckets);
        IPtr<RefComponentManager> manager(new RefComponentManager);
        stopped.enumerate(manager.get());  // reports "ITesComponentManager"
        EXPECT_TRUE(stopped.stopped());
        EXPECT_TRUE(stopped.entries().empty());
        EXPECT_EQ(stopped.stackDepth(), 0);
        TestMulti later;
        stopped.enumerate(&later);  // stays stopped
        EXPECT_TRUE(stopped.entries().empty());

        EnumerationContext full;
        full.setStopSet(stopNames, buckets);
        IPtr<ITesClcBinary> blob(new TesClcBinary("x", 1));
        full.enumerate(blob.get());
        EXPECT_FALSE(full.stopped());
        EXPECT_EQ(full.entries().size(), 2u);
    }
}

TEST(Enumeration, IdentityRecordIsFilledOnce) {
    constexpr TesClassId kId = TesClassId::parse("01234567-89ab-cdef-0123-456789abcdef");
    tesSetComponentIdentity("testcomponent", kId);
    tesSetTestServiceName("tester");
    TesIdentityRecord record{};
    EnumerationContext context;
    context.setIdentity(&record);
    TestMulti object;
    context.enumerate(&object);
    EXPECT_STREQ(record.componentName, "testcomponent");
    EXPECT_STREQ(record.testServiceName, "tester");
    EXPECT_EQ(record.componentId, kId);
    EXPECT_TRUE(context.entries().empty());

    tesSetComponentIdentity("other", TesClassId{});
    context.enumerate(&object);
    EXPECT_STREQ(record.componentName, "testcomponent");
    EXPECT_EQ(record.componentId, kId);
    tesSetTestServiceName("");
    tesSetComponentIdentity("", TesClassId{});
}

TEST(NelDataReceiver, AnswersItsNamesAndIgnoresNotifications) {
    IPtr<NelDataReceiver> receiver(new NelDataReceiver);
    EXPECT_EQ(tesQuery<ITesDataReceiver>(receiver.get(), "ITesDataReceiver"),
              static_cast<ITesDataReceiver*>(receiver.get()));
    EXPECT_EQ(tesQuery<void>(receiver.get(), "NelDataReceiver"), static_cast<void*>(receiver.get()));
    EXPECT_STREQ(receiver->className(), "NelDataReceiver");
    receiver->onDoubleChanged("Memory/MemLimit", 1.0);
    receiver->onRemoved(nullptr);
    EnumerationContext context;
    context.enumerate(receiver.get());
    const std::vector<EnumeratedName> expected = {{"NelDataReceiver", 1, ""},
                                                  {"ITesDataReceiver", 0, "NelDataReceiver"}};
    EXPECT_EQ(context.entries(), expected);
}

}  // namespace
