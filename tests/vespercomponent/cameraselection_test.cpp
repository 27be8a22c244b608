// The camera selection run in this process on small scenes through the
// reference host's renderer: what the flagged scanners see, the selection it
// leaves on the model, and the camera poses it renders from.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "cameraselection.h"
#include "freshprocess.h"
#include "pluginhost.h"
#include "session/refscene.h"
#include "sessionrun.h"
#include "srml.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"
#include "tempfolder.h"

// The fixture takes the name of the unit under test, which the namespace
// keeps apart from the class itself.
namespace coverage {
namespace {

constexpr const char* kRig =
    "object RefObject type Mesh\n"
    "subcsys Turntable origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"
    "subcsys Above origin 0 0 10 x 1 0 0 y 0 -1 0 z 0 0 -1\n"
    "subcsys Side origin 10 0 0 x 0 -1 0 y 0 0 1 z -1 0 0\n";

struct Shot {
    int32_t angle;
    std::vector<std::pair<int32_t, bool>> scanners;  // id, coverage flag
};

IPtr<ITesSRMLRecipe> makeRecipe(const std::vector<Shot>& shots) {
    IPtr<ITesSRMLRecipe> recipe(new SRMLRecipe);
    for (const Shot& shot : shots) {
        IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
        angle->setAngle(shot.angle);
        for (const auto& [id, flagged] : shot.scanners) {
            IPtr<SRMLScanProperties> properties(new SRMLScanProperties);
            properties->setFlag(flagged ? 1 : 0);
            angle->scanners().push_back(id);
            angle->scannerProperties().emplace_back(properties.get());
        }
        recipe->angles().emplace_back(angle.get());
    }
    return recipe;
}

// The triangles (numbered from 1) whose corners all pass `keep`.
BitVector trianglesWhere(const RefMesh& mesh, const std::function<bool(const TesVector&)>& keep) {
    BitVector bits;
    for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
        bool all = true;
        for (int c = 0; c < 3; ++c) all = all && keep(mesh.vertex(mesh.triangles[3 * t + c]));
        if (all) bits.set(t + 1);
    }
    return bits;
}

struct Outcome {
    BitVector seen;
    bool changed = false;
    size_t notifications = 0;
    BitVector selection;
};

class CameraSelection : public PluginSceneTest {
protected:
    static RefObject& reference() { return *host().document().find(u"RefObject"); }

