// N-Point Alignment through vesper-host, one process per row: the profiles
// and the services the command reads once per process must start fresh.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tempfolder.h"
#include "toolrun.h"

namespace {

constexpr const char* kScene = VESPER_SOURCE_DIR "/examples/scenes/two-parts.scene";
constexpr const char* kPart = VESPER_SOURCE_DIR "/examples/scenes/part.obj";
// Points of the bracket both panes see, in model coordinates.
constexpr const char* kPoints[] = {"40 30 8", "5 15 50", "65 12 22", "20 35 26", "50 0 4",
                                   "65 6 15", "5 0 30",  "30 20 8",  "25 10 8"};

std::string fixedPick(int i) { return std::string("pick pane 0 Fixed at ") + kPoints[i] + "\n"; }
std::string floatingPick(int i) { return std::string("pick pane 2 Floating at ") + kPoints[i] + "\n"; }

std::string tenFixedPicks() {
    std::string text = fixedPick(0);
    for (int i = 0; i < 9; ++i) text += fixedPick(i);
    return text;
}

std::string pairs(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += fixedPick(i) + floatingPick(i);
    return text;
}

struct Row {
    const char* name;
    std::string script;                   // after the scene line
    int exitCode;
    std::vector<std::string> expected;    // in the transcript, in this order
};

void runRows(const std::string& sceneLine, const std::vector<Row>& rows) {
    TempFolder folder;
    for (const Row& row : rows) {
        std::ofstream(folder.file("row.session")) << sceneLine << "\n" << row.script;
        const ToolRun run = runTool(toolPath("vesper-host"), {"run", folder.narrowFile("row.session")});
        EXPECT_EQ(run.exitCode, row.exitCode) << row.name << "\n" << run.output;
        size_t from = 0;
        for (const std::string& text : row.expected) {
            const size_t at = run.output.find(text, from);
            EXPECT_NE(at, std::string::npos) << row.name << ": no \"" << text << "\" in\n" << run.output;
            from = at == std::string::npos ? from : at + text.size();
        }
    }
}

const std::string kStart = "command GenPreAlignCmd\n";

TEST(PreAlign, EdgeCases) {
    const std::vector<Row> rows = {
        {"five fixed against three floating solve three pairs",
         kStart + pairs(3) + fixedPick(3) + fixedPick(4) + "dump fit\n", 0, {"fit: 3 pairs"}},
        {"a tenth pick is ignored and leaves no snapshot", kStart + tenFixedPicks() + "dump markers\nkey 294\ndump markers\n",
         0, {"Fixed (0.6 0 0 1): 9", "Fixed (0.6 0 0 1): 8"}},
        {"undo right after the start does nothing",
         kStart + "key 294\nkey 295\ndump markers\n", 0, {"Fixed (0.6 0 0 1): 0", "Floating (0 0.6 0 1): 0"}},
        {"a pick clears what redo would bring back",
         kStart + fixedPick(0) + "key 294\n" + fixedPick(1) + "key 295\ndump markers\n", 0,
         {"Fixed (0.6 0 0 1): 1", "1: 5.000000 15.000000 50.000000"}},
        {"a click in pane 1 changes nothing", kStart + "pick pane 1 pixel 600 450\ndump markers\n", 0,
         {"Fixed (0.6 0 0 1): 0", "Floating (0 0.6 0 1): 0"}},
        {"choosing the floating object again changes nothing",
         kStart + fixedPick(0) + "choose 0 Floating\ndump markers\n", 0, {"Fixed (0.6 0 0 1): 1"}},
        {"cancel puts the floating object back where it started",
         kStart + pairs(3) + "cancel\nmatrix transform Floating\n", 0,
         {"cancel: ended", "0.866025 -0.492404 0.086824 160.000000"}},
        {"undoing the third pair returns to the pre-aligned pose with accept off",
         kStart + pairs(3) + "key 294\nexpect -20000 enabled false\nmatrix transform Floating\nok\n", 1,
         {"0.866025 -0.492404 0.086824 160.000000", "ok: the accept button is disabled"}},
        {"a point outside the pane", kStart + "pick pane 0 Fixed at 4000 0 0\n", 1, {"is not in view in pane 0"}},
        {"a point the part hides", kStart + "pick pane 0 Fixed at 5 40 30\n", 1, {"is hidden in pane 0"}},
        {"a pixel outside the pane", kStart + "pick pane 2 pixel 1200 0\n", 1, {"is outside the pane"}},
        {"the fixed object is no floating object", kStart + "choose 0 Fixed\n", 1,
         {"choose: the selector refuses Fixed"}},
        {"a picture of a pane, then of a pane that is not there", kStart + "picture pane 2 p.png\npicture pane 7 p.png\n",
         1, {"p.png\n", "picture: no pane 7"}},
    };
    runRows(std::string("scene ") + kScene, rows);
}

// The inspection profile takes RefObject and TestObject and shows no
// selector; automation records the accepted matrix.
TEST(Sessions, NPointAlignmentProfiles) {
    TempFolder folder;
    std::ofstream(folder.file("inspection.scene"))
        << "camera eye 220 -260 260 look -0.45 0.6 -0.66 up 0 0 1 zoom 2.5\nobject RefObject type Mesh active\ngeometry " << kPart << "\nobject TestObject type Mesh\ngeometry "
        << kPart << "\ntransform 1 0 0 30 0 1 0 0 0 0 1 0 0 0 0 1\nregistry APP/AllowInspection true\n"
        << "registry APP/AllowAutomation true\n";
    std::string picks;
    for (int i = 0; i < 3; ++i) {
        picks += std::string("pick pane 0 RefObject at ") + kPoints[i] + "\npick pane 2 TestObject at " + kPoints[i] + "\n";
    }
    const std::vector<Row> rows = {
        {"inspection with automation",
         kStart + "dump panel\n" + picks + "ok\ndump automation\ndump objects\n", 0,
         {"group -1 label=\"Display\"", "automation:\n  \"N-Point Alignment: RefObject\"\n  1.000000 0.000000 0.000000 -30.000000",
          "beginInspectionAlignment 1", "endInspectionAlignment"}},
    };
    runRows("scene " + folder.narrowFile("inspection.scene"), rows);
}

TEST(Sessions, NPointAlignmentMissingServices) {
    const std::vector<Row> rows = {
        {"no markers widget", "withdraw ITesMarkersWidget\n" + kStart + "dump states\n", 0, {"refused to start", "states:\n"}},
        {"no view layout keeps one view", "withdraw IViewLayout\n" + kStart + "dump panes\nok\n", 1,
         {"panes: layout 0", "ok: the accept button is disabled"}},
        {"no aligner keeps accept off", "withdraw IAligner\n" + kStart + pairs(3) + "expect -20000 enabled false\n", 0, {}},
        {"no object selector", "withdraw ITesObjSelector\n" + kStart, 0, {"refused to start"}},
    };
    runRows(std::string("scene ") + kScene, rows);
}

// Point sets can be shaded: normals are computed for those without, once.
TEST(Sessions, NPointAlignmentShadedPoints) {
    TempFolder folder;
    std::ofstream(folder.file("points.scene")) << "object Near type Point active\ngeometry grid 20 20 2\n"
                                                  "object Far type Point\ngeometry grid 20 20 2 at 0 0 5\n";
    const std::vector<Row> rows = {
        {"shading computes the normals of both sets",
         kStart + "expect ShowNormals enabled true\nclick ShowNormals on\ndump busy\ndump objects\ncancel\ndump settings\n", 0,
         {"busy: \"Shading Points, Esc to Abort...\", open 0, progress 0 0.5 1", "Near Point", "normals",
          "Advanced/Shade Points on Register Entry = true"}},
        {"shading needs the theme's key names",
         "withdraw IGuiThemeMgr\n" + kStart + "click ShowNormals on\ndump asserts\n", 0,
         {"\"theThemeMgr\" gen/vespercomponent/genprealigncmd:"}},
    };
    runRows("scene " + folder.narrowFile("points.scene"), rows);
}

}  // namespace
