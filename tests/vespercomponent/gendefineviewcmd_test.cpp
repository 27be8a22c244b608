// Define View in a fresh vesper-host per case, on the fixture scene: the names
// of new views, the save questions, the activator, keys and callbacks.
// tests/golden/define-view.out pins a whole session.
#include <gtest/gtest.h>

#include <fstream>

#include "tempfolder.h"
#include "toolrun.h"

namespace {

// The transcript of `script` run after the fixture scene, `before` and the
// start of the command; a failed statement ends it with its message.
std::string runDefineView(const std::string& before, const std::string& script) {
    TempFolder folder;
    std::ofstream(folder.file("s.session")) << "scene " VESPER_SOURCE_DIR "/examples/scenes/fixture.scene\n"
                                            << before << "command GenDefineViewCmd\n" << script;
    return runTool(toolPath("vesper-host"), {"run", folder.narrowFile("s.session")}).output;
}

std::string views(std::initializer_list<const char*> names) {
    std::string lines;
    for (const char* name : names) lines += std::string("view \"") + name + "\" eye 0 0 9 look 0 0 -1 up 0 1 0\n";
    return lines;
}

TEST(DefineView, NewViewNames) {
    const struct {
        std::string views;
        const char* expected;
    } rows[] = {
        {views({"View 1", "View 7", "Front"}), "\"Front\", \"View 8\"] selection=3"},
        {views({"View 0x1F"}), "\"View 32\"]"},
        {views({"View 010"}), "\"View 9\"]"},
        {views({"View 7abc"}), "\"View 8\"]"},
        {views({"view 5", "View", "View x"}), "\"View 1\"]"},
        {views({"View -3"}), "\"View 1\"]"},
        {views({"View 2147483647"}), "\"View 2147483647\", \"View 2147483647\"]"},
    };
    for (const auto& row : rows) {
        const std::string transcript = runDefineView(row.views, "dump panel\ncancel\n");
        EXPECT_NE(transcript.find(row.expected), std::string::npos) << transcript;
    }
}

// A modified view asks before New/Duplicate (cancel stays, yes saves, no
// drops the change) and before another view is chosen (every answer goes on).
TEST(DefineView, Questions) {
    const struct {
        const char* script;
        const char* expected;
    } rows[] = {
        {"pick Datum\nanswer cancel\nclick NewView\n", "\"Do you want to save View 1?\" -> 0\nviews:\n  attached \"View 1\""},
        {"pick Datum\nanswer yes\nclick NewView\n", "-> 1\nviews:\n  1 \"View 1\" flags 18 eye 0 0 6"},
        {"pick Datum\nanswer no\nclick NewView\n", "-> 2\nviews:\n  attached \"View 1\""},
        {"click NewView\n", "dialogs:\nviews:"},
        {"click SaveView\nclick NewView\npick Datum\nanswer yes\nselect ViewCombo 0\n",
         "save View 2?\" -> 1\nviews:\n  1 \"View 1\" flags 18 eye 0.5 0.5 10 look 0 0 -1 zoom 1\n  2 \"View 2\" flags 18 eye 0 0 6"},
        {"click SaveView\nclick NewView\npick Datum\nanswer cancel\nselect ViewCombo 0\n",
         "-> 0\nviews:\n  1 \"View 1\" flags 18 eye 0.5 0.5 10 look 0 0 -1 zoom 1\n  attached \"View 2\""},
    };
    for (const auto& row : rows) {
        const std::string transcript = runDefineView("", std::string(row.script) + "dump dialogs\ndump views\ncancel\n");
        EXPECT_NE(transcript.find(row.expected), std::string::npos) << row.script << transcript;
    }
}

TEST(DefineView, ActivatorKeysAndCallbacks) {
    const struct {
        const char* script;
        const char* expected;
    } rows[] = {
        {"preselect 3 0 0 0\npreselect 4 0 0 0\n", "preselect 3: true accept true\npreselect 4: true accept true\n"},
        {"preselect 10 0 0 0\n", "preselect 10: true accept true\n"},
        {"click FrontPlaneRadio off\npreselect 10 0 0 0\n", "preselect 10: false accept false\n"},
        // F without a selection: the camera stays, the view is modified.
        {"key 262\ndump camera\nanswer no\nclick NewView\ndump dialogs\n", "eye 0.5 0.5 10 near 0.1\n"},
        {"key 262\nanswer no\nclick NewView\ndump dialogs\n", "save View 1?\" -> 2"},
        {"key 296\nexpect UpDirRadio checked true\nkey 296\nexpect FrontPlaneRadio checked true\necho toggled\n", "toggled"},
        {"key 65\nnotify 1 2 3\ndump selection\n", "preselect keys: 65\n  preselect notifications: (1 2 3)"},
        {"callback 5 2\ncallback 8 1\nanswer no\nclick NewView\ndump dialogs\n", "callback 8: 1 called\n"},
        {"callback 8 1\ncallback 7 2\nclick NewView\ndump dialogs\n", "callback 7: 0 called\ndialogs:\ncancel"},
        {"activate 4 off\nanswer no\nclick NewView\ndump dialogs\n", "save View 1?\" -> 2"},
    };
    for (const auto& row : rows) {
        const std::string transcript = runDefineView("", std::string(row.script) + "cancel\n");
        EXPECT_NE(transcript.find(row.expected), std::string::npos) << row.script << transcript;
    }
}

}  // namespace
