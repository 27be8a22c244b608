#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pluginhost.h"
#include "runcommand.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"

namespace {

const std::string kExamples = VESPER_SOURCE_DIR "/examples/";

class SrmlTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }

    // Runs srmltool with `arguments`; the output holds stdout and stderr.
    static CommandResult run(const std::string& arguments) { return runCommand(toolPath("srmltool") + " " + arguments + " 2>&1"); }

    std::string write(const std::string& name, const std::string& text) {
        TempFolder::writeAll(folder.file(name), {text.begin(), text.end()});
        return folder.narrowFile(name);
    }

    // What the plug-in's own reader makes of `path`, with a fresh document.
    IPtr<ITesSRML> readByPlugin(const std::string& path, bool* good) {
        IPtr<ITesSRML> document = builder.document();
        *good = document->read(TesString::fromUtf8(path));
        return document;
    }

    static IPtr<ITesUnknown> make(const TesClassId& id) { return pluginUnderTest().host->manager().createInstance(id); }
    TempFolder folder;
    SrmlBuilder builder{make};
};

TEST_F(SrmlTool, UsageErrorsExitWithTwoAndHelpWithZero) {
    const CommandResult help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("check"), std::string::npos);
    EXPECT_NE(help.output.find("roundtrip"), std::string::npos);
    EXPECT_NE(help.output.find("new"), std::string::npos);
    EXPECT_EQ(run("new --help").exitCode, 0);

    const std::string scene = kExamples + "scenes/scanrig.scene";
    const std::string out = folder.narrowFile("out.srml");
    const std::vector<std::string> usage = {
        "",
        "frobnicate",
        "check",
        "check a.srml b.srml",
        "roundtrip only-one.srml",
        "new " + scene + " " + out,
        "new " + scene + " " + out + " --angles",
        "new " + scene + " " + out + " --angles 0,360",
        "new " + scene + " " + out + " --angles -1",
        "new " + scene + " " + out + " --angles 0,ninety",
        "new " + scene + " " + out + " --angles 90,0,90",
        "new " + scene + " " + out + " --angles 0 --resolution ultra",
        "--plugin",
    };
    for (const std::string& arguments : usage) {
        const CommandResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments << "\n" << result.output;
        EXPECT_FALSE(result.output.empty()) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(SrmlTool, CheckSummarisesAGoodFile) {
    const CommandResult result = run("check " + kExamples + "recipes/two-passes.srml");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output,
              "turntable: origin 0 0 -50\n"
              "scanners:  3 0 1 2\n"
              "recipes:   2\n"
              "  \"Coarse\": 4 angles, 4 cameras\n"
              "  \"Fine\": 12 angles, 36 cameras\n");

    const CommandResult untidy = run("check " + std::string(VESPER_SOURCE_DIR) + "/tests/data/srml/untidy.srml");
    EXPECT_EQ(untidy.exitCode, 0) << untidy.output;
    EXPECT_NE(untidy.output.find("scanners:  5 -1 0 1 2 2147483647\n"), std::string::npos) << untidy.output;
}

