#include "srmlwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "pluginhost.h"
#include "refxml.h"
#include "srmlscanproperties.h"
#include "srmlsnapshot.h"
#include "tempfolder.h"

namespace {

std::string golden(const std::string& name) {
    const std::vector<uint8_t> bytes = TempFolder::readAll(std::string(VESPER_SOURCE_DIR "/tests/data/srml/") + name);
    return {bytes.begin(), bytes.end()};
}

std::string contents(const std::filesystem::path& file) {
    const std::vector<uint8_t> bytes = TempFolder::readAll(file);
    return {bytes.begin(), bytes.end()};
}

class SrmlWriter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }
    static IPtr<ITesUnknown> make(const TesClassId& id) { return pluginUnderTest().host->manager().createInstance(id); }

    // Writes `document` and returns the file's text; empty when writing failed.
    std::string written(ITesSRML& document) {
        const TesString path(folder.wideFile("out.srml").c_str());
        if (!document.write(path)) return {};
        return contents(folder.file("out.srml"));
    }

    // The saved file as the XML service reads it.
    IPtr<RefXmlDocument> reloaded() {
        IPtr<RefXmlDocument> xml(new RefXmlDocument);
        EXPECT_TRUE(xml->loadFile(folder.narrowFile("out.srml")));
        return xml;
    }

    TempFolder folder;
    SrmlBuilder builder{make};
};

TEST_F(SrmlWriter, WritesTheElementTreeOfTheFormat) {
    IPtr<ITesSRML> document = builder.document();
    document->modelData()->setTurntableTransform(
        TesMatrix({0.5, -0.25, 0, 12345678901.5, 0, 1, 0, -1e10, 0, 0, 1, 1e-7, 0, 0, 0, 1}));
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

    EXPECT_EQ(written(*document), golden("written.srml"));
}

