#include "srmlwriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "pluginhost.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"

namespace {

class SrmlWriter : public PluginTest {
protected:
    // The text `document` writes; empty when writing failed.
    std::string written(ITesSRML& document) {
        if (!document.write(TesString(folder.wideFile("out.srml").c_str()))) return {};
        return folder.read("out.srml");
    }
    // `text` read from a file into a fresh document.
    IPtr<ITesSRML> readBack(const std::string& text) {
        TempFolder::writeAll(folder.file("in.srml"), {text.begin(), text.end()});
        IPtr<ITesSRML> document = builder.document();
        EXPECT_TRUE(document->read(TesString(folder.wideFile("in.srml").c_str()))) << text;
        return document;
    }
    IPtr<ITesSRML> withTurntable(const TesMatrix& transform) {
        IPtr<ITesSRML> document = builder.document();
        document->modelData()->setTurntableTransform(transform);
        return document;
    }

    TempFolder folder;
    SrmlBuilder builder{pluginMake};
};

using SrmlRoundTrip = SrmlWriter;

TEST_F(SrmlWriter, WritesTheElementTreeOfTheFormat) {
    IPtr<ITesSRML> document =
        withTurntable(TesMatrix({0.5, -0.25, 0, 12345678901.5, 0, 1, 0, -1e10, 0, 0, 1, 1e-7, 0, 0, 0, 1}));
    SrmlBuilder::setScanner(*document, 0, TesMatrix::fromColumns({0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {400, 0, 200}));
    SrmlBuilder::setScanner(*document, 1, TesMatrix::fromColumns({0, -1, 0}, {0, 0, 1}, {-1, 0, 0}, {-400, 0, 200}));
    SrmlBuilder::setScanner(*document, 2, TesMatrix::translationMatrix({7, 7, 7}));  // used by no angle
    ITesSRMLRecipe& front = builder.addRecipe(*document, u"Front & \"Back\" <1>", -1, -1);
    builder.addAngle(front, 0, kSRMLResolutionLow, {{0, 70, 1}, {1, -1, -1}});
    builder.addAngle(front, 90, kSRMLResolutionHigh, {{1, 80, -1}, {0, -5, 0}});
    ITesSRMLRecipe& second = builder.addRecipe(*document, u"Recipe 2", 70, 0);
    builder.addAngle(second, 270, kSRMLResolutionMedium, {});
    builder.addAngle(second, -30, 7, {{1, 0, 0}});
    builder.addRecipe(*document, u"\u00c9t\u00e9", 40, 1);
    EXPECT_EQ(written(*document), TempFolder::readText(VESPER_SOURCE_DIR "/tests/data/srml/written.srml"));
}

// Null defaults write as unset, a resolution out of range as no attribute,
// null or missing camera properties as a bare camera; null angles and recipes
// are skipped, and without model data the turntable is the identity.
TEST_F(SrmlWriter, LeavesOutWhatIsUnsetAndSurvivesInconsistentLists) {
    IPtr<ITesSRML> document = builder.document();
    document->setModelData(nullptr);
    ITesSRMLRecipe& recipe = builder.addRecipe(*document, u"R", 5, 5);
    recipe.setDefaultProperties(nullptr);
    ITesSRMLScanAngle& angle = builder.addAngle(recipe, 10, -1, {{0, -1, -1}, {1, 6, 0}, {2, 7, 1}});
    angle.scannerProperties()[1] = nullptr;
    angle.scannerProperties().pop_back();  // scanner 2 has no properties at all
    recipe.angles().push_back(nullptr);
    document->recipes().push_back(nullptr);
    const std::string file = written(*document);
    EXPECT_NE(file.find("<Transform m00=\"1.000000\" m01=\"0.000000\""), std::string::npos) << file;
    EXPECT_NE(file.find("m33=\"1.000000\" />\n\t\t</Turntable>\n\t\t<Scanners />"), std::string::npos);
    EXPECT_NE(file.find("<DefaultProperties>\n\t\t\t\t<Property id=\"Exposure\">-1</Property>"), std::string::npos);
    const std::string end = "<Angle value=\"10\">\n\t\t\t\t\t<Camera id=\"0\" />\n\t\t\t\t\t<Camera id=\"1\" />\n"
                            "\t\t\t\t\t<Camera id=\"2\" />\n\t\t\t\t</Angle>\n\t\t\t</Angles>\n\t\t</Recipe>\n"
                            "\t</WorkingRecipes>\n</SRML>\n";
    EXPECT_EQ(file.substr(file.find("<Angle ")), end);
}

// Scanners in one bucket come out newest first, so their order flips with each
// write and read; the fuzz corpus and srmltool_test cover the rest of the round trip.
TEST_F(SrmlRoundTrip, ScannersSharingABucketAlternateTheirOrder) {
    IPtr<ITesSRML> document = builder.document();
    SrmlBuilder::setScanner(*document, 0, TesMatrix::translationMatrix({1, 0, 0}));
    SrmlBuilder::setScanner(*document, 17, TesMatrix::translationMatrix({2, 0, 0}));  // 17 % 17 == 0
    builder.addAngle(builder.addRecipe(*document, u"R", 1, 1), 0, 0, {{0, 1, 1}, {17, 1, 1}});
    const std::string first = written(*document);
    const std::string second = written(*readBack(first));
    EXPECT_LT(first.find("Scanner id=\"17\""), first.find("Scanner id=\"0\""));  // newest first in the chain
    EXPECT_LT(second.find("Scanner id=\"0\""), second.find("Scanner id=\"17\""));
    EXPECT_EQ(written(*readBack(second)), first);
}

// The next double above 1e10 is written with an exponent, reads back as 1e10
// and is then written fixed, for good.
TEST_F(SrmlRoundTrip, AValueJustAboveTenToTheTenSettlesAtTenToTheTen) {
    const double justAbove = std::nextafter(1e10, 2e10);
    const std::string first = written(*withTurntable(TesMatrix::translationMatrix({justAbove, 0, 0})));
    EXPECT_NE(first.find("m03=\"1.000000e+10\""), std::string::npos) << first;
    const std::string second = written(*readBack(first));
    EXPECT_NE(second.find("m03=\"10000000000.000000\""), std::string::npos) << second;
    EXPECT_EQ(written(*readBack(second)), second);
}

}  // namespace