// The tool passes or fails a file exactly as the plug-in's reader does, and
// names the element that broke a rule.
TEST_F(SrmlTool, CheckNamesTheFirstBrokenRuleWithItsLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string message;  // empty: the file is good
    };
    const std::string transform = "<Transform m33=\"1\"/>";
    const std::string model = "<Model>\n<Turntable>" + transform + "</Turntable>\n<Scanners/>\n</Model>\n";
    const std::vector<Case> cases = {
        {"good", "<SRML>\n" + model + "</SRML>\n", ""},
        {"lenient", "<X>\n<WorkingRecipes>\n<R name=\"a\"><Angles>\n<A value=\"z\"><C id=\"q\"/></A>\n</Angles></R>\n"
                    "</WorkingRecipes>\n</X>\n", ""},
        {"no-turntable", "<SRML>\n<Model>\n<Scanners/>\n</Model>\n</SRML>\n", ":2: Model: no Turntable element"},
        {"no-transform", "<SRML>\n<Model>\n\n<Turntable/>\n<Scanners/></Model>\n</SRML>\n",
         ":4: Turntable: no Transform element"},
        {"no-scanners", "<SRML>\n<Model><Turntable>" + transform + "</Turntable></Model>\n</SRML>\n",
         ":2: Model: no Scanners element"},
        {"scanner-id", "<SRML>\n<Model><Turntable>" + transform + "</Turntable><Scanners>\n<Scanner id=\"1\">" +
                           transform + "</Scanner>\n<Scanner/>\n</Scanners></Model>\n</SRML>\n",
         ":4: Scanner in Scanners: no id"},
        {"scanner-transform",
         "<SRML>\n<Model><Turntable>" + transform + "</Turntable><Scanners>\n<Scanner id=\"8\"/>\n</Scanners></Model>\n</SRML>\n",
         ":3: Scanner 8: no Transform element"},
        {"recipe-name", "<SRML>\n" + model + "<WorkingRecipes>\n<Recipe>\n<Angles/></Recipe>\n</WorkingRecipes>\n</SRML>\n",
         ":7: Recipe in WorkingRecipes: no name"},
        {"angles", "<SRML>\n<WorkingRecipes>\n<Recipe name=\"Front\"/>\n</WorkingRecipes>\n</SRML>\n",
         ":3: Recipe \"Front\": no Angles element"},
        {"angle-value", "<SRML>\n<WorkingRecipes>\n<Recipe name=\"F\"><Angles>\n<Angle value=\"1\"/>\n<Angle value=\"\"/>"
                        "</Angles></Recipe>\n</WorkingRecipes>\n</SRML>\n",
         ":5: Angle of \"F\": no value"},
        {"camera-id", "<SRML>\n<WorkingRecipes>\n<Recipe name=\"F\"><Angles>\n<Angle value=\"90\">\n<Camera id=\"0\"/>\n"
                      "<Camera/>\n</Angle></Angles></Recipe>\n</WorkingRecipes>\n</SRML>\n",
         ":6: Camera at angle 90 of \"F\": no id"},
        {"malformed", "<SRML>\n<Model>\n</SRML>\n", ":3: not an XML document: Start-end tags mismatch"},
        {"empty", "", ":1: not an XML document: "},
    };
    for (const Case& each : cases) {
        const std::string path = write(std::string(each.name) + ".srml", each.text);
        const CommandResult result = run("check " + path);
        bool pluginGood = false;
        readByPlugin(path, &pluginGood);
        EXPECT_EQ(result.exitCode == 0, pluginGood) << each.name << "\n" << result.output;
        if (each.message.empty()) {
            EXPECT_EQ(result.exitCode, 0) << each.name << "\n" << result.output;
        } else {
            EXPECT_EQ(result.exitCode, 1) << each.name;
            EXPECT_NE(result.output.find("srmltool: " + path + each.message), std::string::npos)
                << each.name << "\n" << result.output;
        }
    }
    const CommandResult missing = run("check " + folder.narrowFile("missing.srml"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot read the file"), std::string::npos) << missing.output;
    const CommandResult noPlugin = run("--plugin " + folder.narrowFile("none.so") + " check " + kExamples +
                                       "recipes/two-passes.srml");
    EXPECT_EQ(noPlugin.exitCode, 1);
    EXPECT_NE(noPlugin.output.find("cannot load plug-in"), std::string::npos) << noPlugin.output;
}

TEST_F(SrmlTool, RoundTripWritesWhatThePluginReadsBack) {
    const std::string in = std::string(VESPER_SOURCE_DIR) + "/tests/data/srml/untidy.srml";
    const std::string out = folder.narrowFile("out.srml");
    const CommandResult result = run("roundtrip " + in + " " + out);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    bool good = false;
    IPtr<ITesSRML> original = readByPlugin(in, &good);
    ASSERT_TRUE(good);
    IPtr<ITesSRML> rewritten = readByPlugin(out, &good);
    ASSERT_TRUE(good);
    EXPECT_EQ(srmlSnapshot(*rewritten), srmlWrittenAndRead(srmlSnapshot(*original)));

    // The example files are already in the writer's form.
    const std::string example = kExamples + "recipes/turntable-sweep.srml";
    ASSERT_EQ(run("roundtrip " + example + " " + out).exitCode, 0);
    EXPECT_EQ(TempFolder::readAll(out), TempFolder::readAll(example));

    const std::string broken = write("broken.srml", "<SRML><Model/></SRML>");
    const CommandResult refused = run("roundtrip " + broken + " " + folder.narrowFile("never.srml"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.file("never.srml")));
    const CommandResult unwritable = run("roundtrip " + example + " " + folder.narrowFile("no/folder/x.srml"));
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.output.find("cannot write the file"), std::string::npos) << unwritable.output;
}

TEST_F(SrmlTool, NewPutsEveryScannerOnEachAngle) {
    const std::string out = folder.narrowFile("new.srml");
    const CommandResult result =
        run("new " + kExamples + "scenes/scanrig.scene " + out + " --angles 270,0,90 --resolution HIGH");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    bool good = false;
    IPtr<ITesSRML> document = readByPlugin(out, &good);
    ASSERT_TRUE(good);
    const SrmlSnapshot picture = srmlSnapshot(*document);
    const std::vector<SrmlCamera> all = {{0, -1, -1}, {1, -1, -1}, {2, -1, -1}};
    const std::vector<SrmlRecipe> recipes = {{u"Recipe 1", 70, 0, {{0, 2, all}, {90, 2, all}, {270, 2, all}}}};
    EXPECT_EQ(picture.recipes, recipes);
    ASSERT_EQ(picture.scanners.size(), 3u);
    // "Front scanner": axes in the columns, the origin last.
    const TesMatrix front({1, 0, 0, 0, 0, 0.34202, 0.939693, -700, 0, 0.939693, -0.34202, 250, 0, 0, 0, 1});
    EXPECT_EQ(picture.scanners.at(1), srmlBits(front));
    EXPECT_EQ(picture.turntable, srmlBits(TesMatrix::translationMatrix({0, 0, -50})));

    struct Case {
        const char* what;
        std::string scene;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"missing scene", folder.narrowFile("none.scene"), "none.scene"},
        {"bad scene", write("bad.scene", "object RefObject\nsubcsys A origin 1 2\n"), "bad.scene:2"},
        {"no RefObject", write("other.scene", "object Part\nsubcsys A origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"),
         "no object RefObject"},
        {"turntable only", write("turntable.scene", "object RefObject\nsubcsys Turntable origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"),
         "no scanner coordinate systems"},
    };
    for (const Case& each : cases) {
        const CommandResult failed = run("new " + each.scene + " " + folder.narrowFile("x.srml") + " --angles 0");
        EXPECT_EQ(failed.exitCode, 1) << each.what << "\n" << failed.output;
        EXPECT_NE(failed.output.find(each.message), std::string::npos) << each.what << "\n" << failed.output;
        EXPECT_FALSE(std::filesystem::exists(folder.file("x.srml"))) << each.what;
    }
}

}  // namespace
