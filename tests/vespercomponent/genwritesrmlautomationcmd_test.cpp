// The generated script, Browse and the installation into the host's
// workflows; tests/golden/srml-automation.out pins a whole session, the
// script's fixed lines around the values included.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "genwritesrmlautomationcmd.h"
#include "pluginhost.h"
#include "sessionrun.h"
#include "tempfolder.h"

namespace {

TEST(SrmlAutomation, ScriptTable) {
    const struct {
        const char16_t* path;
        const char16_t* recipe;
        double distance;
        int32_t angle;
        const char* expected;
    } rows[] = {
        {u"/d/SRMLPATH.srml", u"r", 1, 0, "srmlPath = \"/d/SRMLPATH.srml\""},
        {u"/d/RECIPENAME.srml", u"Fine", 1, 0, "srmlPath = \"/d/Fine.srml\""},
        {u"p", u"Say \"hi\"", 1, 0, "recipeName = \"Say \"hi\"\""},
        {u"/Grün.srml", u"Été", 1, 0, "srmlPath = \"/Gr\xc3\xbcn.srml\"\nrecipeName = \"\xc3\x89t\xc3\xa9\""},
        {u"", u"", 1e10, -3, "srmlPath = \"\"\nrecipeName = \"\"\ndistanceTol = 10000000000.000000\nangleTol = -3\n"},
        {u"p", u"r", 2e10, 0, "distanceTol = 2.000000e+10\n"},
        {u"p", u"DISTANCETOL", -0.05, 0, "recipeName = \"-0.050000\"\ndistanceTol = -0.050000\n"},
    };
    for (const auto& row : rows) {
        const std::string script = srmlAutomationScript(row.path, row.recipe, row.distance, row.angle);
        SCOPED_TRACE(script);
        EXPECT_NE(script.find(row.expected), std::string::npos);
    }
}

class SrmlAutomationCommand : public PluginTest {
protected:
    // The transcript of `script` run on the scene file `scene`, or on a scene
    // of that text; the error, if any, ends it.
    std::string run(const std::string& scene, const std::string& script) {
        const bool inlineScene = scene.find('\n') != std::string::npos;
        const std::string path = inlineScene ? folder.narrowFile("inline.scene") : scene;
        if (inlineScene) std::ofstream(path) << scene;
        const SessionRun run = runSessionText(host(), "scene " + refQuote(path) + "\n" + script, "inline",
                                              VESPER_SOURCE_DIR "/examples/sessions/");
        return run.transcript + run.error;
    }
    TempFolder folder;
};

constexpr const char* kScene = "../scenes/automation.scene";

TEST_F(SrmlAutomationCommand, BrowseFillsTheRecipesOrKeepsThem) {
    std::ofstream(folder.file("none.srml")) << "<SRML><Model><Turntable><Transform/></Turntable><Scanners/></Model></SRML>";
    const std::string written = VESPER_SOURCE_DIR "/tests/data/srml/written.srml";
    const struct {
        std::string script;
        const char* expected;
    } rows[] = {
        {"file " + written + "\nclick BrowseButton\n",
         "items=[\"Front & \"Back\" <1>\", \"Recipe 2\", \"\xc3\x89t\xc3\xa9\"] selection=0"},
        {"file " + refQuote(folder.narrowFile("none.srml")) + "\nclick BrowseButton\n", "items=[] selection=-1"},
        {"file " + written + "\nclick BrowseButton\nfile " + refQuote(folder.narrowFile("missing.srml")) +
             "\nclick BrowseButton\ndump dialogs\n",
         "missing.srml\"\n  push 1 BrowseButton label=\"...\"\n  combo 4 RecipeList label=\"Recipe\" items=[\"Front"},
        {"file " + written + "\nclick BrowseButton\nfile cancel\nclick BrowseButton\n", "written.srml\"\n  push"},
    };
    for (const auto& row : rows) {
        const std::string transcript = run(kScene, "command GenWriteSRMLAutomationCmd\n" + row.script + "dump panel\ncancel");
        SCOPED_TRACE(transcript);
        EXPECT_NE(transcript.find(row.expected), std::string::npos);
    }
    EXPECT_NE(run(kScene, "command GenWriteSRMLAutomationCmd\nfile " + refQuote(folder.narrowFile("missing.srml")) +
                              "\nclick BrowseButton\ndump dialogs\ncancel")
                  .find("kind 1 \"Failed to open SRML file\""),
              std::string::npos);
}

// Where the script goes: the owner's workflow when the object uses one, the
// current workflow otherwise, nowhere without a manager or a holder.
TEST_F(SrmlAutomationCommand, InstallFollowsTheObjectsWorkflow) {
    // Workflows outlive scenes: each row names its own.
    const std::string rig = "object RefObject\nsubcsys Turntable origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n";
    const struct {
        std::string scene;
        const char* expected;
    } rows[] = {
        {"workflow A1\nworkflow B1\n" + rig + "workflowowner holds B1",
         "\"A1\" calls:\nscript:\nend of script\n  workflow \"B1\" current calls: begin 0; language Python; script;"},
        {"workflow A2\nworkflow B2\n" + rig + "workflowowner query false holds B2", "\"A2\" current calls: begin 0;"},
        {"workflow A3\nworkflow B3\n" + rig + "workflowowner holds none", "\"A3\" current calls: begin 0;"},
        {"workflow A4 noholder\n" + rig, "\"A4\" current no holder"},
    };
    for (const auto& row : rows) {
        const std::string transcript =
            run(row.scene + "\n", "command GenWriteSRMLAutomationCmd\nset AngleTol 5.7\nok\ndump workflows");
        SCOPED_TRACE(transcript);
        EXPECT_NE(transcript.find(row.expected), std::string::npos);
        EXPECT_EQ(transcript.find("angleTol = 5.7"), std::string::npos);
    }
    const std::string refused = run("object Other\n", "command GenWriteSRMLAutomationCmd\ndump dialogs");
    EXPECT_NE(refused.find("refused to start\n"), std::string::npos) << refused;
    EXPECT_TRUE(refused.ends_with("kind 1 \"There is no reference object\" -> 1\n")) << refused;
}

// The host runs the installed script: the rig checked against the recipe
// file's, then RefObject seen from the scanners at the recipe's angles.
TEST_F(SrmlAutomationCommand, ScanRunsTheInstalledScriptAgainstTheRig) {
    const std::string rig =
        std::regex_replace(TempFolder::readText(VESPER_SOURCE_DIR "/examples/scenes/automation.scene"),
                           std::regex("type Mesh\n"), "type Mesh\ngeometry sphere 60 2000 at 30 0 10\n") +
        "workflow Empty\n";
    const std::string moved = std::regex_replace(rig, std::regex("origin 0 -700 250"), "origin 0 -699 250");
    const std::string recipes = VESPER_SOURCE_DIR "/examples/recipes/two-passes.srml";
    const auto browse = [](const std::string& path) {
        return "command GenWriteSRMLAutomationCmd\nfile " + path + "\nclick BrowseButton\n";
    };
    const std::string written = browse(VESPER_SOURCE_DIR "/tests/data/srml/written.srml");
    const struct {
        std::string scene, script, expected;
    } rows[] = {
        {rig, browse(recipes) + "ok\nscan", "scanner 1: 0.000 mm, 0.00 degrees\n  angle 0, scanner 1, exposure - HDR -: "},
        {moved, browse(recipes) + "ok\nscan", "scanner 1: 1.000 mm, 0.00 degrees, beyond the tolerance\n  the rig is"},
        {rig, written + "ok\nscan", "scan: the script of \"Part scan\", line 5: the host's script run-time does not"},
        {rig, written + "select RecipeList 1\ntype SRMLPath " + recipes + "\nok\nscan",
         "scan: no recipe \"Recipe 2\" in " + recipes},
        {rig, "command GenWriteSRMLAutomationCmd\ncancel\nscan Empty", "scan: workflow \"Empty\" holds no script"},
    };
    for (const auto& row : rows) {
        const std::string transcript = run(row.scene, row.script);
        EXPECT_NE(transcript.find(row.expected), std::string::npos) << transcript;
    }
}

}  // namespace
