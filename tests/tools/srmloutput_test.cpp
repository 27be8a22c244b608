// srmltool's output: through links, with long names, never over its input or
// to "-", and a failure says why.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tempfolder.h"
#include "toolrun.h"

namespace fs = std::filesystem;

TEST(SrmlToolOutput, WritesWhereItShouldAndRefusesWhereItMustNot) {
    const std::string recipe = VESPER_SOURCE_DIR "/examples/recipes/two-passes.srml";
    const std::string rig = VESPER_SOURCE_DIR "/examples/scenes/scanrig.scene";
    TempFolder folder;
    const std::string scene = folder.narrowFile("rig.scene");
    const std::string longName = folder.narrowFile(std::string(249, 'n') + ".srml");
    fs::copy_file(rig, scene);
    fs::create_symlink("target.srml", folder.file("link.srml"));
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
        std::function<bool()> holds;
    };
    const Row rows[] = {
        {"a link is written through", {"roundtrip", recipe, folder.narrowFile("link.srml")}, 0, "",
         [&] { return fs::is_symlink(folder.file("link.srml")) && fs::file_size(folder.file("target.srml")) > 0; }},
        {"a name of 254 characters", {"roundtrip", recipe, longName}, 0, "", [&] { return fs::exists(longName); }},
        {"\"-\" is refused", {"roundtrip", recipe, "-"}, 2, "standard output is not supported",
         [] { return !fs::exists("-"); }},
        {"the scene stays", {"new", scene, scene, "--angles", "0"}, 2, "is the scene file",
         [&] { return TempFolder::readAll(scene) == TempFolder::readAll(rig); }},
        {"a failed write says why", {"roundtrip", recipe, folder.narrowFile("no/out.srml")}, 1,
         "No such file or directory", [] { return true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolRun run = runTool(toolPath("srmltool"), row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
        EXPECT_NE(run.output.find(row.message), std::string::npos) << run.output;
        EXPECT_TRUE(row.holds());
    }
}
