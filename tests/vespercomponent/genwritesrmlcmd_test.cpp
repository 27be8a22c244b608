// The recipe editor's handlers on the scanning cell; the whole tour is pinned
// by tests/golden/srml-editor.out.
#include <gtest/gtest.h>

#include <fstream>

#include "enumeration.h"
#include "pluginhost.h"
#include "sessionrun.h"
#include "tempfolder.h"

namespace {

const std::string kRig = VESPER_SOURCE_DIR "/examples/scenes/scanrig.scene";
const std::string kTurntable = "object RefObject\nsubcsys Turntable origin 0 0 -50 x 1 0 0 y 0 1 0 z 0 0 1\n";
const std::string kLeft = "subcsys L origin -600 -350 250 x 0.5 -0.866025 0 y 0.296198 0.171010 0.939693 "
                          "z 0.813798 0.469846 -0.342020\n";
const std::string kFront = "subcsys F origin 0 -700 250 x 1 0 0 y 0 0.342020 0.939693 z 0 0.939693 -0.342020\n";
const std::string kQuestion = "kind 3 \"Do you want to save changes made to the current SRML?\"";

class SrmlEditor : public PluginTest {
protected:
    // The transcript of `script` on a scene file or scene text, then its error.
    std::string run(const std::string& scene, const std::string& script) {
        const bool inlineScene = scene.find('\n') != std::string::npos;
        const std::string path = inlineScene ? folder.narrowFile("inline.scene") : scene;
        if (inlineScene) std::ofstream(path) << scene;
        host().dialogs().takeShown();
        const SessionRun run = runSessionText(host(), "scene " + refQuote(path) + "\ncommand GenWriteSRMLCmd\n" + script);
        return run.transcript + run.error;
    }
    std::string file(const std::string& name) { return refQuote(folder.narrowFile(name)); }
    TempFolder folder;
};

TEST_F(SrmlEditor, HandlersTable) {
    std::ofstream(folder.file("broken.srml")) << "<SRML><Model>";
    const std::string model = "<SRML><Model><Turntable><Transform/></Turntable><Scanners/></Model>";
    std::ofstream(folder.file("norecipes.srml")) << model << "</SRML>";
    std::ofstream(folder.file("stray.srml"))
        << model << "<WorkingRecipes><Recipe name=\"R\"><DefaultProperties/><Angles><Angle value=\"30\">"
        << "<Camera id=\"-1\"/><Camera id=\"2147483647\"/></Angle></Angles></Recipe></WorkingRecipes></SRML>";
    // Front then Left: saved here, loaded on the rig their ids swap.
    run(kTurntable + kFront + kLeft, "spin Scanner1Exposure 100\nspin Scanner2Exposure 200\nclick AddButton\nfile " +
                                         file("swapped.srml") + "\nclick SaveButton\nok\n");
    run(kTurntable + kLeft + "subcsys Top origin 0 0 900 x 1 0 0 y 0 -1 0 z 0 0 -1\n",
        "click AddButton\nfile " + file("top.srml") + "\nclick SaveButton\nok\n");
    const std::string refused = "dump dialogs\necho end\n";
    const std::string dumpEnd = refused + "cancel\n";
    const struct { const char* name; std::string scene, script, expected; } rows[] = {
        {"no reference object", "object Other\n", refused, "kind 1 \"There is no reference object\" -> 1\nend"},
        {"no coordinate systems", "object RefObject\n", refused,
         "refused to start\ndialogs:\n  kind 1 \"The reference object does not contain any coordinate systems\""},
        {"no turntable", "object RefObject\n" + kLeft + kFront, refused, "not contain a Turntable coordinate system\""},
        {"turntable alone", kTurntable, refused, "\"The reference object does not any scanner coordinate systems\""},
        {"new takes the first free number", kRig,
         "click NewRecipeButton\nclick NewRecipeButton\nselect RecipeList 1\nanswer yes\nclick DeleteRecipeButton\n"
         "click NewRecipeButton\ndump panel\n" + dumpEnd,
         "items=[\"Recipe 1\", \"Recipe 3\", \"Recipe 2\"] selection=2 editable\n"},
        {"add, then save scan only on a change", kRig,
         "click AddButton\nexpect AddButton text \"Save Scan\"\nexpect AddButton enabled false\n"
         "click Scanner2TestCoverage on\nexpect AddButton enabled false\nclick Scanner1HDR on\n"
         "expect AddButton enabled true\nspin ScanAngle 30\nexpect AddButton text \"Add Scan\"\n" + dumpEnd,
         "end"},
        {"an exposure equal to the default follows it", kRig,
         "spin Scanner2Exposure 120\nclick AddButton\nspin DefaultExposure 100\nselect ScanAngleList 0\n"
         "expect Scanner1Exposure value 100\nexpect Scanner2Exposure value 120\nexpect AddButton enabled false\n"
         "cancel\n", "cancel: ended"},
        {"default HDR moves the rows that showed the old one", kRig,
         "click DefaultHDR on\nclick Scanner1HDR off\nclick DefaultHDR on\nexpect Scanner1HDR checked false\n"
         "expect Scanner2HDR checked true\nclick NewRecipeButton\nexpect Scanner2HDR checked false\ncancel\n",
         "cancel: ended"},
        {"ok after start", kRig, "ok\n" + refused, "ok: ended\ndialogs:\nend"},
        {"ok after a switch, yes", kRig, "click NewRecipeButton\nanswer yes\nfile " + file("ok.srml") + "\nok\n",
         "ok: ended"},
        {"ok after a switch, no", kRig, "select RecipeList 0\nanswer no\nok\n", "ok: ended"},
        {"ok after a switch, cancel", kRig, "select RecipeList 0\nanswer cancel\nok\n", "ok: ended"},
        {"ok after a switch, save cancelled", kRig, "select RecipeList 0\nanswer yes\nfile cancel\nok\ncancel\n",
         "ok: refused\ncancel: ended"},
        {"ok after load", kRig, "select RecipeList 0\nfile " + file("ok.srml") + "\nanswer no\nclick LoadButton\nok\n" +
         refused, "ok: ended\ndialogs:\n  " + kQuestion + " -> 2\nend"},
        {"load renumbers silently, a swap included", kRig,
         "file " + file("swapped.srml") + "\nclick LoadButton\nexpect Scanner1Exposure value 200\n"
         "expect Scanner2Exposure value 100\nexpect Scanner3Check checked false\n" + dumpEnd, "dialogs:\nend"},
        {"load drops a scanner the rig lacks", kRig,
         "file " + file("top.srml") + "\nclick LoadButton\nexpect Scanner1Check checked true\n"
         "expect Scanner2Check checked false\n" + dumpEnd, "kind 0 \"The reference model does not define the"},
        {"a broken file keeps the document and the folder", kRig,
         "click NewRecipeButton\nfile " + file("broken.srml") + "\nanswer no\nclick LoadButton\nfile cancel\n"
         "click SaveButton\ndump files\ndump panel\n" + dumpEnd,
         "folder=\"" + folder.narrowFile("") + "\"\n"},
        {"a file without recipes", kRig, "file " + file("norecipes.srml") + "\nclick LoadButton\ndump panel\ncancel\n",
         "items=[] selection=-1 editable\n  push 3 NewRecipeButton label=\"New\"\n  push 4 DeleteRecipeButton "
         "label=\"Delete\" disabled\ngroup 15 PropertiesBox label=\"Default Properties\" disabled"},
        {"deleting the last recipe", kRig,
         "answer yes\nclick DeleteRecipeButton\nexpect SaveButton enabled false\nexpect AddButton enabled false\n"
         "click NewRecipeButton\nexpect RecipeList text \"Recipe 1\"\ncancel\n", "cancel: ended"},
        {"an empty name saves an unreadable file", kRig,
         "type RecipeList \"\"\nfile " + file("empty.srml") + "\nclick SaveButton\nfile " + file("empty.srml") +
         "\nclick LoadButton\n" + dumpEnd, "kind 1 \"Failed to open SRML file\""},
        {"stray camera ids", kRig, "file " + file("stray.srml") + "\nclick LoadButton\nexpect ScanAngle value 30\n"
         "expect Scanner1Check checked false\nexpect Scanner3Check checked false\nexpect DefaultHDR checked false\n"
         "cancel\n", "cancel: ended"},
        {"an unwritable path saves nothing and says nothing", kRig,
         "file " + file("missing/x.srml") + "\nclick SaveButton\nexpect SRMLBox text \"SRML x.srml\"\n" + dumpEnd,
         "dialogs:\nend"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string transcript = run(row.scene, row.script);
        EXPECT_NE(transcript.find(row.expected), std::string::npos) << transcript;
        EXPECT_EQ(transcript.find("inline:"), std::string::npos) << transcript;
    }
}

TEST_F(SrmlEditor, AnswersForItsClassAndTheDialogRemover) {
    IPtr<ITesUnknown> object = pluginMake(TesClassId::parse("1849726d-f099-41ae-ba18-fa614c1cc847"));
    ASSERT_TRUE(object);
    auto* remover = tesQuery<IDialogRemover>(object.get(), "IDialogRemover");
    EXPECT_TRUE(remover != nullptr && remover->mayRemoveDialog());
    EnumerationContext context;
    context.enumerate(object.get());
    const std::vector<EnumeratedName> listed = {{"GenWriteSRMLCmd", 1, ""}, {"IDialogRemover", 0, "GenWriteSRMLCmd"},
        {"CompBaseCmdInt", 1, "GenWriteSRMLCmd"}, {"IComponentCommand", 0, "CompBaseCmdInt"}};
    EXPECT_EQ(context.entries(), listed);
}

}  // namespace
