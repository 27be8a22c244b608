// The real plug-in, loaded once per test process into a reference host that
// lives until the process ends (the plug-in keeps pointers into it).
#pragma once

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

// A program built beside the plug-in, e.g. "vesper-host".
inline std::string toolPath(const std::string& name) {
    const std::string plugin = VESPER_PLUGIN_PATH;
    return plugin.substr(0, plugin.rfind('/') + 1) + name;
}
