#include "srml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enumeration.h"
#include "pluginhost.h"
#include "refscene.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"
#include "srmlsnapshot.h"

namespace {

// Objects of the plug-in, made through the host as a host would.
class SrmlModel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }
    static RefHost& host() { return *pluginUnderTest().host; }
    static IPtr<ITesUnknown> make(const TesClassId& id) { return host().manager().createInstance(id); }
    // The scene replaces the document, as a scene file does.
    void loadScene(const std::string& text) {
        host().document().clear();
        const RefSceneResult result = refLoadSceneLines(host(), refSplitLines(text, "inline"), "inline");
        ASSERT_TRUE(result.good) << result.error;
    }
    SrmlBuilder builder{make};
};

TEST_F(SrmlModel, EveryClassIsRegisteredAndAnswersItsNames) {
    struct Entry {
        TesClassId id;
        const char* className;
        const char* interfaceName;
    };
    const std::vector<Entry> table = {
        {kSRMLModelDataClassId, "SRMLModelData", "ITesSRMLModelData"},
        {kSRMLScanPropertiesClassId, "SRMLScanProperties", "ITesSRMLScanProperties"},
        {kSRMLScanAngleClassId, "SRMLScanAngle", "ITesSRMLScanAngle"},
        {kSRMLRecipeClassId, "SRMLRecipe", "ITesSRMLRecipe"},
        {kSRMLClassId, "SRML", "ITesSRML"},
    };
    ITesCompInternal* internal = pluginUnderTest().loaded.internal;
    for (const Entry& entry : table) {
        EXPECT_STREQ(internal->classNameOf(entry.id), entry.className);
        IPtr<ITesUnknown> object = make(entry.id);
        ASSERT_TRUE(object) << entry.className;
        EXPECT_EQ(object->refCount(), 1u);
        EXPECT_STREQ(object->className(), entry.className);
        EXPECT_NE(tesQuery<void>(object.get(), entry.className), nullptr);
        EXPECT_EQ(tesQuery<ITesUnknown>(object.get(), "ITesUnknown"), object.get());
        EXPECT_EQ(tesQuery<void>(object.get(), entry.interfaceName), static_cast<void*>(object.get()));
        EXPECT_EQ(tesQuery<void>(object.get(), "ITesSRMLOther"), nullptr);
        EnumerationContext context;
        context.enumerate(object.get());
        const std::vector<EnumeratedName> expected = {{entry.className, 1, ""},
                                                      {entry.interfaceName, 0, entry.className}};
        EXPECT_EQ(context.entries(), expected);
    }
}

TEST_F(SrmlModel, NewObjectsStartUnset) {
    EXPECT_EQ(srmlMake<ITesSRMLScanProperties>(make, kSRMLScanPropertiesClassId, "ITesSRMLScanProperties")->exposure(), -1);
    EXPECT_EQ(srmlMake<ITesSRMLScanProperties>(make, kSRMLScanPropertiesClassId, "ITesSRMLScanProperties")->hdr(), -1);
    EXPECT_EQ(SRMLScanProperties().flag(), 0);

    IPtr<ITesSRMLScanAngle> angle = srmlMake<ITesSRMLScanAngle>(make, kSRMLScanAngleClassId, "ITesSRMLScanAngle");
    EXPECT_EQ(angle->angle(), 0);
    EXPECT_EQ(angle->resolution(), kSRMLResolutionLow);
    EXPECT_TRUE(angle->scanners().empty());
    EXPECT_TRUE(angle->scannerProperties().empty());

    IPtr<ITesSRMLRecipe> recipe = srmlMake<ITesSRMLRecipe>(make, kSRMLRecipeClassId, "ITesSRMLRecipe");
    ASSERT_NE(recipe->defaultProperties(), nullptr);
    EXPECT_EQ(recipe->defaultProperties()->exposure(), -1);
    EXPECT_EQ(recipe->defaultProperties()->hdr(), -1);
    TesString name(u"stale");
    EXPECT_TRUE(recipe->name(name).isEmpty());
    EXPECT_TRUE(recipe->angles().empty());

    IPtr<ITesSRMLModelData> model = srmlMake<ITesSRMLModelData>(make, kSRMLModelDataClassId, "ITesSRMLModelData");
    TesMatrix turntable(TesMatrix::fromColumns({2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 2, 3}));
    EXPECT_EQ(model->turntableTransform(turntable), TesMatrix::identity());
    EXPECT_EQ(turntable, TesMatrix::identity());
    EXPECT_EQ(model->scannerTransforms().count(), 0);
    EXPECT_EQ(model->scannerTransforms().bucketCount(), 17u);

    IPtr<ITesSRML> first = builder.document();
    IPtr<ITesSRML> second = builder.document();
    ASSERT_NE(first->modelData(), nullptr);
    EXPECT_NE(first->modelData(), second->modelData());
    EXPECT_TRUE(first->recipes().empty());
    EXPECT_FALSE(first->initFromReferenceObject(false));
    EXPECT_TRUE(first->recipes().empty());
}

