// Stored views, camera transitions and the view manager's callbacks.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "infrastructure/refsettingsfile.h"
#include "queryinterface.h"
#include "refhost.h"
#include "sessionrun.h"
#include "tempfolder.h"

namespace {

// Counts its calls; the first call may remove it from the manager.
class Counter : public IGfxCallback {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"Counter", this, this, {{"IGfxCallback", static_cast<IGfxCallback*>(this)}}});
    }
    const char* className() const override { return "Counter"; }
    void onCallback(int32_t kind, ITesUnknown* event) override {
        types.push_back(tesQuery<IGfxMouseData>(event, "IGfxMouseData")->type());
        if (removeFrom != nullptr) removeFrom->removeCallback(kind, this);
    }
    std::vector<int32_t> types;
    RefViewMgr* removeFrom = nullptr;
};

TEST(RefViews, CallbacksAreCalledOncePerKindAndMayRemoveThemselves) {
    RefHost host;
    IPtr<Counter> once(new Counter), kept(new Counter);
    once->removeFrom = &host.views();
    host.views().addCallback(5, once.get());
    host.views().addCallback(5, kept.get());
    host.views().addCallback(5, kept.get());
    host.views().removeCallback(8, kept.get());
    EXPECT_EQ(host.views().fireCallbacks(5, 2), 2);
    EXPECT_EQ(host.views().fireCallbacks(5, 3), 1);
    EXPECT_EQ(host.views().fireCallbacks(8, 2), 0);
    EXPECT_EQ(kept->types, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(once->refCount(), 1u);
}

TEST(RefViews, TransitionsTakeStepsFromTheDurationAndEndOnTheTarget) {
    const struct {
        double duration;
        int steps;
    } rows[] = {{-1, 1}, {0, 1}, {NAN, 1}, {0.04, 1}, {0.3, 3}, {1, 10}, {1e9, RefCameraAnimator::kMaxSteps}};
    for (const auto& row : rows) EXPECT_EQ(RefCameraAnimator::stepCount(row.duration), row.steps) << row.duration;

    RefHost host;
    RefSceneView& scene = host.views().current();
    const TesMatrix target = RefCamera::lookAtOrientation({10, 0, 0}, {-1, 0, 0}, {0, 1, 0});
    host.animator().animate(0, static_cast<ISGfxScene*>(&scene), target, {TesMatrix(), 3.0}, 1.0, 1.0);
    EXPECT_TRUE(host.animator().lastTransition().empty());
    scene.camera()->commitState();
    const std::vector<GfxCameraState>& states = host.animator().lastTransition();
    ASSERT_EQ(states.size(), 11u);
    EXPECT_EQ(states.back().orientation, target);
    EXPECT_EQ(scene.camera()->orientation(), target);
    EXPECT_EQ(scene.camera()->zoom(), 3.0);
    // Half way round a quarter turn about +Y, half way along the eye's path.
    const TesVector look = RefCamera::lookOf(states[5].orientation);
    EXPECT_NEAR(look.x, -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(look.z, -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(RefCamera::eyeOf(states[5].orientation).x, 5, 1e-12);
    EXPECT_DOUBLE_EQ(states[5].zoom, 2.0);
    scene.camera()->commitState();
    EXPECT_EQ(states.size(), 11u);
}

TEST(RefViews, StoredViewsLiveInTheSettingsFileAndBadLinesAreRefused) {
    TempFolder folder;
    const std::filesystem::path file = folder.file("settings");
    std::string error;
    {
        RefHost host;
        ASSERT_TRUE(refUseSettingsFile(host, file.string(), error)) << error;
        const std::string views = "view \"A b\" eye 1 2 3 look 0.3 -1 0.2 up 0 0 1 zoom 2.5\n"
                                  "view C flags 7 eye 0 0 1 look 0 0 -1 up 0 1 0\n";
        ASSERT_EQ(runSessionText(host, views, "s").error, "");
    }
    RefHost again;
    ASSERT_TRUE(refUseSettingsFile(again, file.string(), error)) << error;
    ASSERT_EQ(again.viewTheme().count(), 2);
    auto* first = tesQuery<RefView>(again.viewTheme().view(1), "RefView");
    EXPECT_EQ(first->camera().orientation, RefCamera::lookAtOrientation({1, 2, 3}, {0.3, -1, 0.2}, {0, 0, 1}));
    EXPECT_EQ(first->camera().zoom, 2.5);
    EXPECT_EQ(std::u16string(again.viewTheme().view(2)->name()), u"C");
    EXPECT_EQ(again.viewTheme().view(2)->flags(), 7u);
    again.views().current().showStoredView(3, false, 0);
    EXPECT_EQ(again.camera().orientation(), RefCamera().orientation());
    again.views().current().showStoredView(1, false, 0);
    EXPECT_EQ(again.camera().orientation(), first->camera().orientation);

    const struct {
        std::string line, error;
    } rows[] = {
        {"view V eye 0 0 1 look 0 0 -1", "s:1: expected eye X Y Z look X Y Z up X Y Z"},
        {"view V eye 0 0 1 look 0 0 -1 up 0 0 2", "s:1: look and up are parallel"},
        {"view V flags -1 eye 0 0 1 look 0 0 -1 up 0 1 0", "s:1: flags must be a whole number from 0 to 4294967295"},
        {"view V orientation 2 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1", "s:1: orientation must be a rotation and a translation"},
        {"view V orientation 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 up 0 1 0", "s:1: orientation cannot go with eye, look or up"},
        {"view V eye 0 0 1 look 0 0 -1 up 0 1 0 zoom 0", "s:1: zoom must be greater than 0"},
    };
    for (const auto& row : rows) {
        std::ofstream(file) << row.line << "\n";
        RefHost host;
        EXPECT_FALSE(refUseSettingsFile(host, file.string(), error));
        EXPECT_EQ(error, file.string() + row.error.substr(1)) << row.line;
        EXPECT_EQ(runSessionText(host, row.line, "s").error, row.error);
        EXPECT_EQ(host.viewTheme().count(), 0);
        EXPECT_EQ(folder.read("settings"), row.line + "\n");
    }
}

}  // namespace
