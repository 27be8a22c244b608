#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "os/sharedlibrary.h"
#include "pluginhost.h"
#include "queryinterface.h"
#include "tesclcbinary.h"
#include "toolrun.h"

namespace {

class Plugin : public PluginTest {
protected:
    static ITesComponent* component() { return pluginUnderTest().loaded.component; }
    static ITesCompInternal* internal() { return pluginUnderTest().loaded.internal; }
};

// The library exports nothing but EntryPoint, which touches nothing without an out pointer.
TEST_F(Plugin, ExportsOnlyEntryPoint) {
    const ToolRun nm = runTool("nm", {"-D", "--defined-only", VESPER_PLUGIN_PATH});
    ASSERT_EQ(nm.exitCode, 0);
    std::istringstream lines(nm.output);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) names.push_back(line.substr(line.rfind(' ') + 1));
    EXPECT_EQ(names, std::vector<std::string>{"EntryPoint"});
    TesSharedLibrary library = tesLoadLibrary(VESPER_PLUGIN_PATH);
    auto entryPoint = reinterpret_cast<TesEntryPointFn>(tesFindSymbol(library, kTesEntryPointName));
    ASSERT_NE(entryPoint, nullptr) << library.error;
    uint32_t version = 7;
    EXPECT_EQ(entryPoint(&version, nullptr), 0);
    EXPECT_EQ(version, 7u);
}

// The class registry itself is covered by classregistry_test.cpp; here a second
// initialisation must register nothing again.
TEST_F(Plugin, ClassesAndTheServiceClassAreRegisteredOnce) {
    const int32_t classes = internal()->classCount();
    const int registrations = host().manager().serviceClassRegistrations();
    EXPECT_TRUE(component()->initialize(&host().manager(), nullptr));
    EXPECT_EQ(host().manager().serviceClassRegistrations(), registrations);
    EXPECT_EQ(internal()->classCount(), classes);
    EXPECT_EQ(host().manager().serviceClasses().count("ITesMatrixWidget"), 1u);
}

TEST_F(Plugin, TestServiceNameBreakFlagAndClassName) {
    internal()->setTestServiceName("tester");
    EXPECT_STREQ(internal()->testServiceName(), "tester");
    internal()->setTestServiceName("");
    const bool original = internal()->breakEnabled();
    internal()->setBreakEnabled(!original);
    EXPECT_EQ(internal()->breakEnabled(), !original);
    internal()->setBreakEnabled(original);
    EXPECT_STREQ(component()->className(), "TesStaticBaseComponent");
}

TEST_F(Plugin, DescriptorIsOneLastingBlob) {
    ITesClcBinary* descriptor = component()->descriptor();
    ASSERT_NE(descriptor, nullptr);
    { IPtr<ITesClcBinary> held(descriptor); }  // the host's release must not free it
    EXPECT_EQ(component()->descriptor(), descriptor);
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

class CountingCallback : public ITesTestCallback {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"Counting", this, this, {}});
    }
    const char* className() const override { return "Counting"; }
    void runTest(const char*, bool (*)()) override { ++calls; }
    int calls = 0;
};

// Without a callback the missing test service is reported, with the host's
// status, once: a call from inside the report returns at once. A callback is
// given no test: the component registers none.
TEST_F(Plugin, RunTestsReportsAMissingTestServiceOnce) {
    IPtr<ReenteringErrorService> errors(new ReenteringErrorService(internal()));
    host().manager().addService(errors.get(), {"ITesErrorService"});
    internal()->runTests(nullptr);
    IPtr<CountingCallback> callback(new CountingCallback);
    internal()->runTests(callback.get());
    EXPECT_EQ(callback->calls, 0);
    host().manager().addService(&host().errors(), {"ITesErrorService"});
    ASSERT_EQ(errors->reports().size(), 2u);
    EXPECT_EQ(errors->reports()[0].message, "Unable to get test service");
    EXPECT_EQ(errors->reports()[0].level, 1);
    EXPECT_EQ(errors->reports()[1].message.rfind("refhost:", 0), 0u) << errors->reports()[1].message;
}

// vesper-host lists what the entry point handed over (the component's name and
// identifier are those of its identity record); only "0" turns the break flag off.
TEST(VesperHost, ListsTheComponentWithTheBreakFlagOfTheEnvironment) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"-u", "TES_BREAK_ENABLED"}, "yes"}, {{"TES_BREAK_ENABLED=0"}, "no"}, {{"TES_BREAK_ENABLED=00"}, "yes"}};
    for (auto [arguments, shown] : cases) {
        arguments.push_back(toolPath("vesper-host"));
        const ToolRun run = runTool("env", arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments[0];
        EXPECT_NE(run.output.find(std::string("break enabled:     ") + shown + "\n"), std::string::npos) << arguments[0];
    }
    const ToolRun run = runTool(toolPath("vesper-host"), {});
    EXPECT_EQ(run.output.substr(0, run.output.find("break")),
              "component:         vespercomponent\n"
              "identifier:        96ab9943-0d0c-4a16-9e7b-a0a9db0470ac\n"
              "version:           5.3.21.373382\n"
              "interface version: 100\n"
              "descriptor:        kind 1, 16 bytes\n");
    EXPECT_NE(run.output.find("service classes:   1\n  96d67206-02c5-4643-9c13-e236cec49466  ITesMatrixWidget\n"),
              std::string::npos) << run.output;
    EXPECT_EQ(runTool(toolPath("vesper-host"), {"--plugin", "libm.so.6"}).exitCode, 1);
}

}  // namespace