TEST(SrmlRecipe, RenameSetsTheEditorsDefaultsOnlyWhenAsked) {
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    recipe->rename(TesString(u"Plain"), false);
    TesString name;
    EXPECT_EQ(recipe->name(name).toUtf8(), "Plain");
    EXPECT_EQ(recipe->defaultProperties()->exposure(), -1);
    EXPECT_EQ(recipe->defaultProperties()->hdr(), -1);
    recipe->rename(TesString(u"Editor"), true);
    EXPECT_EQ(recipe->name(name).toUtf8(), "Editor");
    EXPECT_EQ(recipe->defaultProperties()->exposure(), 70);
    EXPECT_EQ(recipe->defaultProperties()->hdr(), 0);
    recipe->setDefaultProperties(nullptr);
    recipe->rename(TesString(u"Again"), true);
    ASSERT_NE(recipe->defaultProperties(), nullptr);
    EXPECT_EQ(recipe->defaultProperties()->exposure(), 70);
}

TEST_F(SrmlModel, SortAnglesOrdersBySignedAngle) {
    const std::vector<std::pair<std::vector<int32_t>, std::vector<int32_t>>> cases = {
        {{90, 0, 45}, {0, 45, 90}},
        {{}, {}},
        {{7}, {7}},
        {{10, 5, 10}, {5, 10, 10}},
        {{359, -1, INT32_MIN, INT32_MAX, 0}, {INT32_MIN, -1, 0, 359, INT32_MAX}},
    };
    for (const auto& [input, expected] : cases) {
        IPtr<ITesSRMLRecipe> recipe = srmlMake<ITesSRMLRecipe>(make, kSRMLRecipeClassId, "ITesSRMLRecipe");
        for (int32_t value : input) builder.addAngle(*recipe, value, 0, {});
        recipe->sortAngles();
        std::vector<int32_t> sorted;
        for (const IPtr<ITesSRMLScanAngle>& angle : recipe->angles()) sorted.push_back(angle->angle());
        EXPECT_EQ(sorted, expected);
    }
}

TEST(SrmlScanAngle, EqualityLooksAtEveryScannerAndItsProperties) {
    auto build = [](int32_t value, int32_t resolution, const std::vector<SrmlCamera>& cameras) {
        IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
        angle->setAngle(value);
        angle->setResolution(resolution);
        for (const SrmlCamera& camera : cameras) {
            IPtr<SRMLScanProperties> properties(new SRMLScanProperties);
            properties->setExposure(camera.exposure);
            properties->setHdr(camera.hdr);
            angle->scanners().push_back(camera.id);
            angle->scannerProperties().emplace_back(properties.get());
        }
        return angle;
    };
    const std::vector<SrmlCamera> base = {{0, 70, 0}, {1, -1, 1}};
    IPtr<SRMLScanAngle> reference = build(90, 1, base);
    struct Case {
        const char* what;
        IPtr<SRMLScanAngle> other;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"same values", build(90, 1, base), true},
        {"one HDR", build(90, 1, {{0, 70, 0}, {1, -1, 0}}), false},
        {"one exposure", build(90, 1, {{0, 80, 0}, {1, -1, 1}}), false},
        {"one scanner", build(90, 1, {{0, 70, 0}, {2, -1, 1}}), false},
        {"scanner order", build(90, 1, {{1, -1, 1}, {0, 70, 0}}), false},
        {"resolution", build(90, 2, base), false},
        {"angle", build(91, 1, base), false},
        {"fewer scanners", build(90, 1, {{0, 70, 0}}), false},
        {"no scanners", build(90, 1, {}), false},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(sameScanAngle(reference.get(), each.other.get()), each.equal) << each.what;
        EXPECT_EQ(sameScanAngle(each.other.get(), reference.get()), each.equal) << each.what;
    }

    IPtr<SRMLScanAngle> shortProperties = build(90, 1, base);
    shortProperties->scannerProperties().pop_back();
    EXPECT_FALSE(sameScanAngle(reference.get(), shortProperties.get()));
    IPtr<SRMLScanAngle> nullProperties = build(90, 1, base);
    nullProperties->scannerProperties()[1] = nullptr;
    EXPECT_FALSE(sameScanAngle(reference.get(), nullProperties.get()));
    IPtr<SRMLScanAngle> nullToo = build(90, 1, base);
    nullToo->scannerProperties()[1] = nullptr;
    EXPECT_TRUE(sameScanAngle(nullProperties.get(), nullToo.get()));
    EXPECT_TRUE(sameScanAngle(nullptr, nullptr));
    EXPECT_FALSE(sameScanAngle(reference.get(), nullptr));

    IPtr<SRMLScanProperties> a(new SRMLScanProperties);
    IPtr<SRMLScanProperties> b(new SRMLScanProperties);
    b->setFlag(1);  // the coverage flag is not compared
    EXPECT_TRUE(sameScanProperties(a.get(), b.get()));
    b->setHdr(0);
    EXPECT_FALSE(sameScanProperties(a.get(), b.get()));
    EXPECT_FALSE(sameScanProperties(a.get(), nullptr));
}

