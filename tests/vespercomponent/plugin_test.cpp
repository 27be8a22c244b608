#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "enumeration.h"
#include "os/sharedlibrary.h"
#include "pluginhost.h"
#include "queryinterface.h"
#include "runcommand.h"
#include "tesclcbinary.h"

namespace {

constexpr TesClassId kMatrixWidgetId = TesClassId::parse("96d67206-02c5-4643-9c13-e236cec49466");
constexpr TesClassId kComponentId = TesClassId::parse("96ab9943-0d0c-4a16-9e7b-a0a9db0470ac");

class Plugin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plugin().loaded.good) << plugin().loaded.error; }
    static PluginUnderTest& plugin() { return pluginUnderTest(); }
    static ITesComponent* component() { return plugin().loaded.component; }
    static ITesCompInternal* internal() { return plugin().loaded.internal; }
    static RefHost& host() { return *plugin().host; }
};

TEST_F(Plugin, EntryPointHandsOverTheComponentWithVersion100) {
    EXPECT_EQ(plugin().loaded.interfaceVersion, 100u);
    EXPECT_STREQ(component()->version(), "5.3.21.373382");
    EXPECT_STREQ(component()->className(), "TesStaticBaseComponent");
    ASSERT_NE(internal(), nullptr);
    EXPECT_STREQ(internal()->componentName(), "vespercomponent");
    EXPECT_EQ(*internal()->componentId(), kComponentId);
}

TEST_F(Plugin, EntryPointWithoutAnOutPointerTouchesNothing) {
    TesSharedLibrary library = tesLoadLibrary(VESPER_PLUGIN_PATH);
    auto entryPoint = reinterpret_cast<TesEntryPointFn>(tesFindSymbol(library, kTesEntryPointName));
    ASSERT_NE(entryPoint, nullptr) << library.error;
    uint32_t version = 7;
    EXPECT_EQ(entryPoint(&version, nullptr), 0);
    EXPECT_EQ(version, 7u);
}

TEST_F(Plugin, ExportsOnlyEntryPoint) {
    const CommandResult nm = runCommand(std::string("nm -D --defined-only ") + VESPER_PLUGIN_PATH);
    ASSERT_EQ(nm.exitCode, 0);
    std::istringstream lines(nm.output);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) names.push_back(line.substr(line.rfind(' ') + 1));
    EXPECT_EQ(names, std::vector<std::string>{"EntryPoint"});
}

TEST_F(Plugin, ClassEnumerationIsConsistent) {
    std::vector<TesClassId> ids;
    TesClassId id{};
    for (bool more = internal()->firstClassId(&id); more; more = internal()->nextClassId(&id)) ids.push_back(id);
    EXPECT_EQ(static_cast<int32_t>(ids.size()), internal()->classCount());
    for (const TesClassId& each : ids) EXPECT_NE(internal()->classNameOf(each), nullptr);

    constexpr TesClassId kUnknown = TesClassId::parse("00000000-0000-0000-0000-00000000abcd");
    ITesUnknown* created = reinterpret_cast<ITesUnknown*>(0x10);
    EXPECT_EQ(component()->createInstance(kUnknown, &created), 0);
    EXPECT_EQ(created, reinterpret_cast<ITesUnknown*>(0x10));
    EXPECT_EQ(internal()->classNameOf(kUnknown), nullptr);
}

TEST_F(Plugin, MatrixWidgetIsRegisteredAsServiceClassOnce) {
    const auto& serviceClasses = host().manager().serviceClasses();
    ASSERT_EQ(serviceClasses.count("ITesMatrixWidget"), 1u);
    EXPECT_EQ(serviceClasses.at("ITesMatrixWidget"), kMatrixWidgetId);
    const int registrations = host().manager().serviceClassRegistrations();
    const int32_t classes = internal()->classCount();
    EXPECT_TRUE(component()->initialize(&host().manager(), nullptr));  // a second initialisation
    EXPECT_EQ(host().manager().serviceClassRegistrations(), registrations);
    EXPECT_EQ(internal()->classCount(), classes);
}

TEST_F(Plugin, DescriptorIsOneLastingBlob) {
    ITesClcBinary* descriptor = component()->descriptor();
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(descriptor->kind(), 1);
    EXPECT_EQ(descriptor->size(), 16u);
    { IPtr<ITesClcBinary> held(descriptor); }  // the host's release must not free it
    EXPECT_EQ(component()->descriptor(), descriptor);
    EXPECT_EQ(descriptor->size(), 16u);
}