TEST_F(SrmlWriter, NumbersUseFixedUpToTenToTheTenThenExponents) {
    const std::vector<std::pair<double, std::string>> cases = {
        {0.5, "0.500000"},
        {-0.25, "-0.250000"},
        {0, "0.000000"},
        {-0.0, "-0.000000"},
        {1e-7, "0.000000"},
        {1e10, "10000000000.000000"},
        {-1e10, "-10000000000.000000"},
        {10000000000.000002, "1.000000e+10"},
        {12345678901.5, "1.234568e+10"},
        {-2e10, "-2.000000e+10"},
        {1e300, "1.000000e+300"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& [value, text] : cases) {
        IPtr<ITesSRML> document = builder.document();
        document->modelData()->setTurntableTransform(TesMatrix({value, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, value}));
        ASSERT_FALSE(written(*document).empty());
        IPtr<ITesXmlElement> root(reloaded()->documentElement());
        IPtr<ITesXmlElement> transform(IPtr<ITesXmlElement>(
            IPtr<ITesXmlElement>(root->firstChild(u"Model"))->firstChild(u"Turntable"))->firstChild(u"Transform"));
        EXPECT_EQ(transform->attribute(u"m00").toUtf8(), text) << value;
        EXPECT_EQ(transform->attribute(u"m33").toUtf8(), text) << value;
        EXPECT_EQ(transform->attribute(u"m01").toUtf8(), "0.000000");
    }
}

TEST_F(SrmlWriter, IntegersAreDecimalWithTheirSign) {
    const std::vector<std::pair<int32_t, std::string>> cases = {
        {0, "0"}, {359, "359"}, {-1, "-1"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& [value, text] : cases) {
        IPtr<ITesSRML> document = builder.document();
        ITesSRMLRecipe& recipe = builder.addRecipe(*document, u"R", value, value);
        builder.addAngle(recipe, value, 0, {{value, value, value}});
        const std::string file = written(*document);
        EXPECT_NE(file.find("<Angle value=\"" + text + "\" resolution=\"Low\">"), std::string::npos) << file;
        EXPECT_NE(file.find("<Camera id=\"" + text + "\""), std::string::npos) << file;
        EXPECT_NE(file.find("<Property id=\"Exposure\">" + text + "</Property>"), std::string::npos) << file;
        EXPECT_NE(file.find("<Property id=\"HDR\">" + text + "</Property>"), std::string::npos) << file;
    }
}

// Scanners with identifiers far from 0 ... n (as atoi passes them from a file)
// are written like any other when an angle uses them.
TEST_F(SrmlWriter, WritesUsedScannersWhateverTheirIdentifiers) {
    const std::vector<int32_t> used = {-1, INT32_MIN, INT32_MAX, 65535, 65536, 0};
    const std::vector<int32_t> unused = {1, -2, INT32_MAX - 1, 65537};
    IPtr<ITesSRML> document = builder.document();
    for (int32_t id : used) SrmlBuilder::setScanner(*document, id, TesMatrix::translationMatrix({1, 0, 0}));
    for (int32_t id : unused) SrmlBuilder::setScanner(*document, id, TesMatrix::translationMatrix({2, 0, 0}));
    ITesSRMLRecipe& recipe = builder.addRecipe(*document, u"R", -1, -1);
    std::vector<SrmlCamera> cameras;
    for (int32_t id : used) cameras.push_back({id, -1, -1});
    cameras.push_back({12345, -1, -1});  // an angle may name a scanner the rig lacks
    builder.addAngle(recipe, 0, 0, cameras);
    ASSERT_FALSE(written(*document).empty());

    IPtr<ITesXmlElement> root(reloaded()->documentElement());
    IPtr<ITesXmlIterator> scanners(
        IPtr<ITesXmlElement>(IPtr<ITesXmlElement>(root->firstChild(u"Model"))->firstChild(u"Scanners"))->children());
    std::vector<int32_t> ids;
    for (; !scanners->isDone(); scanners->next()) ids.push_back(scanners->current()->attribute(u"id").toInt());
    std::sort(ids.begin(), ids.end());
    std::vector<int32_t> expected = used;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected);
}

TEST_F(SrmlWriter, LeavesOutWhatIsUnsetAndSurvivesInconsistentLists) {
    IPtr<ITesSRML> document = builder.document();
    ITesSRMLRecipe& recipe = builder.addRecipe(*document, u"R", -1, -1);
    recipe.setDefaultProperties(nullptr);  // written as unset
    ITesSRMLScanAngle& angle = builder.addAngle(recipe, 10, -1, {{0, 5, 1}, {1, 6, 0}, {2, 7, 1}});
    angle.scannerProperties()[1] = nullptr;
    angle.scannerProperties().pop_back();  // scanner 2 has no properties at all
    IPtr<SRMLScanProperties> flagged(new SRMLScanProperties);
    flagged->setFlag(1);  // never stored
    angle.scannerProperties()[0] = flagged.get();
    recipe.angles().push_back(nullptr);
    document->recipes().push_back(nullptr);

    EXPECT_EQ(written(*document),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<SRML>\n"
              "\t<Model>\n"
              "\t\t<Turntable>\n"
              "\t\t\t<Transform m00=\"1.000000\" m01=\"0.000000\" m02=\"0.000000\" m03=\"0.000000\" "
              "m10=\"0.000000\" m11=\"1.000000\" m12=\"0.000000\" m13=\"0.000000\" m20=\"0.000000\" "
              "m21=\"0.000000\" m22=\"1.000000\" m23=\"0.000000\" m30=\"0.000000\" m31=\"0.000000\" "
              "m32=\"0.000000\" m33=\"1.000000\" />\n"
              "\t\t</Turntable>\n"
              "\t\t<Scanners />\n"
              "\t</Model>\n"
              "\t<WorkingRecipes>\n"
              "\t\t<Recipe name=\"R\">\n"
              "\t\t\t<DefaultProperties>\n"
              "\t\t\t\t<Property id=\"Exposure\">-1</Property>\n"
              "\t\t\t\t<Property id=\"HDR\">-1</Property>\n"
              "\t\t\t</DefaultProperties>\n"
              "\t\t\t<Angles>\n"
              "\t\t\t\t<Angle value=\"10\">\n"
              "\t\t\t\t\t<Camera id=\"0\" />\n"
              "\t\t\t\t\t<Camera id=\"1\" />\n"
              "\t\t\t\t\t<Camera id=\"2\" />\n"
              "\t\t\t\t</Angle>\n"
              "\t\t\t</Angles>\n"
              "\t\t</Recipe>\n"
              "\t</WorkingRecipes>\n"
              "</SRML>\n");
}

TEST_F(SrmlWriter, WithoutModelDataWritesAnIdentityTurntable) {
    IPtr<ITesSRML> document = builder.document();
    document->setModelData(nullptr);
    builder.addRecipe(*document, u"R", 1, 2);
    const std::string file = written(*document);
    EXPECT_NE(file.find("m00=\"1.000000\""), std::string::npos) << file;
    EXPECT_NE(file.find("<Scanners />"), std::string::npos) << file;
}

TEST_F(SrmlWriter, AFailedWriteLeavesTheOldFile) {
    IPtr<ITesSRML> document = builder.document();
    builder.addRecipe(*document, u"R", 1, 2);
    TempFolder::writeAll(folder.file("keep.srml"), {'o', 'l', 'd'});
    std::filesystem::create_directory(folder.file("folder.srml"));
    EXPECT_FALSE(document->write(TesString(folder.wideFile("no/such/dir.srml").c_str())));
    EXPECT_FALSE(document->write(TesString(folder.wideFile("folder.srml").c_str())));
    EXPECT_FALSE(document->write(TesString()));
    EXPECT_EQ(contents(folder.file("keep.srml")), "old");
    EXPECT_TRUE(document->write(TesString(folder.wideFile("keep.srml").c_str())));
    EXPECT_NE(contents(folder.file("keep.srml")), "old");
}

}  // namespace

