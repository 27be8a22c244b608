// The real plug-in, loaded once per test process into a reference host that
// lives until the process ends (the plug-in keeps pointers into it).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "refhost.h"
#include "session/reflines.h"
#include "session/refscene.h"

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

// Tests that call the plug-in's classes in this process: the host's copy of
// the library looks services up through the host, and scenes load from text.
class PluginSceneTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        static const bool installed = (host().installInLibrary(), true);
        (void)installed;
    }

    // Replaces the document by the scene's lines.
    static void load(const std::string& scene) {
        host().document().clear();
        const RefSceneResult result = refLoadSceneLines(host(), refSplitLines(scene, "scene"), "scene");
        ASSERT_TRUE(result.good) << result.error;
    }
};
