#include <gtest/gtest.h>

#include "componentidentity.h"
#include "iptr.h"
#include "servicelookup.h"
#include "tesstaticbasecomponent.h"

namespace {

// The identity is set when the library loads; the two bases share it and the
// descriptor, and differ only in name and version.
TEST(Component, BaseComponentDiffersOnlyInNameAndVersion) {
    EXPECT_STREQ(tesComponentName(), "vespercomponent");
    EXPECT_EQ(tesComponentId(), kComponentId);
    IPtr<ITesComponent> base(new TesBaseComponent);
    IPtr<ITesComponent> staticBase(new TesStaticBaseComponent);
    EXPECT_EQ(base->version(), nullptr);
    EXPECT_STREQ(staticBase->version(), kComponentVersion);
    EXPECT_NE(tesQuery<void>(base.get(), "TesBaseComponent"), nullptr);
    EXPECT_EQ(tesQuery<void>(base.get(), "TesStaticBaseComponent"), nullptr);
    auto* internal = tesQuery<ITesCompInternal>(base.get(), "ITesCompInternal");
    ASSERT_NE(internal, nullptr);
    EXPECT_STREQ(internal->componentName(), kComponentName);
    EXPECT_EQ(base->descriptor(), staticBase->descriptor());
}

}  // namespace
