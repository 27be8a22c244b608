#include "srml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pluginhost.h"
#include "session/refscene.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"
#include "srmlsnapshot.h"

namespace {

class SrmlModel : public PluginTest {
protected:
    IPtr<ITesSRMLRecipe> recipe() { return builder.make<ITesSRMLRecipe>(kSRMLRecipeClassId, "ITesSRMLRecipe"); }

    SrmlBuilder builder{pluginMake};
};

// Unset values (read back by srmlreader_test) are -1; a recipe's name is cleared
// into the caller's string; each document has model data of its own and takes
// no rig unless asked.
TEST_F(SrmlModel, NewObjectsStartUnset) {
    IPtr<ITesSRML> document = builder.document();
    TesString name(u"stale");
    EXPECT_TRUE(recipe()->name(name).isEmpty());
    EXPECT_EQ(builder.make<ITesSRMLScanAngle>(kSRMLScanAngleClassId, "ITesSRMLScanAngle")->resolution(),
              kSRMLResolutionLow);
    EXPECT_NE(document->modelData(), builder.document()->modelData());
    EXPECT_FALSE(document->initFromReferenceObject(false));
    EXPECT_TRUE(document->recipes().empty());
}

TEST(SrmlRecipe, RenameSetsTheEditorsDefaultsOnlyWhenAsked) {
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    recipe->rename(TesString(u"Plain"), false);
    EXPECT_EQ(recipe->defaultProperties()->exposure(), -1);
    recipe->setDefaultProperties(nullptr);  // made anew
    recipe->rename(TesString(u"Editor"), true);
    TesString name;
    EXPECT_EQ(recipe->name(name).toUtf8(), "Editor");
    ASSERT_NE(recipe->defaultProperties(), nullptr);
    EXPECT_EQ(recipe->defaultProperties()->exposure(), 70);
    EXPECT_EQ(recipe->defaultProperties()->hdr(), 0);
}

// Signed order without overflow at the extremes, duplicates kept, a null angle first.
TEST_F(SrmlModel, SortAnglesOrdersBySignedAngle) {
    constexpr int32_t kNull = 12345;  // stands for a null angle
    const std::vector<std::pair<std::vector<int32_t>, std::vector<int32_t>>> cases = {
        {{10, 5, kNull, 10}, {kNull, 5, 10, 10}},
        {{359, -1, INT32_MIN, INT32_MAX, 0}, {INT32_MIN, -1, 0, 359, INT32_MAX}},
    };
    for (const auto& [input, expected] : cases) {
        IPtr<ITesSRMLRecipe> sorted = recipe();
        for (int32_t value : input) {
            if (value == kNull) sorted->angles().push_back(nullptr);
            if (value != kNull) builder.addAngle(*sorted, value, 0, {});
        }
        sorted->sortAngles();
        std::vector<int32_t> values;
        for (const IPtr<ITesSRMLScanAngle>& angle : sorted->angles()) values.push_back(angle ? angle->angle() : kNull);
        EXPECT_EQ(values, expected);
    }
}

TEST_F(SrmlModel, EqualityLooksAtEveryScannerAndItsProperties) {
    IPtr<ITesSRMLRecipe> holder = recipe();
    auto build = [&](int32_t value, int32_t resolution, const std::vector<SrmlCamera>& cameras) {
        return &builder.addAngle(*holder, value, resolution, cameras);
    };
    const std::vector<SrmlCamera> base = {{0, 70, 0}, {1, -1, 1}};
    ITesSRMLScanAngle* reference = build(90, 1, base);
    ITesSRMLScanAngle* shortList = build(90, 1, base);
    shortList->scannerProperties().pop_back();
    ITesSRMLScanAngle* nullEntry = build(90, 1, base);
    nullEntry->scannerProperties()[1] = nullptr;
    ITesSRMLScanAngle* nullToo = build(90, 1, base);
    nullToo->scannerProperties()[1] = nullptr;
    ITesSRMLScanAngle* flagged = build(90, 1, base);
    tesQuery<SRMLScanProperties>(flagged->scannerProperties()[0].get(), "SRMLScanProperties")->setFlag(1);
    const struct {
        const char* name;
        ITesSRMLScanAngle* a;
        ITesSRMLScanAngle* b;
        bool equal;
    } cases[] = {
        {"coverage flag not compared", reference, flagged, true},
        {"one HDR", reference, build(90, 1, {{0, 70, 0}, {1, -1, 0}}), false},
        {"one exposure", reference, build(90, 1, {{0, 80, 0}, {1, -1, 1}}), false},
        {"one scanner", reference, build(90, 1, {{0, 70, 0}, {2, -1, 1}}), false},
        {"resolution", reference, build(90, 2, base), false},
        {"angle", reference, build(91, 1, base), false},
        {"shorter property list", reference, shortList, false},
        {"null properties", reference, nullEntry, false},
        {"null properties on both", nullEntry, nullToo, true},
        {"one null angle", reference, nullptr, false},
        {"two null angles", nullptr, nullptr, true},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(sameScanAngle(row.a, row.b), row.equal) << row.name;
        EXPECT_EQ(sameScanAngle(row.b, row.a), row.equal) << row.name;
    }
}

// New entries start at the identity in 17 buckets (growth is teshashmap_test's).
// The cursor goes bucket by bucket, each chain from its newest entry: -1 hashes
// as 4294967295, 0 modulo 17; 20 shares bucket 3.
TEST_F(SrmlModel, ScannerMapStartsEntriesAtIdentityInSeventeenBuckets) {
    IPtr<ITesSRMLModelData> model = builder.make<ITesSRMLModelData>(kSRMLModelDataClassId, "ITesSRMLModelData");
    SRMLScannerMap& map = model->scannerTransforms();
    EXPECT_EQ(map.find(5), nullptr);
    ASSERT_NE(map.findOrInsert(5), nullptr);
    EXPECT_EQ(*map.find(5), TesMatrix::identity());
    std::vector<int32_t> order;
    for (int32_t id : {3, 0, 17, -1, 20}) map.findOrInsert(id);
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) order.push_back(cursor.key());
    EXPECT_EQ(order, (std::vector<int32_t>{-1, 17, 0, 20, 3, 5}));
    EXPECT_EQ(map.bucketCount(), 17u);
}