TEST_F(SrmlModel, ScannerMapStartsEntriesAtIdentityAndGrowsAtFourFifths) {
    IPtr<ITesSRMLModelData> model = srmlMake<ITesSRMLModelData>(make, kSRMLModelDataClassId, "ITesSRMLModelData");
    SRMLScannerMap& map = model->scannerTransforms();
    EXPECT_EQ(map.find(5), nullptr);
    TesMatrix* fresh = map.findOrInsert(5);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(*fresh, TesMatrix::identity());
    *fresh = TesMatrix::translationMatrix({1, 2, 3});
    EXPECT_EQ(*map.findOrInsert(5), TesMatrix::translationMatrix({1, 2, 3}));
    EXPECT_EQ(map.count(), 1);

    // 17 buckets hold 13 entries; the 14th (14 >= 0.8 x 17) grows the map to 37.
    for (int32_t id = 0; id < 13; ++id) map.findOrInsert(id);
    EXPECT_EQ(map.count(), 13);
    EXPECT_EQ(map.bucketCount(), 17u);
    map.findOrInsert(13);
    EXPECT_EQ(map.bucketCount(), 37u);

    // Bucket order, each chain from its newest entry.
    IPtr<ITesSRMLModelData> other = srmlMake<ITesSRMLModelData>(make, kSRMLModelDataClassId, "ITesSRMLModelData");
    SRMLScannerMap& small = other->scannerTransforms();
    for (int32_t id : {3, 0, 17, -1, 20}) small.findOrInsert(id);
    std::vector<int32_t> order;
    for (auto cursor = small.first(); cursor.valid(); small.next(cursor)) order.push_back(cursor.key());
    // -1 is 4294967295 as a hash, which is 0 modulo 17; 20 shares bucket 3.
    EXPECT_EQ(order, (std::vector<int32_t>{-1, 17, 0, 20, 3}));
}

constexpr const char* kRigScene =
    "object RefObject type Mesh\n"
    "subcsys Turntable origin 0 0 -10 x 1 0 0 y 0 1 0 z 0 0 1\n"
    "subcsys A origin 400 0 200 x 0 1 0 y 0 0 1 z 1 0 0\n"
    "subcsys B origin -400 5 200 x 0 -1 0 y 0 0 1 z -1 0 0\n";

TEST_F(SrmlModel, InitFromReferenceObjectTakesTheRigFromTheCoordinateSystems) {
    loadScene(kRigScene);
    IPtr<ITesSRML> document = builder.document();
    EXPECT_TRUE(document->initFromReferenceObject(true));

    ASSERT_EQ(document->recipes().size(), 1u);
    TesString name;
    EXPECT_EQ(document->recipes()[0]->name(name).toUtf8(), "Recipe 1");
    EXPECT_EQ(document->recipes()[0]->defaultProperties()->exposure(), 70);
    EXPECT_EQ(document->recipes()[0]->defaultProperties()->hdr(), 0);
    EXPECT_TRUE(document->recipes()[0]->angles().empty());

    ITesSRMLModelData* model = document->modelData();
    TesMatrix turntable;
    EXPECT_EQ(model->turntableTransform(turntable), TesMatrix::translationMatrix({0, 0, -10}));
    SRMLScannerMap& scanners = model->scannerTransforms();
    ASSERT_EQ(scanners.count(), 2);
    // Axes in the columns, the origin in the last one.
    const TesMatrix a({0, 0, 1, 400, 1, 0, 0, 0, 0, 1, 0, 200, 0, 0, 0, 1});
    const TesMatrix b({0, 0, -1, -400, -1, 0, 0, 5, 0, 1, 0, 200, 0, 0, 0, 1});
    EXPECT_EQ(*scanners.find(0), a);
    EXPECT_EQ(*scanners.find(1), b);

    // A second call adds a recipe and writes the same scanners again.
    EXPECT_TRUE(document->initFromReferenceObject(true));
    EXPECT_EQ(document->recipes().size(), 2u);
    EXPECT_EQ(scanners.count(), 2);
}

