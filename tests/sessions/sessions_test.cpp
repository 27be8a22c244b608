// The example sessions run through vesper-host and the real plug-in; their
// transcripts (panel dumps, camera dumps, settings) are compared with the
// expected ones in tests/golden.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "pluginhost.h"
#include "runcommand.h"
#include "tempfolder.h"

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

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

CommandResult runWithSettings(const std::filesystem::path& settings, const std::filesystem::path& script) {
    return runCommand("cd " VESPER_SOURCE_DIR " && " + toolPath("vesper-host") + " --settings " + settings.string() +
                      " run " + script.string() + " 2>&1");
}

// The graphics services are looked up once per process: a fresh vesper-host
// that never offered them shows the command staying usable without them.
TEST(Sessions, CameraPositionWithoutGraphicsServicesStaysInert) {
    TempFolder folder;
    const std::string scene = VESPER_SOURCE_DIR "/examples/scenes/workshop.scene";
    writeFile(folder.file("inert.session"), "withdraw IGfxViewMgr IGenGfxService IGfxRenderer\nscene " + scene +
                                                "\ncommand GenSetCameraCmd\nexpect XTrans value 0\n"
                                                "select CSysObjects 0\nexpect ZTrans value 0\napply\nok\n");
    const CommandResult run = runSession(folder.file("inert.session").string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("lens"), std::string::npos) << "no camera, no dump";
    EXPECT_NE(run.output.find("ok: ended"), std::string::npos);
}

TEST(Sessions, OutOfRangeValuesAreRejected) {
    TempFolder folder;
    const std::string scene = VESPER_SOURCE_DIR "/examples/scenes/workshop.scene";
    writeFile(folder.file("range.session"), "scene " + scene + "\ncommand GenSetCameraCmd\nset ZoomLevel 100001\n");
    const CommandResult run = runSession(folder.file("range.session").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("range.session:3: 100001 is outside the range of ZoomLevel"), std::string::npos)
        << run.output;
}

TEST(Sessions, SettingsFileKeepsWhatCommandsWroteAcrossRuns) {
    TempFolder folder;
    const auto settings = folder.file("settings.txt");
    const std::string scene = VESPER_SOURCE_DIR "/examples/scenes/workshop.scene";
    // A first run without a file: the seeded up (+Y) is the world default.
    writeFile(folder.file("first.session"), "command GenSetCameraCmd\nexpect UpDir selection 3\nselect UpDir 6\nok\n");
    CommandResult run = runWithSettings(settings, folder.file("first.session"));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(readFile(settings.string()).find("setting int \"Navigation/CameraPositionUpWorldDefault\" 6"),
              std::string::npos);

    // A later run reads it back; a faulty line stops the run and the file
    // keeps what OK wrote before it.
    writeFile(folder.file("second.session"),
              "command GenSetCameraCmd\nexpect UpDir selection 6\nselect UpDir 1\nok\nbogus\n");
    run = runWithSettings(settings, folder.file("second.session"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(readFile(settings.string()).find("CameraPositionUpWorldDefault\" 1"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(settings.string() + ".tmp"));
}

TEST(Sessions, AMalformedSettingsFileIsNeitherUsedNorTouched) {
    TempFolder folder;
    const auto settings = folder.file("settings.txt");
    const std::string damaged = "setting int \"General/Decimal Places\" two\n";
    writeFile(settings, damaged);
    writeFile(folder.file("empty.session"), "echo hi\n");
    const CommandResult run = runWithSettings(settings, folder.file("empty.session"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("settings.txt:1: not an integer: two"), std::string::npos) << run.output;
    EXPECT_EQ(readFile(settings.string()), damaged);
    writeFile(settings, "object RefObject\n");
    EXPECT_NE(runWithSettings(settings, folder.file("empty.session")).output.find("not a setting: object"),
              std::string::npos);
}

}  // namespace