// Every sub-object but one named exactly "Turntable" is the next scanner,
// axes in the columns and the origin last (one without a coordinate system:
// the identity); the recipe is added even without a rig.
TEST_F(SrmlModel, InitFromReferenceObjectNumbersTheScannersInOrder) {
    auto frame = [](const std::string& name, double x, double z) {
        return "subcsys \"" + name + "\" origin " + std::to_string(x) + " 0 " + std::to_string(z) +
               " x 0 1 0 y 0 0 1 z 1 0 0\n";
    };
    auto pose = [](double x, double z) {
        return srmlBits(TesMatrix({0, 0, 1, x, 1, 0, 0, 0, 0, 1, 0, z, 0, 0, 0, 1}));
    };
    const std::string object = "object RefObject type Mesh\n";
    const struct {
        const char* name;
        std::string scene;
        bool good;
        std::vector<double> scannerOrigins;  // x of scanner 0, 1, ... before "Bare"
        double turntableZ;                   // 0: no turntable, the identity
    } cases[] = {
        {"turntable between", object + frame("A", 1, 0) + frame("Turntable", 0, 7) + frame("B", 2, 0), true, {1, 2}, 7},
        {"case matters", object + frame("turntable", 3, 0) + frame("A", 1, 0), true, {3, 1}, 0},
        {"two turntables, last wins", object + frame("Turntable", 0, 1) + frame("Turntable", 0, 2), true, {}, 2},
        {"other object", "object Part type Mesh\n" + frame("A", 1, 0), false, {}, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        host().document().clear();
        ASSERT_TRUE(refLoadSceneLines(host(), refSplitLines(row.scene, "inline"), "inline").good);
        if (RefObject* reference = host().document().find(u"RefObject")) {
            reference->subObjects().add(new RefSubObject(u"Bare", nullptr));
        }
        IPtr<ITesSRML> document = builder.document();
        EXPECT_EQ(document->initFromReferenceObject(true), row.good);
        document->setModelData(nullptr);  // a second call makes it anew with the same scanners
        EXPECT_EQ(document->initFromReferenceObject(true), row.good);
        EXPECT_EQ(document->recipes().size(), 2u);
        const SrmlSnapshot picture = srmlSnapshot(*document);
        EXPECT_EQ(picture.recipes[0], (SrmlRecipe{u"Recipe 1", 70, 0, {}}));
        std::map<int32_t, std::vector<uint64_t>> scanners;
        for (double x : row.scannerOrigins) scanners[static_cast<int32_t>(scanners.size())] = pose(x, 0);
        if (row.good) scanners[static_cast<int32_t>(scanners.size())] = srmlBits(TesMatrix());
        EXPECT_EQ(picture.scanners, scanners);
        EXPECT_EQ(picture.turntable, row.turntableZ == 0 ? srmlBits(TesMatrix()) : pose(0, row.turntableZ));
    }
}

}  // namespace
