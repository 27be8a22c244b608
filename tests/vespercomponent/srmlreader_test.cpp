// What the reader takes from files the writer never makes. Files as written
// are read in the round-trip tests of srmlwriter_test.cpp; the file rules and
// what a broken file leaves in the document, in srmltool_test.cpp.
#include "srmlreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pluginhost.h"
#include "srmlscanproperties.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"

namespace {

std::string srmlFile(const std::string& model, const std::string& recipes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SRML>" + model + "<WorkingRecipes>" + recipes +
           "</WorkingRecipes></SRML>\n";
}

class SrmlReader : public PluginTest {
protected:
    bool read(ITesSRML& document, const std::string& text) {
        TempFolder::writeAll(folder.file("in.srml"), {text.begin(), text.end()});
        return document.read(TesString(folder.wideFile("in.srml").c_str()));
    }
    // The picture of a fresh document that took `text`.
    SrmlSnapshot readFresh(const std::string& text) {
        IPtr<ITesSRML> document = builder.document();
        EXPECT_TRUE(read(*document, text)) << text;
        return srmlSnapshot(*document);
    }

    TempFolder folder;
    SrmlBuilder builder{pluginMake};
};

// Numbers go through atoi and atof of the leading ASCII part; a text of 64
// units or more takes another way to them. The names of the root, scanners,
// recipes, angles, cameras and properties are not checked.
TEST_F(SrmlReader, LenientValuesFollowAtoiAndAtof) {
    const struct {
        std::string text;
        int32_t integer;  // as an angle, a camera id, an exposure and an HDR
        double real;      // as a transform entry
    } cases[] = {
        {" 1e3x", 1, 1000},
        {"2\xc3\xa9" "5", 2, 2},
        {std::string(60, ' ') + "-4.5", -4, -4.5},
        {std::string(59, ' ') + "-4.5", -4, -4.5},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        const std::string& v = row.text;
        const SrmlSnapshot picture = readFresh(
            "<Any><Model><Turntable><Transform m00=\"" + v + "\"/></Turntable><Scanners><Camera id=\"" + v +
            "\"><Transform/></Camera></Scanners></Model><WorkingRecipes><Menu name=\"M\"><Angles><Step value=\"" + v +
            "\"><Shot id=\"" + v + "\"><Setting id=\"Exposure\">" + v + "</Setting><P id=\"HDR\">" + v +
            "</P></Shot></Step></Angles></Menu></WorkingRecipes></Any>");
        // Missing entries read as 0, the last row's 1 included.
        EXPECT_EQ(picture.turntable, srmlBits(TesMatrix({row.real, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
        EXPECT_EQ(picture.scanners.count(row.integer), 1u);
        const int32_t n = row.integer;
        EXPECT_EQ(picture.recipes, (std::vector<SrmlRecipe>{{u"M", -1, -1, {{n, 0, {{n, n, n}}}}}}));
    }
}

// Only the exact words count; anything else, and no attribute, is Low.
TEST_F(SrmlReader, ResolutionIsOneOfThreeExactWords) {
    const std::string angles = "<Angle value=\"1\" resolution=\"Medium\"/><Angle value=\"1\" resolution=\"High\"/>"
                               "<Angle value=\"1\" resolution=\"high\"/><Angle value=\"1\"/>";
    const SrmlSnapshot picture = readFresh(srmlFile("", "<Recipe name=\"R\"><Angles>" + angles + "</Angles></Recipe>"));
    EXPECT_EQ(picture.recipes.at(0).angles, (std::vector<SrmlAngle>{{1, 1, {}}, {1, 2, {}}, {1, 0, {}}, {1, 0, {}}}));
}

// A property without an id or a text ends the list, which is no error.
TEST_F(SrmlReader, PropertyListsStopAtTheFirstIncompleteProperty) {
    auto property = [](const std::string& id, const std::string& text) {
        return "<Property id=\"" + id + "\">" + text + "</Property>";
    };
    const struct {
        const char* name;
        std::string properties;
        int32_t exposure;
        int32_t hdr;
    } cases[] = {
        {"unknown ids skipped", property("Gain", "9") + property("exposure", "8") + property("HDR", "1"), -1, 1},
        {"empty text stops", property("Exposure", "") + property("HDR", "1"), -1, -1},
        {"missing id stops", "<Property>5</Property>" + property("HDR", "1"), -1, -1},
        {"stop after one", property("Exposure", "30") + "<Property id=\"HDR\"/>" + property("HDR", "1"), 30, -1},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const SrmlSnapshot picture = readFresh(srmlFile(
            "", "<Recipe name=\"R\"><DefaultProperties>" + row.properties + "</DefaultProperties><Angles>"
                "<Angle value=\"0\"><Camera id=\"1\">" + row.properties + "</Camera></Angle></Angles></Recipe>"));
        const SrmlRecipe expected{u"R", row.exposure, row.hdr, {{0, 0, {{1, row.exposure, row.hdr}}}}};
        EXPECT_EQ(picture.recipes, std::vector<SrmlRecipe>{expected});
    }
}

TEST_F(SrmlReader, BadFilesFailWithoutTouchingTheDocument) {
    IPtr<ITesSRML> document = builder.document();
    const std::string whole = srmlFile("", "<Recipe name=\"R\"><Angles><Angle value=\"1\"/></Angles></Recipe>");
    ASSERT_TRUE(read(*document, whole));
    const SrmlSnapshot before = srmlSnapshot(*document);
    EXPECT_FALSE(read(*document, whole.substr(0, whole.size() - 8)));
    EXPECT_FALSE(document->read(TesString(folder.wideFile("missing.srml").c_str())));
    EXPECT_EQ(srmlSnapshot(*document), before);
}

// Recipes are appended and scanners overwritten by identifier, the later of
// two in one file winning; a document without model data gets a new one.
// Read properties carry no coverage flag.
TEST_F(SrmlReader, ReadingAddsToTheDocument) {
    IPtr<ITesSRML> document = builder.document();
    SrmlBuilder::setScanner(*document, 4, TesMatrix::translationMatrix({1, 1, 1}));
    SrmlBuilder::setScanner(*document, 5, TesMatrix::translationMatrix({5, 5, 5}));
    builder.addRecipe(*document, u"Existing", 1, 1);
    const std::string text = srmlFile(
        "<Model><Turntable><Transform/></Turntable><Scanners><Scanner id=\"4\"><Transform m00=\"1\"/></Scanner>"
        "<Scanner id=\"4\"><Transform m00=\"2\"/></Scanner></Scanners></Model>",
        "<Recipe name=\"R\"><Angles><Angle value=\"1\"><Camera id=\"4\"/></Angle></Angles></Recipe>");
    ASSERT_TRUE(read(*document, text));
    ASSERT_TRUE(read(*document, text));
    const SrmlSnapshot picture = srmlSnapshot(*document);
    ASSERT_EQ(picture.recipes.size(), 3u);
    EXPECT_EQ(picture.recipes[0].name, u"Existing");
    EXPECT_EQ(picture.recipes[1], picture.recipes[2]);
    EXPECT_EQ(picture.scanners.at(4), srmlBits(TesMatrix({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(picture.scanners.at(5), srmlBits(TesMatrix::translationMatrix({5, 5, 5})));
    auto* properties = tesQuery<SRMLScanProperties>(
        document->recipes()[1]->angles()[0]->scannerProperties()[0].get(), "SRMLScanProperties");
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->flag(), 0);

    IPtr<ITesSRML> bare = builder.document();
    bare->setModelData(nullptr);
    EXPECT_TRUE(read(*bare, text));
    ASSERT_NE(bare->modelData(), nullptr);
    EXPECT_EQ(bare->modelData()->scannerTransforms().count(), 1);
}

}  // namespace
