// N-Point Alignment: the marker snapshots and saved display state through
// this process's copy of the library, and the command's availability through
// the plug-in, in a fresh process per profile (the profile is read once).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/refdocument.h"
#include "freshprocess.h"
#include "pluginhost.h"
#include "prealignparts.h"
#include "queryinterface.h"
#include "session/refscene.h"

namespace {

// Features of an object as the host attaches them, with sub-objects to hide.
class Features : public ITesFeatureSubObjectMgr, public ITesSubObjectMgr {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out,
                       {"Features", this, static_cast<ITesSubObjectMgr*>(this),
                        {{"ITesFeatureSubObjectMgr", static_cast<ITesFeatureSubObjectMgr*>(this)},
                         {"ITesSubObjectMgr", static_cast<ITesSubObjectMgr*>(this)}}});
    }
    const char* className() const override { return "Features"; }
    bool isEmpty() override { return items.empty(); }
    int32_t count() override { return static_cast<int32_t>(items.size()); }
    ITesSubObjectIter* iterator(int32_t) override {
        return refSubObjectIter(std::vector<IPtr<ITesUnknown>>(items.begin(), items.end()));
    }
    ITesUnknown* subObjectByName(const char16_t*) override { return nullptr; }

    std::vector<IPtr<ITesUnknown>> items;
};

using PreAlign = PluginSceneTest;

