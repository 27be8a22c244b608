// Feature selectors take the picks their options allow and leave their panel
// when asked; the preselection and the host hold them without keeping them.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/refinputevents.h"
#include "gui/refpanel.h"
#include "refhost.h"

namespace {

RefMesh triangleMesh() { return RefMesh{{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, {0}, 1}; }

bool pick(RefFeatureSelector& selector, ITesUnknown* target, int32_t type = kRefMousePress,
          int32_t buttons = kRefLeftButton) {
    IPtr<RefMouseEvent> event(new RefMouseEvent(type, -1, -1, buttons, target));
    return selector.onMouseEvent(event.get());
}

TEST(RefFeatureSelector, PicksSelectOnlyTheKindsTheOptionsAllow) {
    IPtr<RefFeature> plane(RefFeature::plane(u"P", {}, {0, 0, 1}));
    IPtr<RefFeature> line(RefFeature::line(u"L", {}, {1, 0, 0}));
    IPtr<RefFeature> sphere(RefFeature::sphere(u"S", {}, 1, {0, 0, 1}));
    IPtr<RefCadFace> face(new RefCadFace(triangleMesh(), 0));
    ITesUnknown* const targets[] = {static_cast<ITesPlane*>(plane.get()), static_cast<ITesPlane*>(line.get()),
                                    static_cast<ITesPlane*>(sphere.get()), face.get()};
    const char16_t* const names[] = {u"P", u"L", u"S", u"CAD Face 0"};
    for (int32_t option = kSelectPlanes; option <= kSelectCadFaces; ++option) {
        for (int32_t kind = 0; kind < 4; ++kind) {
            SCOPED_TRACE(std::to_string(option) + " " + std::to_string(kind));
            RefFeatureSelector selector(1);
            selector.setOption(option, true);
            EXPECT_FALSE(pick(selector, targets[kind], kRefMousePress, 2));
            EXPECT_FALSE(pick(selector, targets[kind], kRefMousePress + 1));
            EXPECT_EQ(pick(selector, targets[kind]), option == kind);
            EXPECT_FALSE(pick(selector, targets[kind]));
            EXPECT_EQ(selector.selection(), option == kind ? targets[kind] : nullptr);
            EXPECT_EQ(std::u16string(selector.displayName()), option == kind ? names[kind] : u"");
            EXPECT_EQ(selector.faceIndex(), option == kind && kind == kSelectCadFaces ? 0 : -1);
        }
    }
    EXPECT_EQ(face->vector(), (TesVector{0, 0, 1}));
}

TEST(RefFeatureSelector, ActivatorAcceptsAllowedKindsFromThePreselection) {
    IPtr<RefPreselectMgr> manager(new RefPreselectMgr);
    {
        IPtr<RefFeatureSelector> selector(new RefFeatureSelector(1));
        manager->setActivator(selector.get());
        EXPECT_EQ(manager->activator(), static_cast<ITesPreselectActivator*>(selector.get()));
        selector->setOption(kSelectLines, true);
        bool accept = true;
        EXPECT_TRUE(selector->activate(kPreselectLine, 0, 0, 0, &accept));
        EXPECT_FALSE(accept);
        selector->setOption(kSelectFromPreselection, true);
        const struct {
            int32_t kind;
            bool accept;
        } rows[] = {{kPreselectLine, true}, {kPreselectPlane, false}, {kPreselectCadFace, false},
                    {kPreselectAlways3, false}};
        for (const auto& row : rows) {
            EXPECT_TRUE(selector->activate(row.kind, 0, 0, 0, &accept));
            EXPECT_EQ(accept, row.accept) << row.kind;
        }
    }
    EXPECT_EQ(manager->activator(), nullptr);
}

TEST(RefFeatureSelector, RemoveTakesOnlyItsControlOffAPanelThatLives) {
    RefSelectorRegistry registry;
    IPtr<RefFeatureSelector> first(registry.create());
    IPtr<RefFeatureSelector> second(registry.create());
    IPtr<RefPanel> panel(new RefPanel);
    panel->addWidget(static_cast<ITesFeatureSelectorWidget*>(first.get()), 4, u"");
    panel->addWidget(static_cast<ITesFeatureSelectorWidget*>(second.get()), 1, u"");
    first->remove();
    EXPECT_EQ(panel->findId(4), nullptr);
    EXPECT_NE(panel->findId(1), nullptr);
    panel.reset();
    second->remove();
    first.reset();
    ASSERT_EQ(registry.live().size(), 1u);
    EXPECT_EQ(registry.live()[0]->number(), 2);
}

TEST(RefCommandAccess, FitModelToViewShowsEveryPlacedMeshKeepingTheDirection) {
    RefHost host;
    IPtr<RefObject> object(new RefObject(u"Part", "SurfModel"));
    object->setMesh(RefMesh{{-50, -5, 0, 50, 5, 0, 0, 5, 30}, {0, 1, 2}, {0}, 1});
    host.document().add(object.get());
    host.graphics().setObjectTransform(object.get(), TesMatrix::translationMatrix({1000, 0, 0}));
    RefCamera& camera = host.camera();
    camera.lookAt({0, 0, 10}, {1, 1, -1}, {0, 0, 1});
    const TesMatrix rotation = camera.orientation().rotationPart();
    EXPECT_FALSE(host.commandAccess().runCommand(u"Zoom", 0));
    EXPECT_TRUE(host.commandAccess().runCommand(u"Fit Model to View", 3));
    EXPECT_EQ(camera.orientation().rotationPart(), rotation);
    const TesMatrix toScreen = camera.projection() * camera.orientation();
    for (const TesVector corner : {TesVector{950, -5, 0}, TesVector{1050, 5, 30}, TesVector{950, 5, 30}}) {
        const TesVector screen = toScreen.transformPoint(corner);
        EXPECT_LT(std::fabs(screen.x), 1.0);
        EXPECT_LT(std::fabs(screen.y), 1.0);
        EXPECT_LT(std::fabs(screen.z), 1.0);
    }
    ASSERT_EQ(host.commandAccess().runs().size(), 2u);
    EXPECT_FALSE(host.commandAccess().runs()[0].known);
    EXPECT_EQ(host.commandAccess().runs()[1].flags, 3);
}

}  // namespace