    // Runs a selection of `recipe` on the rig of the loaded scene and selects
    // the result (replacing the selection) on the reference object.
    static Outcome select(const std::vector<Shot>& shots) {
        SRML document;
        document.initFromReferenceObject(true);
        IPtr<ITesSRMLRecipe> recipe = makeRecipe(shots);
        Outcome result;
        const size_t before = host().graphicsDocument().notifications().size();
        {
            ::CameraSelection selection;
            selection.setUp(&reference(), document.modelData());
            selection.visibleFromRecipe(recipe.get(), result.seen);
            result.changed = selection.selectOnModel(result.seen, false);
        }
        result.notifications = host().graphicsDocument().notifications().size() - before;
        if (RefMeshModel* mesh = reference().meshModel()) result.selection = mesh->selection();
        if (RefPointModel* points = reference().pointModel()) result.selection = points->selection();
        return result;
    }
};

TEST_F(CameraSelection, WhatTheFlaggedScannersSee) {
    const auto top = [](const TesVector& v) { return v.z > 0.99; };
    const auto upperBox = [](const TesVector& v) { return v.z > -3; };
    const struct {
        const char* name;
        std::string geometry;
        std::vector<Shot> shots;
        std::function<bool(const TesVector&)> expected;  // null: nothing
    } rows[] = {
        {"cube seen from above", "geometry box 2 2 2\n", {{0, {{0, true}}}}, top},
        {"two angles add nothing new", "geometry box 2 2 2\n", {{0, {{0, true}}}, {90, {{0, true}}}}, top},
        {"box hidden below a box", "geometry box 4 4 2\ngeometry box 1 1 1 at 0 0 -5\n", {{0, {{0, true}}}},
         [&](const TesVector& v) { return upperBox(v) && v.z > 0.99; }},
        {"scanner without the flag", "geometry box 2 2 2\n", {{0, {{0, false}}}}, nullptr},
        {"recipe without angles", "geometry box 2 2 2\n", {}, nullptr},
        {"flag read per position", "geometry box 2 2 2\n", {{0, {{1, false}, {0, true}}}}, top},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        load(std::string(kRig) + row.geometry);
        const Outcome result = select(row.shots);
        const BitVector expected =
            row.expected ? trianglesWhere(*reference().mesh(), row.expected) : BitVector();
        EXPECT_EQ(result.seen.count(), expected.count());
        EXPECT_TRUE(result.seen == expected);
        EXPECT_TRUE(result.selection == expected);
        EXPECT_EQ(result.changed, expected.count() > 0);
        EXPECT_EQ(result.notifications, expected.count() > 0 ? 1u : 0u);
    }
}

// Growth adds visible neighbours of the picked triangles, only with the
// mesh's connectivity; a fine sphere has triangles below a pixel.
TEST_F(CameraSelection, GrowthNeedsConnectivity) {
    load(std::string(kRig) + "geometry sphere 4 400000\n");
    const Outcome grown = select({{0, {{0, true}}}});
    const RefRenderLog log = host().visBuffers().lastLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_GT(log[0].picked, 100000) << "more items than the buffer's capacity hint";
    EXPECT_GT(grown.seen.count(), log[0].picked);
    EXPECT_LE(grown.seen.count(), log[0].visible);
    load(std::string(kRig) + "geometry sphere 4 400000 nocomplex\n");
    const int32_t seen = select({{0, {{0, true}}}}).seen.count();
    EXPECT_EQ(seen, host().visBuffers().lastLog()[0].picked);
}

TEST_F(CameraSelection, PointsAreSelectedOnThePointModel) {
    load("object RefObject type Point\n"
         "subcsys Turntable origin 0 0 0 x 1 0 0 y 0 1 0 z 0 0 1\n"
         "subcsys Above origin 0 0 10 x 1 0 0 y 0 -1 0 z 0 0 -1\n"
         "geometry grid 10 10 0.1 at -0.5 -0.5 0\n");
    const Outcome result = select({{0, {{0, true}}}});
    EXPECT_EQ(result.seen.count(), 100);
    EXPECT_TRUE(result.selection == result.seen);
}

// The camera sits at the literal pose scanner x (turntable x Rz(a) x
// turntable^-1) at every angle, and the user's view is back afterwards.
TEST_F(CameraSelection, CameraTakesTheLiteralPose) {
    load("object RefObject type Mesh\n"
         "subcsys Turntable origin 3 1 -2 x 1 0 0 y 0 0.6 0.8 z 0 -0.8 0.6\n"
         "subcsys Above origin 0 0 10 x 1 0 0 y 0 -1 0 z 0 0 -1\n"
         "geometry box 2 2 2\n");
    const TesMatrix userCamera = host().camera().orientation();
    select({{0, {{0, true}}}, {30, {{0, true}}}, {30, {{0, true}}}});
    EXPECT_TRUE(host().camera().orientation() == userCamera);
    EXPECT_EQ(&host().views().current(), &host().views().userScene());
    EXPECT_EQ(host().renderer().savedStates(), 0);
    const TesMatrix turntable = TesMatrix::fromColumns({1, 0, 0}, {0, 0.6, 0.8}, {0, -0.8, 0.6}, {3, 1, -2});
    const TesMatrix scanner = TesMatrix::fromColumns({1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {0, 0, 10});
    const RefRenderLog& log = host().visBuffers().lastLog();
    ASSERT_EQ(log.size(), 3u);
    const int32_t angles[] = {0, 30, 30};
    for (size_t i = 0; i < log.size(); ++i) {
        const double a = angles[i] * std::numbers::pi / 180;
        const TesMatrix pose = scanner * (turntable * TesMatrix::rotation({0, 0, 1}, a) * turntable.inverse());
        const TesVector eye = RefCamera::eyeOf(log[i].camera.orientation);
        EXPECT_NEAR((eye - pose.column(3)).length(), 0, 1e-9) << i;
        const TesVector look = RefCamera::lookOf(log[i].camera.orientation);
        EXPECT_NEAR((look - pose.column(2).normalized()).length(), 0, 1e-9) << i;
    }
}

// The session runner's pictures of a run: one per render, named by the
// scanner and angle the camera stood at, and $OUT/ names shown as such.
TEST_F(CameraSelection, SessionsPictureTheRun) {
    load(std::string(kRig) + "geometry box 2 2 2\n");
    select({{0, {{0, true}}}, {90, {{1, true}, {0, true}}}});
    TempFolder folder;
    const SessionRun run = runSessionText(host(), "picture $OUT/view.png\npictures $OUT/cov\ndump coverage\n",
                                          "inline", "", folder.narrowFile());
    const std::string& transcript = run.transcript;
    EXPECT_EQ(run.error, "");
    for (const char* expected : {"picture $OUT/view.png", "scanner 0 angle 0 eye 0 0 10 picked 2 visible 2 $OUT/cov-s0-a0.png",
                                 "scanner 1 angle 90 eye 10 0 0", "scanner 0 angle 90", "selected 4: ",
                                 "notifications: 1"}) {
        EXPECT_NE(transcript.find(expected), std::string::npos) << expected << "\n" << transcript;
    }
    EXPECT_EQ(transcript.find(folder.narrowFile()), std::string::npos);
    for (const char* file : {"view.png", "cov-s0-a0.png", "cov-s1-a90.png", "cov-s0-a90.png"}) {
        EXPECT_EQ(folder.read(file).substr(1, 3), "PNG") << file;
    }
    const std::string error = runSessionText(host(), "picture $OUT/view.png\n").error;
    EXPECT_NE(error.find("no output folder"), std::string::npos) << error;
}

// Without a visibility buffer factory every pose is skipped: the empty result
// replaces the selection, with one notification (an empty result on an empty
// selection tells nobody: the rows without a flag above). Service pointers are
// settled once per process, hence a fresh one.
TEST_F(CameraSelection, WithoutBufferFactoryNothingIsSeen) {
    EXPECT_IN_FRESH_PROCESS([] {
        host().manager().removeService("IGfxPickVisBufferFact");
        load(std::string(kRig) + "geometry box 2 2 2\n");
        BitVector old;
        old.set(5);
        reference().meshModel()->selectTriangles(old, false);
        const Outcome result = select({{0, {{0, true}}}});
        EXPECT_EQ(result.seen.count(), 0);
        EXPECT_TRUE(result.changed);
        EXPECT_EQ(result.notifications, 1u);
        EXPECT_EQ(result.selection.count(), 0);
    });
}

}  // namespace
}  // namespace coverage
