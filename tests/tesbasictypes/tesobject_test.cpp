#include <gtest/gtest.h>

#include "iptr.h"
#include "refcomponentmanager.h"
#include "servicelookup.h"
#include "tesclcbinary.h"
#include "testobjects.h"

namespace {

constexpr uint32_t kDeadCount = 0xFFFFFFD6u;

// Installs a component manager for one test and removes it afterwards.
class ManagerScope {
public:
    ManagerScope() : manager_(new RefComponentManager) { tesSetComponentManager(manager_.get()); }
    ~ManagerScope() { tesSetComponentManager(nullptr); }
    RefComponentManager& manager() { return *manager_; }

private:
    IPtr<RefComponentManager> manager_;
};

void expectLifecycle() {
    int destroyed = 0;
    auto* object = new TestMulti(&destroyed);
    EXPECT_EQ(object->refCount(), 0u);
    {
        IPtr<ITestAlpha> first(object);
        EXPECT_EQ(object->refCount(), 1u);
        IPtr<ITestBeta> second(object);
        EXPECT_EQ(object->refCount(), 2u);
        IPtr<ITestAlpha> copy = first;
        EXPECT_EQ(object->refCount(), 3u);
        IPtr<ITestAlpha> moved = std::move(copy);
        EXPECT_EQ(object->refCount(), 3u);
        EXPECT_FALSE(copy);
        EXPECT_EQ(moved.root(), static_cast<ITesUnknown*>(object));
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(TesObject, LastIPtrDestroysTheObjectWithAndWithoutManager) {
    expectLifecycle();
    ManagerScope scope;
    expectLifecycle();
}

TEST(TesObject, ReleaseKeepMarksThePlainCountDeadButKeepsTheObject) {
    int destroyed = 0;
    TestMulti object(&destroyed);
    object.addRef();
    object.addRef();
    EXPECT_FALSE(object.releaseKeep());
    EXPECT_EQ(object.refCount(), 1u);
    EXPECT_TRUE(object.releaseKeep());
    EXPECT_EQ(object.refCount(), kDeadCount);
    EXPECT_EQ(destroyed, 0);
}

TEST(TesObject, ReleaseKeepThroughTheManagerLeavesZero) {
    ManagerScope scope;
    TestMulti object;
    object.addRef();
    EXPECT_TRUE(object.releaseKeep());
    EXPECT_EQ(object.refCount(), 0u);
}

TEST(TesObject, IPtrTakesTheNewPointerBeforeReleasingTheOld) {
    int destroyed = 0;
    auto* object = new TestMulti(&destroyed);
    IPtr<ITestAlpha> held(object);
    held = static_cast<ITestAlpha*>(object);  // same pointer: no change
    EXPECT_EQ(object->refCount(), 1u);
    auto* other = new TestMulti(&destroyed);
    held = other;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(other->refCount(), 1u);
    held.reset();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(held.get(), nullptr);
    EXPECT_EQ(held.root(), nullptr);
}

TEST(TesObject, WeakReferenceOutlivesItsTarget) {
    int destroyed = 0;
    auto* object = new TestMulti(&destroyed);
    IPtr<ITesUnknown> strong(static_cast<ITestAlpha*>(object));
    TesWeakRef* weak = object->weakRef();
    EXPECT_EQ(object->weakRef(), weak);
    EXPECT_EQ(weak->refCount(), 1u);  // owned by the object
    EXPECT_EQ(weak->weakRef(), weak);
    EXPECT_EQ(weak->object(), static_cast<ITesUnknown*>(object));
    IPtr<TesWeakRef, TesShared> holder(weak);
    EXPECT_EQ(weak->refCount(), 2u);
    strong.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(weak->target(), nullptr);
    EXPECT_EQ(weak->refCount(), 1u);
}

TEST(TesObject, QueryAnswersClassNameRootAndInterfacesInOrder) {
    TestMulti object;
    void* out = &object;
    object.queryInterface("TestMulti", &out);
    EXPECT_EQ(out, static_cast<void*>(&object));
    object.queryInterface("ITesUnknown", &out);
    EXPECT_EQ(out, static_cast<void*>(static_cast<ITesUnknown*>(&object)));
    EXPECT_EQ(tesQuery<ITestBeta>(&object, "ITestBeta")->beta(), 2);
    EXPECT_EQ(tesQuery<ITestAlpha>(&object, "ITestAlpha")->alpha(), 1);
    object.queryInterface("itestalpha", &out);  // names are case-sensitive
    EXPECT_EQ(out, nullptr);
    out = &object;
    object.queryInterface("ITestGamma", &out);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object.refCount(), 0u);  // queries add no reference
}

TEST(TesObject, DerivedClassFallsBackToItsBase) {
    TestDerived object;
    EXPECT_EQ(tesQuery<ITestGamma>(&object, "ITestGamma")->gamma(), 3);
    EXPECT_EQ(tesQuery<ITestAlpha>(&object, "ITestAlpha")->alpha(), 1);
    EXPECT_EQ(tesQuery<void>(&object, "TestMulti"), static_cast<void*>(static_cast<TestMulti*>(&object)));
    EXPECT_EQ(tesQuery<void>(&object, "TestDerived"), static_cast<void*>(&object));
    EXPECT_EQ(tesQuery<void>(&object, "Nothing"), nullptr);
}

TEST(TesObject, ClcBinaryHoldsItsOwnCopy) {
    unsigned char bytes[3] = {1, 2, 3};
    IPtr<ITesClcBinary> blob(new TesClcBinary(bytes, sizeof(bytes)));
    bytes[0] = 9;
    EXPECT_EQ(blob->kind(), 1);
    ASSERT_EQ(blob->size(), 3u);
    EXPECT_EQ(blob->data()[0], 1);
    EXPECT_EQ(blob->data()[2], 3);
    EXPECT_EQ(tesQuery<ITesClcBinary>(blob.get(), "ITesClcBinary"), blob.get());
    EXPECT_STREQ(blob->className(), "TesClcBinary");
    IPtr<ITesClcBinary> empty(new TesClcBinary(nullptr, 0));
    EXPECT_EQ(empty->size(), 0u);
}

}  // namespace
