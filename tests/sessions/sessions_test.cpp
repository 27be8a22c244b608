// The example sessions run through vesper-host and the real plug-in; their
// transcripts (panel dumps, camera dumps, settings) are compared with the
// expected ones in tests/golden.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "pluginhost.h"
#include "runcommand.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

CommandResult runSession(const std::string& script) {
    return runCommand("cd " VESPER_SOURCE_DIR " && " + toolPath("vesper-host") + " run " + script + " 2>&1");
}

void expectTranscript(const std::string& name) {
    const CommandResult run = runSession("examples/sessions/" + name + ".session");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, readFile(VESPER_SOURCE_DIR "/tests/golden/" + name + ".out"));
}

TEST(Sessions, CameraPositionTranscript) { expectTranscript("camera-position"); }

TEST(Sessions, MatrixWidgetTranscript) { expectTranscript("matrix-widget"); }

TEST(Sessions, BadScriptsStopWithFileAndLine) {
    struct Case {
        std::string script;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"tests/data/sessions/unknown-statement.session", "unknown-statement.session:2: unknown statement: jump"},
        {"tests/data/sessions/missing-control.session", "missing-control.session:3: no control NoSuchKey"},
        {"tests/data/sessions/bad-scene.session", "bad.scene:2: not a number: north"},
        {"tests/data/sessions/no-command.session", "no-command.session:1: apply: no command is running"},
        {"tests/data/sessions/disabled-control.session", "disabled-control.session:4: control Local cannot be used now"},
        {"tests/data/sessions/unknown-class.session", "unknown-class.session:1: no class named GenNothingCmd"},
        {"tests/data/sessions/unterminated.session", "unterminated.session:1: unterminated quote"},
    };
    for (const Case& c : cases) {
        const CommandResult run = runSession(c.script);
        EXPECT_EQ(run.exitCode, 1) << c.script;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.script << "\n" << run.output;
    }
    const CommandResult missing = runSession("tests/data/sessions/does-not-exist.session");
    EXPECT_NE(missing.exitCode, 0);
}

}  // namespace
