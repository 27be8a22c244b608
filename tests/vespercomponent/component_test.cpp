#include <gtest/gtest.h>

#include "componentidentity.h"
#include "iptr.h"
#include "servicelookup.h"
#include "tesstaticbasecomponent.h"

namespace {

TEST(Component, BaseComponentDiffersOnlyInNameAndVersion) {
    IPtr<ITesComponent> base(new TesBaseComponent);
    IPtr<ITesComponent> staticBase(new TesStaticBaseComponent);
    EXPECT_EQ(base->version(), nullptr);
    EXPECT_STREQ(staticBase->version(), kComponentVersion);
    EXPECT_STREQ(base->className(), "TesBaseComponent");
    EXPECT_NE(tesQuery<void>(base.get(), "TesBaseComponent"), nullptr);
    EXPECT_EQ(tesQuery<void>(base.get(), "TesStaticBaseComponent"), nullptr);
    auto* internal = tesQuery<ITesCompInternal>(base.get(), "ITesCompInternal");
    ASSERT_NE(internal, nullptr);
    EXPECT_STREQ(internal->componentName(), kComponentName);
    EXPECT_EQ(base->descriptor(), staticBase->descriptor());
}

TEST(Component, IdentityIsSetWhenTheLibraryLoads) {
    EXPECT_STREQ(tesComponentName(), "vespercomponent");
    EXPECT_EQ(tesComponentId(), kComponentId);
}

}  // namespace
