// The convention the tools share: exit codes 0, 1 and 2, --version, stray
// options named, options before or after a subcommand.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tempfolder.h"
#include "toolrun.h"

TEST(CommandLine, EveryToolFollowsTheSameConvention) {
    const std::string session = VESPER_SOURCE_DIR "/examples/sessions/camera-position.session";
    const std::string recipe = VESPER_SOURCE_DIR "/examples/recipes/two-passes.srml";
    TempFolder folder;
    struct Row {
        const char* name;
        const char* tool;
        std::vector<std::string> arguments;
        int exitCode;
        std::string output;  // a pattern the output must match
    };
    const Row rows[] = {
        {"vesper-host version", "vesper-host", {"--version"}, 0, "^vespercomponent [0-9.]+\n$"},
        {"srmltool version", "srmltool", {"--version"}, 0, "^srmltool [0-9]+\\.[0-9]+\\.[0-9]+\n$"},
        {"tesdump version", "tesdump", {"--version"}, 0, "^tesdump [0-9]+\\.[0-9]+\\.[0-9]+\n$"},
        {"help tells the exit codes", "vesper-host", {"--help"}, 0, "Exit codes: 0 success, 1 .*, 2 usage error"},
        {"vesper-host stray option", "vesper-host", {"--bogus"}, 2, "^vesper-host: unknown option --bogus\n"},
        {"srmltool stray option", "srmltool", {"--bogus"}, 2, "^srmltool: unknown option --bogus\n"},
        {"stray option in a subcommand", "srmltool", {"check", "--bogus"}, 2, "^srmltool: unknown option --bogus\n"},
        {"tesdump stray option", "tesdump", {"--bogus", recipe}, 2, "^tesdump: unknown option --bogus\n"},
        {"tesdump without a file", "tesdump", {}, 2, "^tesdump: "},
        {"tesdump with two files", "tesdump", {recipe, recipe}, 2, "^tesdump: "},
        {"tesdump help", "tesdump", {"--help"}, 0, "."},
        {"missing file", "tesdump", {folder.narrowFile("missing.bin")}, 1, "^tesdump: .*: No such file or directory\n$"},
        {"folder for a file", "tesdump", {folder.narrowFile("")}, 1, "^tesdump: .*: Is a directory\n$"},
        {"folder for a recipe", "srmltool", {"check", folder.narrowFile("")}, 1, "cannot read the file: Is a directory\n$"},
        {"option after run", "vesper-host", {"run", session, "--settings", folder.narrowFile("s.txt")}, 0, "^session "},
        {"plug-in after the subcommand", "srmltool", {"check", recipe, "--plugin", toolPath("libvespercomponent.so")},
         0, "^turntable"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolRun run = runTool(toolPath(row.tool), row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
        EXPECT_TRUE(std::regex_search(run.output, std::regex(row.output))) << run.output;
    }
}