TEST_F(Plugin, ComponentAnswersItsNamesInOrder) {
    ITesUnknown* root = component();
    EXPECT_EQ(tesQuery<ITesComponent>(root, "ITesComponent"), component());
    EXPECT_EQ(tesQuery<ITesCompInternal>(root, "ITesCompInternal"), internal());
    EXPECT_EQ(tesQuery<ITesUnknown>(root, "ITesUnknown"), root);
    EXPECT_NE(tesQuery<void>(root, "TesStaticBaseComponent"), nullptr);
    EXPECT_EQ(tesQuery<void>(root, "TesBaseComponent"), nullptr);

    EnumerationContext full;
    full.enumerate(root);
    const std::vector<EnumeratedName> expected = {{"TesStaticBaseComponent", 1, ""},
                                                  {"ITesComponent", 0, "TesStaticBaseComponent"},
                                                  {"ITesCompInternal", 0, "TesStaticBaseComponent"}};
    EXPECT_EQ(full.entries(), expected);

    EnumerationContext stopped;
    stopped.setStopSet({"ITesComponent", "ITesComponentManager", "ITesComponentLoader", "ITesComponentContainer",
                        "ITesClassAccessGate", "NelComponentManager"},
                       11);
    stopped.enumerate(root);
    EXPECT_TRUE(stopped.entries().empty());

    TesIdentityRecord record{};
    EnumerationContext identity;
    identity.setIdentity(&record);
    identity.enumerate(root);
    EXPECT_STREQ(record.componentName, "vespercomponent");
    EXPECT_EQ(record.componentId, kComponentId);
}

// Calls runTests again from inside the first call's report.
class ReenteringErrorService : public RefErrorService {
public:
    explicit ReenteringErrorService(ITesCompInternal* component) : RefErrorService(false), component_(component) {}
    void report(const char* message, int32_t level, const char* context) override {
        RefErrorService::report(message, level, context);
        component_->runTests(nullptr);
    }

private:
    ITesCompInternal* component_;
};

TEST_F(Plugin, RunTestsWithoutCallbackReportsToTheErrorService) {
    IPtr<ReenteringErrorService> errors(new ReenteringErrorService(internal()));
    host().manager().addService(errors.get(), {"ITesErrorService"});
    internal()->runTests(nullptr);
    host().manager().addService(&host().errors(), {"ITesErrorService"});
    ASSERT_EQ(errors->reports().size(), 2u);
    EXPECT_EQ(errors->reports()[0].message, "Unable to get test service");
    EXPECT_EQ(errors->reports()[0].level, 1);
    EXPECT_EQ(errors->reports()[0].context, "");
    EXPECT_EQ(errors->reports()[1].message.rfind("refhost:", 0), 0u) << errors->reports()[1].message;
    EXPECT_EQ(errors->reports()[1].level, 1);
}

class CountingCallback : public ITesTestCallback {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"CountingCallback", this, this, {}});
    }
    const char* className() const override { return "CountingCallback"; }
    void runTest(const char*, bool (*)()) override { ++calls; }
    int calls = 0;
};

TEST_F(Plugin, RunTestsWithCallbackHasNoTestsToRun) {
    IPtr<CountingCallback> callback(new CountingCallback);
    const size_t reports = host().errors().reports().size();
    internal()->runTests(callback.get());
    EXPECT_EQ(callback->calls, 0);
    EXPECT_EQ(host().errors().reports().size(), reports);
}

TEST_F(Plugin, TestServiceNameAndBreakFlagAreStored) {
    internal()->setTestServiceName("tester");
    EXPECT_STREQ(internal()->testServiceName(), "tester");
    internal()->setTestServiceName("");
    EXPECT_STREQ(internal()->testServiceName(), "");
    const bool original = internal()->breakEnabled();
    internal()->setBreakEnabled(!original);
    EXPECT_EQ(internal()->breakEnabled(), !original);
    internal()->setBreakEnabled(original);
    EXPECT_TRUE(internal()->reservedSlot9());
    EXPECT_EQ(internal()->reservedSlot4(), nullptr);
}

TEST(VesperHost, BreakFlagFollowsTheEnvironmentAtLoad) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"env -u TES_BREAK_ENABLED", "yes"}, {"TES_BREAK_ENABLED=0", "no"},   {"TES_BREAK_ENABLED=1", "yes"},
        {"TES_BREAK_ENABLED=00", "yes"},     {"TES_BREAK_ENABLED=yes", "yes"}, {"TES_BREAK_ENABLED=", "yes"}};
    for (const auto& [environment, expected] : cases) {
        const CommandResult run = runCommand(environment + " " + toolPath("vesper-host"));
        ASSERT_EQ(run.exitCode, 0) << environment;
        EXPECT_NE(run.output.find("break enabled:     " + expected + "\n"), std::string::npos) << environment;
    }
}

TEST(VesperHost, ListsTheComponentAndFailsClearlyOnABadLibrary) {
    const CommandResult run = runCommand(toolPath("vesper-host"));
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("component:         vespercomponent\n"), std::string::npos);
    EXPECT_NE(run.output.find("version:           5.3.21.373382\n"), std::string::npos);
    EXPECT_NE(run.output.find("ITesMatrixWidget"), std::string::npos);

    const CommandResult missing = runCommand(toolPath("vesper-host") + " --plugin /nonexistent/libx.so 2>&1");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("cannot load plug-in"), std::string::npos) << missing.output;

    // A shared library that is not a component.
    const CommandResult foreign = runCommand(toolPath("vesper-host") + " --plugin libm.so.6 2>&1");
    EXPECT_NE(foreign.exitCode, 0);
    EXPECT_NE(foreign.output.find("no EntryPoint"), std::string::npos) << foreign.output;
}

}  // namespace
