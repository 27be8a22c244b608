#include <gtest/gtest.h>

#include "enumeration.h"
#include "iptr.h"
#include "infrastructure/refcomponentmanager.h"
#include "servicelookup.h"
#include "tesclcbinary.h"

namespace {

// Counts through any face; the last IPtr destroys the object. releaseKeep
// keeps it: a plain count then reads the dead mark -42, a managed one (atomic
// counting) 0.
TEST(TesObject, LastIPtrDestroysTheObjectAndReleaseKeepKeepsIt) {
    for (bool managed : {false, true}) {
        SCOPED_TRACE(managed);
        IPtr<RefComponentManager> manager(managed ? new RefComponentManager : nullptr);
        tesSetComponentManager(manager.get());
        int destroyed = 0;
        auto* object = new TestMulti(&destroyed);
        EXPECT_EQ(object->refCount(), 0u);
        {
            IPtr<ITestAlpha> first(object);
            IPtr<ITestBeta> second(object);
            IPtr<ITestAlpha> copy = first;
            EXPECT_EQ(object->refCount(), 3u);
            IPtr<ITestAlpha> moved = std::move(copy);
            EXPECT_EQ(object->refCount(), 3u);
            EXPECT_FALSE(copy);
            EXPECT_EQ(moved.root(), static_cast<ITesUnknown*>(object));
        }
        EXPECT_EQ(destroyed, 1);

        TestMulti kept(&destroyed);
        kept.addRef();
        kept.addRef();
        EXPECT_FALSE(kept.releaseKeep());
        EXPECT_TRUE(kept.releaseKeep());
        EXPECT_EQ(kept.refCount(), managed ? 0u : 0xFFFFFFD6u);
        EXPECT_EQ(destroyed, 1);
        tesSetComponentManager(nullptr);
    }
}

TEST(TesObject, IPtrTakesTheNewPointerBeforeReleasingTheOld) {
    int destroyed = 0;
    auto* object = new TestMulti(&destroyed);
    IPtr<ITestAlpha> held(object);
    held = static_cast<ITestAlpha*>(object);  // the same pointer: the object must survive
    EXPECT_EQ(object->refCount(), 1u);
    auto* other = new TestMulti(&destroyed);
    held = other;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(other->refCount(), 1u);
}

TEST(TesObject, WeakReferenceOutlivesItsTarget) {
    int destroyed = 0;
    auto* object = new TestMulti(&destroyed);
    IPtr<ITesUnknown> strong(static_cast<ITestAlpha*>(object));
    TesWeakRef* weak = object->weakRef();
    EXPECT_EQ(object->weakRef(), weak);
    EXPECT_EQ(weak->refCount(), 1u);  // owned by the object
    EXPECT_EQ(weak->object(), static_cast<ITesUnknown*>(object));
    IPtr<TesWeakRef, TesShared> holder(weak);
    strong.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(weak->target(), nullptr);
    EXPECT_EQ(weak->refCount(), 1u);
}

// The class name, "ITesUnknown", the interfaces, case-sensitive; a derived
// class answers its own names, then its base's. Queries add no reference.
TEST(TesObject, QueryAnswersClassNameRootAndInterfaces) {
    TestDerived object;
    ITesUnknown* root = &object;
    const struct {
        const char* name;
        void* face;
    } cases[] = {
        {"TestDerived", &object},
        {"ITesUnknown", root},
        {"ITestGamma", static_cast<ITestGamma*>(&object)},
        {"TestMulti", static_cast<TestMulti*>(&object)},
        {"ITestAlpha", static_cast<ITestAlpha*>(&object)},
        {"itestalpha", nullptr},
    };
    for (const auto& row : cases) {
        void* out = &object;
        object.queryInterface(row.name, &out);
        EXPECT_EQ(out, row.face) << row.name;
    }
    EXPECT_EQ(object.refCount(), 0u);
}

TEST(TesObject, ClcBinaryHoldsItsOwnCopy) {
    unsigned char bytes[3] = {1, 2, 3};
    IPtr<ITesClcBinary> blob(new TesClcBinary(bytes, sizeof(bytes)));
    bytes[0] = 9;
    ASSERT_EQ(blob->size(), 3u);
    EXPECT_EQ(blob->data()[0], 1);
    EXPECT_EQ(IPtr<ITesClcBinary>(new TesClcBinary(nullptr, 0))->size(), 0u);
}

}  // namespace