namespace {

// Documents written and read back, through files of the test's folder.
class SrmlRoundTrip : public SrmlWriter {
protected:
    IPtr<ITesSRML> readBack(const std::string& text, const std::string& name) {
        TempFolder::writeAll(folder.file(name), {text.begin(), text.end()});
        IPtr<ITesSRML> document = builder.document();
        EXPECT_TRUE(document->read(TesString(folder.wideFile(name).c_str()))) << name;
        return document;
    }
};

// Everything writing drops or changes: an unused scanner, a camera's negative
// exposure and HDR, a resolution outside 0 to 2, the coverage flag, decimals
// beyond the sixth.
TEST_F(SrmlRoundTrip, WriteThenReadGivesTheDocumentAsNormalised) {
    IPtr<ITesSRML> document = builder.document();
    document->modelData()->setTurntableTransform(TesMatrix::translationMatrix({0.1234567, -1e-9, 3e12}));
    SrmlBuilder::setScanner(*document, 0, TesMatrix::fromColumns({0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {400.25, 0, 200}));
    SrmlBuilder::setScanner(*document, 1, TesMatrix::translationMatrix({1.0000005, 2, 3}));
    SrmlBuilder::setScanner(*document, 2, TesMatrix::translationMatrix({9, 9, 9}));
    SrmlBuilder::setScanner(*document, 40, TesMatrix::translationMatrix({4, 4, 4}));
    ITesSRMLRecipe& front = builder.addRecipe(*document, u"Front", 70, 0);
    ITesSRMLScanAngle& angle = builder.addAngle(front, 30, 9, {{0, -5, 1}, {1, 80, -3}, {40, -1, -1}});
    IPtr<SRMLScanProperties> flagged(new SRMLScanProperties);
    flagged->setFlag(1);
    flagged->setExposure(10);
    angle.scannerProperties()[2] = flagged.get();
    builder.addAngle(front, -90, -2, {{1, 0, 0}});
    builder.addRecipe(*document, u"Defaults unset", -1, -1);
    builder.addRecipe(*document, u"Odd defaults", -7, 1000);

    ASSERT_FALSE(written(*document).empty());
    IPtr<ITesSRML> again = builder.document();
    ASSERT_TRUE(again->read(TesString(folder.wideFile("out.srml").c_str())));
    const SrmlSnapshot expected = srmlWrittenAndRead(srmlSnapshot(*document));
    EXPECT_EQ(srmlSnapshot(*again), expected);
    EXPECT_EQ(expected.scanners.count(2), 0u);
    EXPECT_EQ(expected.recipes[0].angles[0].cameras[0].exposure, -1);
    EXPECT_EQ(expected.recipes[0].angles[0].resolution, 0);
    EXPECT_EQ(expected.recipes[2].exposure, -7);
    auto* readFlagged = tesQuery<SRMLScanProperties>(
        again->recipes()[0]->angles()[0]->scannerProperties()[2].get(), "SRMLScanProperties");
    EXPECT_EQ(readFlagged->flag(), 0);
}

TEST_F(SrmlRoundTrip, ReadThenWriteThenReadGivesTheSameDocument) {
    const std::vector<std::string> files = {VESPER_SOURCE_DIR "/examples/recipes/turntable-sweep.srml",
                                            VESPER_SOURCE_DIR "/examples/recipes/two-passes.srml",
                                            VESPER_SOURCE_DIR "/tests/data/srml/written.srml",
                                            VESPER_SOURCE_DIR "/tests/data/srml/untidy.srml"};
    for (const std::string& file : files) {
        const std::vector<uint8_t> bytes = TempFolder::readAll(file);
        ASSERT_FALSE(bytes.empty()) << file;
        IPtr<ITesSRML> first = readBack({bytes.begin(), bytes.end()}, "first.srml");
        ASSERT_FALSE(written(*first).empty()) << file;
        IPtr<ITesSRML> second = builder.document();
        ASSERT_TRUE(second->read(TesString(folder.wideFile("out.srml").c_str()))) << file;
        EXPECT_EQ(srmlSnapshot(*second), srmlWrittenAndRead(srmlSnapshot(*first))) << file;
    }
}

// Holds when the scanners come out of a fresh 17-bucket map in the order
// they went in (here: at most 13 identifiers, each in a bucket of its own)
// and no transform value lies just above 1e10.
TEST_F(SrmlRoundTrip, WriteReadWriteIsByteIdenticalUnderItsConditions) {
    IPtr<ITesSRML> document = builder.document();
    document->modelData()->setTurntableTransform(TesMatrix::translationMatrix({0.5, -12.125, 9999999999.5}));
    ITesSRMLRecipe& recipe = builder.addRecipe(*document, u"All", 70, 0);
    std::vector<SrmlCamera> cameras;
    for (int32_t id = 12; id >= 0; --id) {
        SrmlBuilder::setScanner(*document, id, TesMatrix::translationMatrix({id * 100.25, -id * 0.5, 1e10}));
        cameras.push_back({id, id, id % 2});
    }
    builder.addAngle(recipe, 0, 1, cameras);
    builder.addAngle(recipe, 180, 2, cameras);
    const std::string first = written(*document);
    const std::string second = written(*readBack(first, "first.srml"));
    EXPECT_EQ(second, first);
}

TEST_F(SrmlRoundTrip, ScannersSharingABucketAlternateTheirOrder) {
    IPtr<ITesSRML> document = builder.document();
    SrmlBuilder::setScanner(*document, 0, TesMatrix::translationMatrix({1, 0, 0}));
    SrmlBuilder::setScanner(*document, 17, TesMatrix::translationMatrix({2, 0, 0}));  // 17 % 17 == 0
    builder.addAngle(builder.addRecipe(*document, u"R", 1, 1), 0, 0, {{0, 1, 1}, {17, 1, 1}});
    const std::string first = written(*document);
    IPtr<ITesSRML> once = readBack(first, "first.srml");
    const std::string second = written(*once);
    IPtr<ITesSRML> twice = readBack(second, "second.srml");
    const std::string third = written(*twice);

    EXPECT_LT(first.find("Scanner id=\"17\""), first.find("Scanner id=\"0\""));  // newest first in the chain
    EXPECT_LT(second.find("Scanner id=\"0\""), second.find("Scanner id=\"17\""));
    EXPECT_EQ(third, first);
    EXPECT_EQ(srmlSnapshot(*once), srmlSnapshot(*twice));  // the same scanners as a set

    // A map that grew past 17 buckets: the set survives, the order need not.
    IPtr<ITesSRML> large = builder.document();
    std::vector<SrmlCamera> cameras;
    for (int32_t id = 0; id < 40; ++id) {
        SrmlBuilder::setScanner(*large, id * 7, TesMatrix::translationMatrix({double(id), 0, 0}));
        cameras.push_back({id * 7, -1, -1});
    }
    builder.addAngle(builder.addRecipe(*large, u"L", 1, 1), 0, 0, cameras);
    IPtr<ITesSRML> largeBack = readBack(written(*large), "large.srml");
    EXPECT_EQ(srmlSnapshot(*largeBack), srmlWrittenAndRead(srmlSnapshot(*large)));
}

TEST_F(SrmlRoundTrip, AValueJustAboveTenToTheTenSettlesAtTenToTheTen) {
    IPtr<ITesSRML> document = builder.document();
    document->modelData()->setTurntableTransform(TesMatrix::translationMatrix({10000000000.5, 0, 0}));
    const std::string first = written(*document);
    EXPECT_NE(first.find("m03=\"1.000000e+10\""), std::string::npos);
    IPtr<ITesSRML> once = readBack(first, "first.srml");
    TesMatrix turntable;
    EXPECT_EQ(once->modelData()->turntableTransform(turntable)(0, 3), 1e10);
    const std::string second = written(*once);
    EXPECT_NE(second.find("m03=\"10000000000.000000\""), std::string::npos);
    EXPECT_EQ(written(*readBack(second, "second.srml")), second);
}

}  // namespace