TEST_F(PreAlign, HistoryAndDisplayState) {
    load("object Part type Point active\n");
    RefObject& part = *host().document().find(u"Part");
    IPtr<GenPreAlignCmd::Markers> markers(new GenPreAlignCmd::Markers(&part));
    ASSERT_TRUE(markers->hasWidget());
    IPtr<GenPreAlignCmd::Markers::Memento> empty(new GenPreAlignCmd::Markers::Memento(*markers));
    const std::vector<TesVector> picked = {{1, 2, 3}, {0, 0, 0}, {-4, 5.5, 6}};
    for (const TesVector& point : picked) markers->add(point);
    IPtr<GenPreAlignCmd::Markers::Memento> three(new GenPreAlignCmd::Markers::Memento(*markers));
    markers->clear();
    markers->add({9, 9, 9});
    markers->restore(*three);
    ASSERT_EQ(markers->count(), 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(markers->point(i), picked[i]) << i;
    markers->restore(*empty);
    EXPECT_EQ(markers->count(), 0);

    // Display state: what the command changes comes back as it was.
    part.setDisplayFlag(1);
    part.setDisplayProperty("PrimViewPointColors", 1, 1);
    part.node().setDisplayMode(3);
    IPtr<Features> features(new Features);
    const uint8_t visible[] = {1, 0, 1};
    for (uint8_t each : visible) {
        IPtr<RefSubObject> feature(new RefSubObject(u"f", nullptr));
        feature->setVisibility(each);
        features->items.emplace_back(feature.get());
    }
    part.attach(kFeatureAttachmentId, features.get());
    IPtr<GenPreAlignCmd::VisData> saved(new GenPreAlignCmd::VisData(&part));
    EXPECT_EQ(part.node().displayMode(), 0);
    for (const IPtr<ITesUnknown>& item : features->items) {
        EXPECT_EQ(tesQuery<ITesSubObject>(item.get(), "ITesSubObject")->visibility(), 0);
    }
    part.setDisplayFlag(0);
    part.setDisplayProperty("PrimViewPointColors", 0, 1);
    part.setDisplayProperty("PrimViewShadedPoints", 1, 1);
    saved->restore();
    EXPECT_EQ(part.displayFlag(), 1);
    EXPECT_EQ(part.displayProperty("PrimViewPointColors"), 1);
    EXPECT_EQ(part.displayProperty("PrimViewShadedPoints"), 0);
    EXPECT_EQ(part.node().displayMode(), 3);
    for (size_t i = 0; i < features->items.size(); ++i) {
        EXPECT_EQ(tesQuery<ITesSubObject>(features->items[i].get(), "ITesSubObject")->visibility(), visible[i]);
    }

    // The saved visibilities: 17 buckets until the 14th key (14 >= 0.8 x 17).
    GenPreAlignCmd::VisData::SubObjectMap map(GenPreAlignCmd::VisData::kInitialBuckets);
    const auto key = [](uintptr_t k) { return reinterpret_cast<ITesSubObject*>(k * 17 + 0x100000000u); };
    for (uintptr_t k = 1; k <= 13; ++k) *map.findOrInsert(key(k)) = static_cast<uint8_t>(k);
    *map.findOrInsert(key(1)) = 99;  // an existing key is overwritten, not added
    EXPECT_EQ(map.bucketCount(), 17u);
    *map.findOrInsert(key(14)) = 14;
    EXPECT_EQ(map.bucketCount(), 37u);
    EXPECT_EQ(map.count(), 14);
    EXPECT_EQ(*map.find(key(1)), 99);
    for (uintptr_t k = 2; k <= 14; ++k) EXPECT_EQ(*map.find(key(k)), k) << k;
}

// The rules in order, the first that applies deciding.
void checkAvailability(bool inspection) {
    const struct {
        const char* name;
        bool inspection;
        std::string scene;
        const char* state;   // a host state set true, or null
        const char* pinned;  // an object pinned, or null
        bool expected;
    } rows[] = {
        {"in a command", false, "object A active\nobject B\n", "inCommand", nullptr, false},
        {"recording a macro", false, "object A active\nobject B\n", "recordingMacro", nullptr, false},
        {"section current", false, "object A active\nobject B\n", "sectionCurrent", nullptr, false},
        {"no active object", false, "object A\nobject B\n", nullptr, nullptr, false},
        {"all objects empty", false, "object A active\nobject B\n", "allObjectsEmpty", nullptr, false},
        {"a second object", false, "object A active\nobject B\n", nullptr, nullptr, true},
        {"only the active one", false, "object A active\n", nullptr, nullptr, false},
        {"others unfit", false, "object A active\nobject W type World\nobject X excluded\nobject P\n", nullptr, "P",
         false},
        {"the pair", true, "object RefObject active\nobject TestObject\n", nullptr, nullptr, true},
        {"test object active", true, "object RefObject\nobject TestObject active\n", nullptr, nullptr, true},
        {"another active", true, "object RefObject\nobject TestObject\nobject C active\n", nullptr, nullptr, false},
        {"no test object", true, "object RefObject active\n", nullptr, nullptr, false},
        {"reference excluded", true, "object RefObject active excluded\nobject TestObject\n", nullptr, nullptr,
         false},
        {"reference is World", true, "object RefObject type World active\nobject TestObject\n", nullptr, nullptr,
         false},
        {"test object pinned", true, "object RefObject active\nobject TestObject\n", nullptr, "TestObject", false},
        {"blocked first", true, "object RefObject active\nobject TestObject\n", "inCommand", nullptr, false},
    };
    RefHost& host = *pluginUnderTest().host;
    host.registry().set("APP/AllowInspection", inspection ? "true" : "false");
    IPtr<ITesUnknown> object = pluginMake(TesClassId::parse("a8dab7ad-f219-4f98-990a-280d217c6efd"));
    auto* command = tesQuery<IComponentCommand>(object.get(), "IComponentCommand");
    ASSERT_NE(command, nullptr);
    for (const auto& row : rows) {
        if (row.inspection != inspection) continue;
        SCOPED_TRACE(row.name);
        host.document().clear();
        const RefSceneResult loaded = refLoadSceneLines(host, refSplitLines(row.scene, "scene"), "scene");
        ASSERT_TRUE(loaded.good) << loaded.error;
        if (row.pinned != nullptr) host.document().find(TesString(row.pinned).c_str())->setPinned(true);
        IPtr<RefCommandState> state(new RefCommandState(&host.document()));
        if (row.state != nullptr) state->set(row.state, true);
        EXPECT_EQ(command->isAvailable(state.get()), row.expected);
    }
    EXPECT_FALSE(command->isAvailable(nullptr));
}

TEST_F(PreAlign, Availability) {
    EXPECT_IN_FRESH_PROCESS([] { checkAvailability(false); });
    EXPECT_IN_FRESH_PROCESS([] { checkAvailability(true); });
}

}  // namespace
