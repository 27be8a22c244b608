// The example sessions run through vesper-host and the real plug-in; their
// transcripts (panel dumps, camera dumps, settings) are compared with the
// expected ones in tests/golden.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tempfolder.h"
#include "toolrun.h"

namespace {

// Runs vesper-host in the source folder; `options` come before "run".
ToolRun runSession(const std::string& script, std::vector<std::string> options = {}) {
    options.insert(options.end(), {"run", script});
    return runTool(toolPath("vesper-host"), options, {}, VESPER_SOURCE_DIR);
}

TEST(Sessions, ExampleTranscriptsMatchTheGoldenOnes) {
    std::string joined;
    std::vector<std::string> all;
    for (const std::string name : {"camera-position", "define-view", "matrix-widget", "n-point-alignment", "srml-automation"}) {
        const ToolRun run = runSession("examples/sessions/" + name + ".session");
        EXPECT_EQ(run.exitCode, 0) << run.output;
        joined += TempFolder::readText(VESPER_SOURCE_DIR "/tests/golden/" + name + ".out");
        all.push_back("examples/sessions/" + name + ".session");
        EXPECT_EQ(run.output, TempFolder::readText(VESPER_SOURCE_DIR "/tests/golden/" + name + ".out")) << name;
    }
    // The demo runs them all in one host: each leaves nothing the next sees.
    all.insert(all.begin(), "run");
    EXPECT_EQ(runTool(toolPath("vesper-host"), all, {}, VESPER_SOURCE_DIR).output, joined);
}

// The recipe editor's tour writes into the output folder: a recipe file the
// checker accepts and a picture of each coverage render.
TEST(Sessions, SrmlEditorTranscript) {
    TempFolder folder;
    const ToolRun run = runTool(toolPath("vesper-host"),
                                {"run", "--out", folder.path().string(), "examples/sessions/srml-editor.session"}, {},
                                VESPER_SOURCE_DIR);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, TempFolder::readText(VESPER_SOURCE_DIR "/tests/golden/srml-editor.out"));
    EXPECT_EQ(runTool(toolPath("srmltool"), {"check", folder.narrowFile("rig.srml")}).exitCode, 0);
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path().extension() != ".png") continue;
        const std::string png = TempFolder::readText(entry.path().string()) + std::string(24, '\0');
        EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x04\xb0\0\0\x03\x84", 8)) << entry.path();
        ++pictures;
    }
    EXPECT_EQ(pictures, 2);
}

TEST(Sessions, BadScriptsStopWithFileAndLine) {
    TempFolder folder;
    std::ofstream(folder.file("range.session")) << "scene " VESPER_SOURCE_DIR "/examples/scenes/workshop.scene\n"
                                                   "command GenSetCameraCmd\nset ZoomLevel 100001\n";
    std::ofstream(folder.file("unused.session")) << "echo a\nanswer yes\nfile cancel\n";
    std::ofstream(folder.file("spin.session")) << "scene " VESPER_SOURCE_DIR "/examples/scenes/workshop.scene\n"
                                                  "command GenSetCameraCmd\nspin ZoomLevel 1.5\n";
    std::ofstream(folder.file("short.pts")) << "v 1 2 3\nv 1 2\n";
    std::ofstream(folder.file("nan.pts")) << "# a cloud\nv 1 nan 3\n";
    for (const char* points : {"short", "nan"}) {
        std::ofstream(folder.file(std::string(points) + ".session"))
            << "scene " << points << ".scene\n";
        std::ofstream(folder.file(std::string(points) + ".scene"))
            << "object Cloud type Point\ngeometry " << points << ".pts\n";
    }
    const std::pair<std::string, const char*> cases[] = {
        {"tests/data/sessions/unknown-statement.session", "unknown-statement.session:2: unknown statement: jump"},
        {"tests/data/sessions/missing-control.session", "missing-control.session:3: no control NoSuchKey"},
        {"tests/data/sessions/bad-scene.session", "bad.scene:2: eye x must be a finite number, not north"},
        {"tests/data/sessions/no-command.session", "no-command.session:1: apply: no command is running"},
        {"tests/data/sessions/disabled-control.session", "disabled-control.session:4: control Local cannot be used"},
        {"tests/data/sessions/unknown-class.session", "unknown-class.session:1: no class named GenNothingCmd"},
        {"tests/data/sessions/unterminated.session", "unterminated.session:1: unterminated quote"},
        {folder.narrowFile("range.session"), "range.session:3: 100001 is outside the range of ZoomLevel"},
        {folder.narrowFile("unused.session"), "unused.session:2: the session ended with 2 unused answer(s)"},
        {folder.narrowFile("spin.session"), "spin.session:3: not a whole number: 1.5"},
        {folder.narrowFile("short.session"), "short.pts:2: v needs three finite coordinates"},
        {folder.narrowFile("nan.session"), "nan.pts:2: v needs three finite coordinates"},
    };
    for (const auto& [script, message] : cases) {
        const ToolRun run = runSession(script);
        EXPECT_EQ(run.exitCode, 1) << script;
        EXPECT_NE(run.output.find(message), std::string::npos) << script << "\n" << run.output;
    }
    EXPECT_NE(runSession("tests/data/sessions/does-not-exist.session").exitCode, 0);
}

