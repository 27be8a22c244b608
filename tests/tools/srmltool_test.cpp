#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "pluginhost.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"
#include "toolrun.h"

namespace {

const std::string kExamples = VESPER_SOURCE_DIR "/examples/";
const std::string kUntidy = VESPER_SOURCE_DIR "/tests/data/srml/untidy.srml";

class SrmlTool : public PluginTest {
protected:
    // Runs srmltool with the words of `arguments` (paths here have no spaces).
    static ToolRun run(const std::string& arguments) {
        std::istringstream text(arguments);
        std::vector<std::string> words;
        for (std::string word; text >> word;) words.push_back(word);
        return runTool(toolPath("srmltool"), words);
    }
    // What the plug-in's own reader makes of `path` in a fresh document.
    IPtr<ITesSRML> readByPlugin(const std::string& path, bool expectGood = true) {
        IPtr<ITesSRML> document = builder.document();
        EXPECT_EQ(document->read(TesString::fromUtf8(path)), expectGood) << path;
        return document;
    }

    TempFolder folder;
    SrmlBuilder builder{pluginMake};
};

TEST_F(SrmlTool, UsageErrorsExitWithTwoAndHelpWithZero) {
    const ToolRun help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"check", "diff", "roundtrip", "new"}) EXPECT_NE(help.output.find(word), std::string::npos) << word;
    EXPECT_EQ(run("new --help").exitCode, 0);

    const std::string out = folder.narrowFile("out.srml");
    const std::string newFile = "new " + kExamples + "scenes/scanrig.scene " + out;
    for (const std::string& arguments :
         {std::string(), std::string("frobnicate"), std::string("check"), std::string("show"),
          std::string("check a.srml b.srml"), std::string("diff a.srml"),
          std::string("roundtrip only-one.srml"), std::string("--plugin"), newFile, newFile + " --angles",
          newFile + " --angles 0,360", newFile + " --angles -1", newFile + " --angles 0,ninety",
          newFile + " --angles 90,0,90", newFile + " --angles 0 --resolution ultra"}) {
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments << "\n" << result.output;
        EXPECT_FALSE(result.output.empty()) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(SrmlTool, CheckSummarisesAGoodFile) {
    const ToolRun result = run("check " + kExamples + "recipes/two-passes.srml");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "turntable: origin 0 0 -50\n"
              "scanners:  3 0 1 2\n"
              "recipes:   2\n"
              "  \"Coarse\": 4 angles, 4 cameras\n"
              "  \"Fine\": 12 angles, 36 cameras\n");
    const ToolRun shown = run("show " + kExamples + "recipes/two-passes.srml");  // the summary, then every angle
    EXPECT_EQ(shown.output.substr(0, result.output.size()), result.output);
    EXPECT_NE(shown.output.find("scanner 2: origin 600 -350 250\nrecipe \"Coarse\": defaults exposure 50 HDR 0\n"
                                "  angle 0 Low: scanner 1 exposure - HDR -\n"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("  angle 60 High: scanner 0 exposure - HDR 1; scanner 1 exposure 90 HDR -;"),
              std::string::npos) << shown.output;
    const ToolRun untidy = run("check " + kUntidy);
    EXPECT_EQ(untidy.exitCode, 0) << untidy.output;
    EXPECT_NE(untidy.output.find("scanners:  5 -1 0 1 2 2147483647\n"), std::string::npos) << untidy.output;
}

// One table of the file rules for the tool and the plug-in's reader: the
// tool names the element that broke a rule with its line and fails exactly
// when the reader fails; the reader stops at once, keeping what came before.
TEST_F(SrmlTool, CheckNamesTheFirstBrokenRuleWithItsLine) {
    const std::string transform = "<Transform m33=\"1\"/>";
    const std::string model = "<SRML>\n<Model><Turntable>" + transform + "</Turntable>";
    const std::string kept = "<Recipe name=\"K\"><Angles/></Recipe>";
    const std::string recipe = "<SRML>\n<WorkingRecipes>" + kept + "\n<Recipe name=\"F\"><Angles>\n";
    const std::string end = "</Angles></Recipe>\n</WorkingRecipes>\n</SRML>\n";
    const struct {
        const char* name;
        std::string text;
        std::string message;  // empty: the file is good
        size_t recipes;       // what the reader keeps
        size_t scanners;
        bool turntable;       // the file's turntable was taken
    } cases[] = {
        {"good", model + "\n<Scanners/>\n</Model>\n</SRML>\n", "", 0, 0, true},
        {"no-turntable", "<SRML>\n<Model>\n<Scanners/>\n</Model>\n</SRML>\n", ":2: Model: no Turntable element", 0, 0,
         false},
        {"no-transform", "<SRML>\n<Model>\n\n<Turntable/>\n<Scanners/></Model>\n</SRML>\n",
         ":4: Turntable: no Transform element", 0, 0, false},
        {"no-scanners", model + "</Model>\n</SRML>\n", ":2: Model: no Scanners element", 0, 0, true},
        {"scanner-id", model + "<Scanners>\n<Scanner id=\"1\">" + transform + "</Scanner>\n<Scanner/>\n</Scanners>"
                       "</Model>\n</SRML>\n", ":4: Scanner in Scanners: no id", 0, 1, true},
        {"scanner-transform", model + "<Scanners>\n<Scanner id=\"8\"/>\n</Scanners></Model>\n</SRML>",
         ":3: Scanner 8: no Transform element", 0, 0, true},
        {"recipe-name", model + "<Scanners/></Model>\n<WorkingRecipes>" + kept + "\n<Recipe>\n<Angles/></Recipe>" +
                        kept + "\n</WorkingRecipes>\n</SRML>\n", ":4: Recipe in WorkingRecipes: no name", 1, 0, true},
        {"angles", "<SRML>\n<WorkingRecipes>" + kept + kept + "\n<Recipe name=\"Front\"/>\n</WorkingRecipes>\n</SRML>",
         ":3: Recipe \"Front\": no Angles element", 2, 0, false},
        {"angle-value", recipe + "<Angle value=\"1\"/>\n<Angle value=\"\"/>" + end, ":5: Angle of \"F\": no value",
         1, 0, false},
        {"camera-id", recipe + "<Angle value=\"90\">\n<Camera id=\"0\"/>\n<Camera/>\n</Angle>" + end,
         ":6: Camera at angle 90 of \"F\": no id", 1, 0, false},
        {"model-after-recipes", "<SRML>\n<WorkingRecipes>" + kept + "</WorkingRecipes>\n<Model>\n<Scanners/></Model>\n"
                                "</SRML>\n", ":3: Model: no Turntable element", 1, 0, false},
        {"malformed", "<SRML>\n<Model>\n</SRML>\n", ":3: not an XML document: Start-end tags mismatch", 0, 0, false},
        {"empty", "", ":1: not an XML document: ", 0, 0, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string path = folder.write(std::string(row.name) + ".srml", row.text);
        const ToolRun result = run("check " + path);
        EXPECT_EQ(result.exitCode, row.message.empty() ? 0 : 1) << result.output;
        EXPECT_NE(result.output.find(row.message.empty() ? "recipes:" : "srmltool: " + path + row.message),
                  std::string::npos) << result.output;
        const SrmlSnapshot picture = srmlSnapshot(*readByPlugin(path, row.message.empty()));
        EXPECT_EQ(picture.recipes.size(), row.recipes);
        EXPECT_EQ(picture.scanners.size(), row.scanners);
        EXPECT_EQ(picture.turntable[0] == 0, row.turntable);  // the file's has no m00
    }
    const ToolRun missing = run("check " + folder.narrowFile("missing.srml"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot read the file"), std::string::npos) << missing.output;
    const ToolRun noPlugin = run("--plugin " + folder.narrowFile("none.so") + " check " + kUntidy);
    EXPECT_EQ(noPlugin.exitCode, 1);
    EXPECT_NE(noPlugin.output.find("cannot load plug-in"), std::string::npos) << noPlugin.output;
}

// The example files are already in the writer's form (what writing does to
// other files is the SRML fuzz property's, replayed on tests/data/srml); a file
// that does not read or a place that cannot be written fails without leaving a file.
TEST_F(SrmlTool, RoundTripWritesWhatThePluginReadsBack) {
    const std::string out = folder.narrowFile("out.srml");
    const std::string example = kExamples + "recipes/turntable-sweep.srml";
    ASSERT_EQ(run("roundtrip " + example + " " + out).exitCode, 0);
    EXPECT_EQ(TempFolder::readAll(out), TempFolder::readAll(example));

    const std::string broken = folder.write("broken.srml", "<SRML><Model/></SRML>");
    EXPECT_EQ(run("roundtrip " + broken + " " + folder.narrowFile("x.srml")).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.file("x.srml")));
    const ToolRun unwritable = run("roundtrip " + example + " " + folder.narrowFile("no/folder/x.srml"));
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.output.find("cannot write the file"), std::string::npos) << unwritable.output;
}

// Each row changes the base file at one level; the diff names the place and
// both values, pairs repeated names in order, and exits 1 when anything differs.
TEST_F(SrmlTool, DiffNamesEveryChangeWhereItIs) {
    const auto srml = [](const std::string& scanner, const std::string& recipes) {
        return "<SRML><Model><Turntable><Transform m33=\"1\"/></Turntable><Scanners><Scanner id=\"1\"><Transform " +
               scanner + " m33=\"1\"/></Scanner></Scanners></Model><WorkingRecipes>" + recipes +
               "</WorkingRecipes></SRML>";
    };
    const auto recipe = [](const std::string& name, const std::string& angle, const std::string& camera) {
        return "<Recipe name=\"" + name + "\"><Angles><Angle value=\"" + angle + "\"><Camera id=\"1\">" + camera +
               "</Camera></Angle></Angles></Recipe>";
    };
    const std::string a = recipe("A", "0", ""), c = recipe("C", "0", "");
    const std::string first = folder.write("first.srml", srml("m03=\"5\"", a + c));
    const std::pair<std::string, std::string> cases[] = {
        {srml("m03=\"5\"", a + c), "the files hold the same rig and recipes\n"},
        {srml("m03=\"7\" m00=\"1\"", a + c), "scanner 1: origin 5 0 0 -> 7 0 0; axes turned\n1 difference\n"},
        {srml("m03=\"5\"", a + recipe("C", "0\" resolution=\"High", "<Property id=\"HDR\">1</Property>")),
         "recipe \"C\", angle 0: Low -> High\nrecipe \"C\", angle 0, scanner 1: exposure - HDR - -> exposure - HDR "
         "1\n2 differences\n"},
        {srml("m03=\"5\"", c + recipe("A", "90", "") + a),
         "recipe \"A\", angle 0: only in the first file\nrecipe \"A\", angle 90: only in the second file\n"
         "recipe \"A\": only in the second file\nrecipes: in another order\n4 differences\n"},
    };
    for (const auto& [text, expected] : cases) {
        const ToolRun result = run("diff " + first + " " + folder.write("second.srml", text));
        EXPECT_EQ(result.output, expected);
        EXPECT_EQ(result.exitCode, expected.starts_with("the files") ? 0 : 1) << expected;
    }
    const ToolRun missing = run("diff " + first + " " + folder.narrowFile("missing.srml"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("missing.srml: cannot read the file"), std::string::npos) << missing.output;
}

TEST_F(SrmlTool, NewPutsEveryScannerOnEachAngle) {
    const std::string out = folder.narrowFile("new.srml");
    const ToolRun result =
        run("new " + kExamples + "scenes/scanrig.scene " + out + " --angles 270,0,90 --resolution HIGH");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const SrmlSnapshot picture = srmlSnapshot(*readByPlugin(out));
    const std::vector<SrmlCamera> all = {{0, -1, -1}, {1, -1, -1}, {2, -1, -1}};
    const SrmlRecipe recipe{u"Recipe 1", 70, 0, {{0, 2, all}, {90, 2, all}, {270, 2, all}}};
    EXPECT_EQ(picture.recipes, std::vector<SrmlRecipe>{recipe});
    ASSERT_EQ(picture.scanners.size(), 3u);
    // "Front scanner": axes in the columns, the origin last.
    const TesMatrix front({1, 0, 0, 0, 0, 0.34202, 0.939693, -700, 0, 0.939693, -0.34202, 250, 0, 0, 0, 1});
    EXPECT_EQ(picture.scanners.at(1), srmlBits(front));
    EXPECT_EQ(picture.turntable, srmlBits(TesMatrix::translationMatrix({0, 0, -50})));

    const std::pair<std::string, const char*> cases[] = {
        {folder.narrowFile("none.scene"), "none.scene"},
        {folder.write("bad.scene", "object RefObject\nsubcsys A origin 1 2\n"), "bad.scene:2"},
        {folder.write("other.scene", "object Part\nsubcsys A origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"),
         "no object RefObject"},
        {folder.write("turntable.scene", "object RefObject\nsubcsys Turntable origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"),
         "no scanner coordinate systems"},
    };
    for (const auto& [scene, message] : cases) {
        const ToolRun failed = run("new " + scene + " " + folder.narrowFile("x.srml") + " --angles 0");
        EXPECT_EQ(failed.exitCode, 1) << scene << "\n" << failed.output;
        EXPECT_NE(failed.output.find(message), std::string::npos) << scene << "\n" << failed.output;
        EXPECT_FALSE(std::filesystem::exists(folder.file("x.srml"))) << scene;
    }
}

}  // namespace
