#include "srmlreader.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <string>
#include <vector>

#include "pluginhost.h"
#include "srmlscanproperties.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"

namespace {

constexpr const char* kIdentity =
    "<Transform m00=\"1\" m01=\"0\" m02=\"0\" m03=\"0\" m10=\"0\" m11=\"1\" m12=\"0\" m13=\"0\" "
    "m20=\"0\" m21=\"0\" m22=\"1\" m23=\"0\" m30=\"0\" m31=\"0\" m32=\"0\" m33=\"1\"/>";
constexpr const char* kModel =
    "<Model><Turntable><Transform m00=\"1\" m11=\"1\" m22=\"1\" m33=\"1\" m23=\"-10\"/></Turntable>"
    "<Scanners><Scanner id=\"0\"><Transform m03=\"400\" m33=\"1\"/></Scanner></Scanners></Model>";

std::string srmlFile(const std::string& model, const std::string& recipes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SRML>" + model + recipes + "</SRML>\n";
}

std::string recipeList(const std::string& recipes) { return "<WorkingRecipes>" + recipes + "</WorkingRecipes>"; }

// One recipe "R" without defaults whose angles are `angles`.
std::string oneRecipe(const std::string& angles) {
    return recipeList("<Recipe name=\"R\"><Angles>" + angles + "</Angles></Recipe>");
}

std::vector<uint64_t> bits(std::initializer_list<double> values) {
    std::vector<uint64_t> result;
    for (double value : values) result.push_back(std::bit_cast<uint64_t>(value));
    return result;
}

class SrmlReader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }
    static IPtr<ITesUnknown> make(const TesClassId& id) { return pluginUnderTest().host->manager().createInstance(id); }

    TesString write(const std::string& text, const std::string& name = "in.srml") {
        TempFolder::writeAll(folder.file(name), {text.begin(), text.end()});
        return TesString(folder.wideFile(name).c_str());
    }
    // Reads `text` into `document`.
    bool read(ITesSRML& document, const std::string& text) { return document.read(write(text)); }
    // Reads `text` into a fresh document and pictures the result.
    SrmlSnapshot readFresh(const std::string& text, bool expectGood) {
        IPtr<ITesSRML> document = builder.document();
        EXPECT_EQ(document->read(write(text)), expectGood) << text;
        return srmlSnapshot(*document);
    }

    TempFolder folder;
    SrmlBuilder builder{make};
};

