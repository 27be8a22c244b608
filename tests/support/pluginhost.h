// The real plug-in, loaded once per test process into a reference host that
// lives until the process ends (the plug-in keeps pointers into it), and the
// programs built beside it.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "refhost.h"

struct PluginUnderTest {
    RefHost* host;
    RefLoadedComponent loaded;
};

inline PluginUnderTest& pluginUnderTest() {
    static PluginUnderTest* plugin = [] {
        auto* created = new PluginUnderTest{new RefHost, {}};
        created->loaded = created->host->loadComponent(VESPER_PLUGIN_PATH);
        return created;
    }();
    return *plugin;
}

// A new object of a class the host knows, the plug-in's among them; null when unknown.
inline IPtr<ITesUnknown> pluginMake(const TesClassId& id) {
    return pluginUnderTest().host->manager().createInstance(id);
}

// Tests of the plug-in: each stops at once when it did not load.
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }
    static RefHost& host() { return *pluginUnderTest().host; }
};

// A program built beside the plug-in, e.g. "vesper-host".
inline std::string toolPath(const std::string& name) {
    const std::string plugin = VESPER_PLUGIN_PATH;
    return plugin.substr(0, plugin.rfind('/') + 1) + name;
}

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command; its standard output and exit code (-1 when it did not exit).
inline CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    for (size_t read = 0; (read = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) result.output.append(buffer, read);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