TEST_F(SrmlModel, InitNumbersEveryOtherSubObjectInOrder) {
    struct Case {
        const char* what;
        std::string scene;
        std::vector<double> scannerOrigins;  // x of scanner 0, 1, ...
        double turntableZ;                   // identity: 0
    };
    const std::string object = "object RefObject type Mesh\n";
    auto frame = [](const std::string& name, double x, double z) {
        return "subcsys \"" + name + "\" origin " + std::to_string(x) + " 0 " + std::to_string(z) +
               " x 1 0 0 y 0 1 0 z 0 0 1\n";
    };
    const std::vector<Case> cases = {
        {"turntable between", object + frame("A", 1, 0) + frame("Turntable", 0, 7) + frame("B", 2, 0), {1, 2}, 7},
        {"turntable last", object + frame("A", 1, 0) + frame("B", 2, 0) + frame("Turntable", 0, 8), {1, 2}, 8},
        {"case matters", object + frame("turntable", 3, 9) + frame("A", 1, 0), {3, 1}, 0},
        {"space matters", object + frame("Turntable ", 3, 9), {3}, 0},
        {"two turntables, last wins", object + frame("Turntable", 0, 1) + frame("Turntable", 0, 2), {}, 2},
        {"only scanners", object + frame("S1", 5, 0) + frame("S2", 6, 0) + frame("S3", 7, 0), {5, 6, 7}, 0},
    };
    for (const Case& each : cases) {
        loadScene(each.scene);
        IPtr<ITesSRML> document = builder.document();
        EXPECT_TRUE(document->initFromReferenceObject(true)) << each.what;
        SRMLScannerMap& scanners = document->modelData()->scannerTransforms();
        ASSERT_EQ(scanners.count(), static_cast<int32_t>(each.scannerOrigins.size())) << each.what;
        for (size_t id = 0; id < each.scannerOrigins.size(); ++id) {
            EXPECT_EQ((*scanners.find(static_cast<int32_t>(id)))(0, 3), each.scannerOrigins[id]) << each.what;
        }
        TesMatrix turntable;
        EXPECT_EQ(document->modelData()->turntableTransform(turntable)(2, 3), each.turntableZ) << each.what;
    }
}

TEST_F(SrmlModel, InitWithoutAReferenceObjectStillAddsTheRecipe) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty document", ""},
        {"other name", "object Part type Mesh\nsubcsys A origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"},
        {"no sub-objects", "object RefObject type Mesh\n"},
    };
    for (const auto& [what, scene] : cases) {
        loadScene(scene);
        IPtr<ITesSRML> document = builder.document();
        EXPECT_FALSE(document->initFromReferenceObject(true)) << what;
        EXPECT_EQ(document->recipes().size(), 1u) << what;
        EXPECT_EQ(document->modelData()->scannerTransforms().count(), 0) << what;
    }

    // A sub-object without a coordinate system still takes its number.
    loadScene(kRigScene);
    host().document().find(u"RefObject")->subObjects().add(new RefSubObject(u"Bare", nullptr));
    host().document().find(u"RefObject")->subObjects().add(
        new RefSubObject(u"C", new RefCoordinateSystem({9, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1})));
    IPtr<ITesSRML> document = builder.document();
    EXPECT_TRUE(document->initFromReferenceObject(true));
    SRMLScannerMap& scanners = document->modelData()->scannerTransforms();
    ASSERT_EQ(scanners.count(), 4);
    EXPECT_EQ(*scanners.find(2), TesMatrix::identity());
    EXPECT_EQ((*scanners.find(3))(0, 3), 9);

    // Without a model data object the document makes a new one.
    document->setModelData(nullptr);
    EXPECT_TRUE(document->initFromReferenceObject(true));
    ASSERT_NE(document->modelData(), nullptr);
    EXPECT_EQ(document->modelData()->scannerTransforms().count(), 4);
}

}  // namespace