// The graphics services are looked up once per process: a fresh vesper-host
// that never offered them shows the command staying usable without them.
TEST(Sessions, CameraPositionWithoutGraphicsServicesStaysInert) {
    TempFolder folder;
    const ToolRun run = runSession(folder.write(
        "inert.session", "withdraw IGfxViewMgr IGenGfxService IGfxRenderer\n"
                         "scene " VESPER_SOURCE_DIR "/examples/scenes/workshop.scene\n"
                         "command GenSetCameraCmd\nexpect XTrans value 0\nselect CSysObjects 0\nexpect ZTrans value 0\n"
                         "apply\nok\n"));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("lens"), std::string::npos) << "no camera, no dump";
    EXPECT_NE(run.output.find("ok: ended"), std::string::npos);
}

// A first run without a file seeds the world up (+Y) and writes what OK chose;
// a later run reads it back, and a faulty line stops the run with the file
// keeping what OK wrote before it. A malformed file is neither used nor touched.
TEST(Sessions, SettingsFileKeepsWhatCommandsWroteAcrossRuns) {
    TempFolder folder;
    const std::vector<std::string> settings = {"--settings", folder.narrowFile("settings.txt")};
    const std::string first =
        folder.write("first.session", "command GenSetCameraCmd\nexpect UpDir selection 3\nselect UpDir 6\nok\n");
    ASSERT_EQ(runSession(first, settings).exitCode, 0);
    EXPECT_NE(folder.read("settings.txt").find("int \"Navigation/CameraPositionUpWorldDefault\" 6"), std::string::npos);
    const std::string second = "command GenSetCameraCmd\nexpect UpDir selection 6\nselect UpDir 1\nok\nbogus\n";
    EXPECT_EQ(runSession(folder.write("second.session", second), settings).exitCode, 1);
    EXPECT_NE(folder.read("settings.txt").find("CameraPositionUpWorldDefault\" 1"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.file("settings.txt.tmp")));

    const std::string damaged = "object RefObject\n";
    folder.write("settings.txt", damaged);
    const ToolRun run = runSession(first, settings);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("settings.txt:1: not a setting: object"), std::string::npos) << run.output;
    EXPECT_EQ(folder.read("settings.txt"), damaged);
}

// Views saved in one run are offered in the next, and a scene's view comes
// back once, not once more per run; without a status bar or an animator the
// command still runs, the camera moving at once.
TEST(Sessions, DefineViewKeepsViewsAcrossRunsAndNeedsNoStatusBarOrAnimator) {
    TempFolder folder;
    const std::vector<std::string> settings = {"--settings", folder.narrowFile("settings.txt")};
    const std::string scene = "scene " VESPER_SOURCE_DIR "/examples/scenes/fixture.scene\n"
                              "view Kept eye 0 0 9 look 0 0 -1 up 0 1 0\n";
    const std::string first = folder.write("first.session", scene + "command GenDefineViewCmd\npick Datum\nok\n");
    ASSERT_EQ(runSession(first, settings).exitCode, 0);
    const std::string script = "withdraw IGuiStatusBar ITesAnimateCameraUtil\n" + scene +
                               "setting bool \"View/Smooth Camera Transition\" true\ncommand GenDefineViewCmd\n"
                               "dump prompt\npick Slope\ndump animation\ndump views\ncancel\n";
    const ToolRun second = runSession(folder.write("second.session", script), settings);
    EXPECT_NE(second.output.find("prompt: \"\"\nanimation:\nviews:\n  1 \"Kept\" flags 18 eye 0 0 9 look 0 0 -1 zoom 1\n"
                                 "  2 \"View 1\" flags 18 eye 0 0 6 look 0 0 -1"),
              std::string::npos) << second.output;
}

// vesper-host reads and saves the store; without a workflow manager OK
// still ends.
TEST(Sessions, WorkflowStoreKeepsInstalledScriptsAcrossRuns) {
    TempFolder folder;
    const std::vector<std::string> store = {"--workflows", folder.narrowFile("workflows.txt")};
    const std::string install = "scene " VESPER_SOURCE_DIR "/examples/scenes/automation.scene\n"
                                "command GenWriteSRMLAutomationCmd\ntype SRMLPath /r.srml\nok\n";
    ASSERT_EQ(runSession(folder.write("install.session", install), store).exitCode, 0);
    const ToolRun listed = runTool(toolPath("vesper-host"), {store[0], store[1], "workflows"});
    EXPECT_NE(listed.output.find("\"Part scan\" current calls: begin 0; language Python; script;\nscript:\nimport"),
              std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("srmlPath = \"/r.srml\""), std::string::npos);
    const std::string inert = folder.write("inert.session", "withdraw ITesWorkflowManager\n" + install);
    EXPECT_NE(runSession(inert).output.find("ok: ended"), std::string::npos);
}

}  // namespace
