#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "classregistry.h"
#include "iptr.h"
#include "queryinterface.h"

namespace {

template <int N>
class NumberedClass : public ITesUnknown {
public:
    static inline int created = 0;
    NumberedClass() { ++created; }
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {className(), this, this, {}});
    }
    const char* className() const override { return kNames[N]; }

    static constexpr const char* kNames[] = {"C0", "C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9", "C10"};
};

constexpr TesClassId kIds[] = {
    TesClassId::parse("9f75fbbf-d8e3-4b0c-abb4-cfea6deaf5b9"), TesClassId::parse("a8dab7ad-f219-4f98-990a-280d217c6efd"),
    TesClassId::parse("96d67206-02c5-4643-9c13-e236cec49466"), TesClassId::parse("1849726d-f099-41ae-ba18-fa614c1cc847"),
    TesClassId::parse("08703760-42bb-46cf-bdcd-608b7f24b1cb"), TesClassId::parse("ccbac68d-51dc-4a40-a41e-ca6df7e3f5a7"),
    TesClassId::parse("1502392c-66b6-4319-be75-c80143338d00"), TesClassId::parse("c73ce40f-b751-4500-8583-0dafd300ea53"),
    TesClassId::parse("2a89d89d-3544-41b7-8782-76e284247aed"), TesClassId::parse("aa8e590d-5032-4f3e-adfb-500d429298d3"),
    TesClassId::parse("42cf8f60-09b6-497a-b61f-589d89a25ff9"),
};

template <int... N>
void registerAll(std::integer_sequence<int, N...>) {
    (tesRegisterClass<NumberedClass<N>>(NumberedClass<N>::kNames[N], kIds[N]), ...);
}

void registerElevenClasses() { registerAll(std::make_integer_sequence<int, 11>{}); }

std::string text(const TesClassId& id) {
    char buffer[37];
    id.format(buffer);
    return buffer;
}

TEST(ClassId, ParsesAndFormatsTheGuidLayout) {
    constexpr TesClassId id = TesClassId::parse("96AB9943-0d0c-4a16-9e7b-a0a9db0470ac");
    EXPECT_EQ(id.data1, 0x96ab9943u);
    EXPECT_EQ(id.data2, 0x0d0c);
    EXPECT_EQ(id.data3, 0x4a16);
    EXPECT_EQ(id.data4[0], 0x9e);
    EXPECT_EQ(id.data4[7], 0xac);
    EXPECT_EQ(text(id), "96ab9943-0d0c-4a16-9e7b-a0a9db0470ac");
}

TEST(ClassRegistry, HoldsElevenClassesEachOnce) {
    registerElevenClasses();
    registerElevenClasses();  // a second registration adds nothing
    TesDefaultClassFactory* registry = tesClassRegistry();
    ASSERT_EQ(registry->classCount(), 11);

    std::set<std::string> seen;
    TesClassId id{};
    for (bool more = registry->firstClassId(&id); more; more = registry->nextClassId(&id)) {
        EXPECT_TRUE(seen.insert(text(id)).second) << text(id);
    }
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_FALSE(registry->nextClassId(&id));  // stays at the end
    for (int i = 0; i < 11; ++i) {
        EXPECT_TRUE(seen.count(text(kIds[i]))) << i;
        EXPECT_STREQ(registry->classNameOf(kIds[i]), NumberedClass<0>::kNames[i]);
    }
}

TEST(ClassRegistry, EnumeratesBucketByBucketFromTheChainHeads) {
    registerElevenClasses();
    // 131 buckets and no two identifiers share one: the order is that of data1 % 131.
    std::vector<std::pair<uint32_t, std::string>> byBucket;
    for (const TesClassId& id : kIds) byBucket.emplace_back(id.data1 % 131, text(id));
    std::stable_sort(byBucket.begin(), byBucket.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> enumerated;
    TesClassId id{};
    TesDefaultClassFactory* registry = tesClassRegistry();
    for (bool more = registry->firstClassId(&id); more; more = registry->nextClassId(&id)) {
        enumerated.push_back(text(id));
    }
    std::vector<std::string> expected;
    for (const auto& entry : byBucket) expected.push_back(entry.second);
    EXPECT_EQ(enumerated, expected);
}

TEST(ClassRegistry, CreatesKnownClassesAndRefusesUnknownOnes) {
    registerElevenClasses();
    TesDefaultClassFactory* registry = tesClassRegistry();
    ITesUnknown* created = nullptr;
    const int before = NumberedClass<4>::created;
    EXPECT_EQ(registry->createInstance(kIds[4], &created), 1);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(NumberedClass<4>::created, before + 1);
    EXPECT_EQ(created->refCount(), 0u);
    EXPECT_STREQ(created->className(), "C4");
    IPtr<ITesUnknown> owner(created);

    constexpr TesClassId kUnknown = TesClassId::parse("00000000-0000-0000-0000-000000000001");
    ITesUnknown* untouched = reinterpret_cast<ITesUnknown*>(0x10);
    EXPECT_EQ(registry->createInstance(kUnknown, &untouched), 0);
    EXPECT_EQ(untouched, reinterpret_cast<ITesUnknown*>(0x10));
    EXPECT_EQ(registry->classNameOf(kUnknown), nullptr);

    // Same first word, different rest: still a different class.
    TesClassId sameBucket = kIds[4];
    sameBucket.data4[7] ^= 1;
    EXPECT_EQ(registry->classNameOf(sameBucket), nullptr);
}

}  // namespace
