#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classregistry.h"
#include "iptr.h"
#include "queryinterface.h"

namespace {

template <int N>
class NumberedClass : public ITesUnknown {
public:
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


TEST(ClassId, ParsesAndFormatsTheGuidLayout) {
    constexpr TesClassId id = TesClassId::parse("96AB9943-0d0c-4a16-9e7b-a0a9db0470ac");
    EXPECT_EQ(id.data1, 0x96ab9943u);
    EXPECT_EQ(id.data4[7], 0xac);
    char text[37];
    id.format(text);
    EXPECT_STREQ(text, "96ab9943-0d0c-4a16-9e7b-a0a9db0470ac");
}

// A second registration adds nothing. 131 buckets and no two identifiers in
// one: enumeration goes by data1 % 131 and stays at the end.
TEST(ClassRegistry, HoldsEachClassOnceAndEnumeratesBucketByBucket) {
    registerAll(std::make_integer_sequence<int, 11>{});
    registerAll(std::make_integer_sequence<int, 11>{});
    TesDefaultClassFactory* registry = tesClassRegistry();
    EXPECT_EQ(registry->classCount(), 11);
    std::vector<TesClassId> expected(std::begin(kIds), std::end(kIds));
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.data1 % 131 < b.data1 % 131; });
    std::vector<TesClassId> enumerated;
    TesClassId id{};
    for (bool more = registry->firstClassId(&id); more; more = registry->nextClassId(&id)) enumerated.push_back(id);
    EXPECT_EQ(enumerated, expected);
    EXPECT_FALSE(registry->nextClassId(&id));
    for (int i = 0; i < 11; ++i) EXPECT_STREQ(registry->classNameOf(kIds[i]), NumberedClass<0>::kNames[i]);
}

// A new object has count 0; an unknown class, also one that differs from a
// known one after the first word, makes nothing and leaves the out pointer.
TEST(ClassRegistry, CreatesKnownClassesAndRefusesUnknownOnes) {
    registerAll(std::make_integer_sequence<int, 11>{});
    TesDefaultClassFactory* registry = tesClassRegistry();
    ITesUnknown* created = nullptr;
    EXPECT_EQ(registry->createInstance(kIds[4], &created), 1);
    ASSERT_NE(created, nullptr);
    IPtr<ITesUnknown> owner(created);
    EXPECT_EQ(created->refCount(), 1u);
    EXPECT_STREQ(created->className(), "C4");
    TesClassId sameBucket = kIds[4];
    sameBucket.data4[7] ^= 1;
    for (const TesClassId& unknown : {TesClassId::parse("00000000-0000-0000-0000-000000000001"), sameBucket}) {
        ITesUnknown* untouched = reinterpret_cast<ITesUnknown*>(0x10);
        EXPECT_EQ(registry->createInstance(unknown, &untouched), 0);
        EXPECT_EQ(untouched, reinterpret_cast<ITesUnknown*>(0x10));
        EXPECT_EQ(registry->classNameOf(unknown), nullptr);
    }
}

}  // namespace