TEST_F(SrmlReader, ReadsEveryElementAndAttribute) {
    const std::string text = srmlFile(
        "<Model><Turntable>"
        "<Transform m00=\"1\" m01=\"2\" m02=\"3\" m03=\"4\" m10=\"5\" m11=\"6\" m12=\"7\" m13=\"8\" "
        "m20=\"9\" m21=\"10\" m22=\"11\" m23=\"12\" m30=\"13\" m31=\"14\" m32=\"15\" m33=\"16\"/>"
        "</Turntable><Scanners>"
        "<Scanner id=\"3\"><Transform m03=\"-400.5\" m33=\"1\"/></Scanner>"
        "<Scanner id=\"7\">" + std::string(kIdentity) + "</Scanner>"
        "</Scanners></Model>",
        recipeList("<Recipe name=\"Front\">"
                   "<DefaultProperties><Property id=\"Exposure\">70</Property><Property id=\"HDR\">0</Property>"
                   "</DefaultProperties><Angles>"
                   "<Angle value=\"90\" resolution=\"High\"><Camera id=\"3\"><Property id=\"Exposure\">80</Property>"
                   "<Property id=\"HDR\">1</Property></Camera><Camera id=\"7\"/></Angle>"
                   "<Angle value=\"0\" resolution=\"Medium\"><Camera id=\"7\"><Property id=\"HDR\">0</Property>"
                   "</Camera></Angle>"
                   "<Angle value=\"45\"/>"
                   "</Angles></Recipe>"
                   "<Recipe name=\"Back\"><Angles/></Recipe>"));
    const SrmlSnapshot picture = readFresh(text, true);
    EXPECT_EQ(picture.turntable, bits({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    ASSERT_EQ(picture.scanners.size(), 2u);
    EXPECT_EQ(picture.scanners.at(3), bits({0, 0, 0, -400.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(picture.scanners.at(7), srmlBits(TesMatrix::identity()));
    const std::vector<SrmlRecipe> recipes = {
        {u"Front",
         70,
         0,
         {{90, 2, {{3, 80, 1}, {7, -1, -1}}}, {0, 1, {{7, -1, 0}}}, {45, 0, {}}}},  // file order, not sorted
        {u"Back", -1, -1, {}},
    };
    EXPECT_EQ(picture.recipes, recipes);
}

TEST_F(SrmlReader, NamesThatAreNotCheckedMayBeAnything) {
    const std::string text =
        "<Anything><Comment>ignored</Comment><Model><Turntable>" + std::string(kIdentity) +
        "</Turntable><Scanners><Camera id=\"2\">" + kIdentity + "</Camera></Scanners></Model>"
        "<Other/><WorkingRecipes><Menu name=\"M\"><Angles><Step value=\"10\"><Shot id=\"2\">"
        "<Setting id=\"Exposure\">5</Setting></Shot></Step></Angles></Menu></WorkingRecipes></Anything>";
    const SrmlSnapshot picture = readFresh(text, true);
    EXPECT_EQ(picture.scanners.count(2), 1u);
    ASSERT_EQ(picture.recipes.size(), 1u);
    EXPECT_EQ(picture.recipes[0], (SrmlRecipe{u"M", -1, -1, {{10, 0, {{2, 5, -1}}}}}));
}

TEST_F(SrmlReader, LenientValuesFollowAtoiAndAtof) {
    struct Case {
        const char* text;
        int32_t integer;  // as an angle, a camera id and an exposure
        double real;      // as a transform entry
    };
    const std::vector<Case> cases = {
        {"12", 12, 12},
        {" 7x", 7, 7},
        {"-1", -1, -1},
        {"+5", 5, 5},
        {"abc", 0, 0},
        {"2147483647", INT32_MAX, 2147483647},
        {"-2147483648", INT32_MIN, -2147483648.0},
        {"1e3", 1, 1000},
        {"0x10", 0, 16},
        {"3.75", 3, 3.75},
        {"\xc3\xa9" "5", 0, 0},
        {"inf", 0, std::numeric_limits<double>::infinity()},
    };
    for (const Case& each : cases) {
        const std::string value = each.text;
        const std::string text = srmlFile(
            "<Model><Turntable><Transform m00=\"" + value + "\"/></Turntable><Scanners/></Model>",
            oneRecipe("<Angle value=\"" + value + "\"><Camera id=\"" + value + "\"><Property id=\"Exposure\">" +
                      value + "</Property><Property id=\"HDR\">" + value + "</Property></Camera></Angle>"));
        const SrmlSnapshot picture = readFresh(text, true);
        // Missing entries read as 0, the last row's 1 included.
        EXPECT_EQ(picture.turntable, bits({each.real, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})) << value;
        ASSERT_EQ(picture.recipes.size(), 1u) << value;
        const SrmlAngle& angle = picture.recipes[0].angles.at(0);
        EXPECT_EQ(angle.value, each.integer) << value;
        EXPECT_EQ(angle.cameras.at(0), (SrmlCamera{each.integer, each.integer, each.integer})) << value;
    }
}

TEST_F(SrmlReader, ResolutionIsOneOfThreeExactWords) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {" resolution=\"Low\"", 0},  {" resolution=\"Medium\"", 1}, {" resolution=\"High\"", 2},
        {" resolution=\"high\"", 0}, {" resolution=\"HIGH\"", 0},   {" resolution=\"High \"", 0},
        {" resolution=\"2\"", 0},    {" resolution=\"\"", 0},       {"", 0},
    };
    for (const auto& [attribute, resolution] : cases) {
        const SrmlSnapshot picture = readFresh(srmlFile("", oneRecipe("<Angle value=\"1\"" + attribute + "/>")), true);
        ASSERT_EQ(picture.recipes.size(), 1u);
        EXPECT_EQ(picture.recipes[0].angles.at(0).resolution, resolution) << attribute;
    }
}

TEST_F(SrmlReader, PropertyListsStopAtTheFirstIncompleteProperty) {
    struct Case {
        const char* what;
        std::string properties;
        int32_t exposure;
        int32_t hdr;
    };
    auto property = [](const std::string& id, const std::string& text) {
        return "<Property id=\"" + id + "\">" + text + "</Property>";
    };
    const std::vector<Case> cases = {
        {"none", "", -1, -1},
        {"both", property("Exposure", "70") + property("HDR", "1"), 70, 1},
        {"HDR first", property("HDR", "0") + property("Exposure", "20"), 20, 0},
        {"unknown ids skipped", property("Gain", "9") + property("exposure", "8") + property("HDR", "1"), -1, 1},
        {"last one wins", property("Exposure", "1") + property("Exposure", "2"), 2, -1},
        {"empty text stops", property("Exposure", "") + property("HDR", "1"), -1, -1},
        {"blank text is no text", property("Exposure", " ") + property("HDR", "1"), -1, -1},
        {"missing id stops", "<Property>5</Property>" + property("HDR", "1"), -1, -1},
        {"stop after one", property("Exposure", "30") + "<Property id=\"HDR\"/>" + property("HDR", "1"), 30, -1},
        {"any element name", "<P id=\"Exposure\">3</P>", 3, -1},
        {"text in parts", "<Property id=\"Exposure\">4<!-- c -->5</Property>", 4, -1},
    };
    for (const Case& each : cases) {
        const std::string text = srmlFile(
            "", recipeList("<Recipe name=\"R\"><DefaultProperties>" + each.properties +
                           "</DefaultProperties><Angles><Angle value=\"0\"><Camera id=\"1\">" + each.properties +
                           "</Camera></Angle></Angles></Recipe>"));
        const SrmlSnapshot picture = readFresh(text, true);
        ASSERT_EQ(picture.recipes.size(), 1u) << each.what;
        EXPECT_EQ(picture.recipes[0].exposure, each.exposure) << each.what;
        EXPECT_EQ(picture.recipes[0].hdr, each.hdr) << each.what;
        EXPECT_EQ(picture.recipes[0].angles.at(0).cameras.at(0), (SrmlCamera{1, each.exposure, each.hdr})) << each.what;
    }
}

// Each broken rule fails the read at once; what came before stays.
TEST_F(SrmlReader, BrokenRulesFailAndKeepWhatWasAlreadyRead) {
    const std::string goodRecipe = "<Recipe name=\"Kept\"><Angles><Angle value=\"5\"/></Angles></Recipe>";
    struct Case {
        const char* what;
        std::string text;
        size_t recipes;        // in the document afterwards
        bool turntableSet;     // the file's turntable (m23 = -10) was taken
        size_t scanners;
    };
    const std::string turntable = "<Turntable><Transform m00=\"1\" m11=\"1\" m22=\"1\" m33=\"1\" m23=\"-10\"/></Turntable>";
    const std::vector<Case> cases = {
        {"no Turntable", srmlFile("<Model><Scanners/></Model>", ""), 0, false, 0},
        {"Turntable without Transform", srmlFile("<Model><Turntable/><Scanners/></Model>", ""), 0, false, 0},
        {"no Scanners", srmlFile("<Model>" + turntable + "</Model>", ""), 0, true, 0},
        {"scanner without id",
         srmlFile("<Model>" + turntable + "<Scanners><Scanner id=\"1\">" + kIdentity +
                      "</Scanner><Scanner>" + kIdentity + "</Scanner></Scanners></Model>",
                  ""),
         0, true, 1},
        {"scanner with empty id",
         srmlFile("<Model>" + turntable + "<Scanners><Scanner id=\"\">" + kIdentity + "</Scanner></Scanners></Model>", ""),
         0, true, 0},
        {"scanner without Transform",
         srmlFile("<Model>" + turntable + "<Scanners><Scanner id=\"1\"/></Scanners></Model>", ""), 0, true, 0},
        {"recipe without name", srmlFile(kModel, recipeList(goodRecipe + "<Recipe><Angles/></Recipe>" + goodRecipe)),
         1, true, 1},
        {"recipe with empty name", srmlFile(kModel, recipeList(goodRecipe + "<Recipe name=\"\"><Angles/></Recipe>")),
         1, true, 1},
        {"recipe without Angles", srmlFile(kModel, recipeList(goodRecipe + goodRecipe + "<Recipe name=\"X\"/>")), 2,
         true, 1},
        {"angle without value",
         srmlFile(kModel, recipeList(goodRecipe + "<Recipe name=\"X\"><Angles><Angle value=\"1\"/><Angle/>"
                                                  "</Angles></Recipe>")),
         1, true, 1},
        {"camera without id",
         srmlFile(kModel, recipeList(goodRecipe + "<Recipe name=\"X\"><Angles><Angle value=\"1\"><Camera id=\"0\"/>"
                                                  "<Camera id=\"\"/></Angle></Angles></Recipe>")),
         1, true, 1},
        {"recipes before a broken model", "<SRML>" + recipeList(goodRecipe) + "<Model><Scanners/></Model></SRML>", 1,
         false, 0},
    };
    for (const Case& each : cases) {
        IPtr<ITesSRML> document = builder.document();
        EXPECT_FALSE(read(*document, each.text)) << each.what;
        const SrmlSnapshot picture = srmlSnapshot(*document);
        EXPECT_EQ(picture.recipes.size(), each.recipes) << each.what;
        EXPECT_EQ(picture.turntable[11] == std::bit_cast<uint64_t>(-10.0), each.turntableSet) << each.what;
        EXPECT_EQ(picture.scanners.size(), each.scanners) << each.what;
    }
}

TEST_F(SrmlReader, WithoutWorkingRecipesOrModelTheFileIsStillGood) {
    EXPECT_TRUE(readFresh(srmlFile(kModel, ""), true).recipes.empty());
    const SrmlSnapshot noModel = readFresh(srmlFile("", oneRecipe("")), true);
    EXPECT_EQ(noModel.turntable, srmlBits(TesMatrix::identity()));
    EXPECT_EQ(noModel.recipes.size(), 1u);
    EXPECT_EQ(readFresh("<SRML/>", true), srmlSnapshot(*builder.document()));
}

TEST_F(SrmlReader, BadFilesFailWithoutTouchingTheDocument) {
    IPtr<ITesSRML> document = builder.document();
    ASSERT_TRUE(read(*document, srmlFile(kModel, oneRecipe("<Angle value=\"1\"><Camera id=\"0\"/></Angle>"))));
    const SrmlSnapshot before = srmlSnapshot(*document);
    const std::string whole = srmlFile(kModel, oneRecipe("<Angle value=\"1\"/>"));
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"blank", "\n \n"},
        {"truncated", whole.substr(0, whole.size() / 2)},
        {"cut before the root ends", whole.substr(0, whole.size() - 8)},
        {"not XML", "Model Turntable Scanners"},
        {"binary", std::string("\x00\x01\xff\xfe<\x00S", 7)},
        {"mismatched tags", "<SRML><Model></SRML></Model>"},
        {"bad attribute", "<SRML><Model id=1/></SRML>"},
    };
    for (const auto& [what, text] : cases) {
        EXPECT_FALSE(read(*document, text)) << what;
        EXPECT_EQ(srmlSnapshot(*document), before) << what;
    }
    EXPECT_FALSE(document->read(TesString(folder.wideFile("missing.srml").c_str())));
    EXPECT_FALSE(document->read(TesString(folder.path().u16string().c_str())));
    EXPECT_FALSE(document->read(TesString()));
    EXPECT_EQ(srmlSnapshot(*document), before);
}

TEST_F(SrmlReader, ReadingAddsToTheDocument) {
    IPtr<ITesSRML> document = builder.document();
    SrmlBuilder::setScanner(*document, 0, TesMatrix::translationMatrix({1, 1, 1}));
    SrmlBuilder::setScanner(*document, 5, TesMatrix::translationMatrix({5, 5, 5}));
    builder.addRecipe(*document, u"Existing", 1, 1);
    const std::string text = srmlFile(kModel, oneRecipe("<Angle value=\"1\"/>"));
    ASSERT_TRUE(read(*document, text));
    ASSERT_TRUE(read(*document, text));
    const SrmlSnapshot picture = srmlSnapshot(*document);
    ASSERT_EQ(picture.recipes.size(), 3u);  // doubled after the one that was there
    EXPECT_EQ(picture.recipes[0].name, u"Existing");
    EXPECT_EQ(picture.recipes[1], picture.recipes[2]);
    EXPECT_EQ(picture.scanners.at(0), bits({0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));  // overwritten
    EXPECT_EQ(picture.scanners.at(5), srmlBits(TesMatrix::translationMatrix({5, 5, 5})));     // kept

    // A scanner listed twice: the later transform wins.
    const SrmlSnapshot twice = readFresh(
        srmlFile("<Model><Turntable>" + std::string(kIdentity) +
                     "</Turntable><Scanners><Scanner id=\"4\"><Transform m00=\"1\"/></Scanner>"
                     "<Scanner id=\"4\"><Transform m00=\"2\"/></Scanner></Scanners></Model>",
                 ""),
        true);
    EXPECT_EQ(twice.scanners.at(4)[0], std::bit_cast<uint64_t>(2.0));

    // A document whose model data was set to null gets a new one.
    IPtr<ITesSRML> bare = builder.document();
    bare->setModelData(nullptr);
    EXPECT_TRUE(read(*bare, text));
    ASSERT_NE(bare->modelData(), nullptr);
    EXPECT_EQ(bare->modelData()->scannerTransforms().count(), 1);
}

TEST_F(SrmlReader, ReadPropertiesCarryNoCoverageFlag) {
    IPtr<ITesSRML> document = builder.document();
    ASSERT_TRUE(read(*document, srmlFile("", oneRecipe("<Angle value=\"1\"><Camera id=\"0\"/></Angle>"))));
    ITesSRMLScanProperties* properties = document->recipes()[0]->angles()[0]->scannerProperties()[0].get();
    auto* concrete = tesQuery<SRMLScanProperties>(properties, "SRMLScanProperties");
    ASSERT_NE(concrete, nullptr);
    EXPECT_EQ(concrete->flag(), 0);
}

}  // namespace
