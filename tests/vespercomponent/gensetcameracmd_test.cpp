// Whole sessions are pinned by tests/golden/camera-position.out; these cover
// what the example session does not reach.
#include <gtest/gtest.h>

#include "pluginhost.h"
#include "sessionrun.h"

namespace {

class CameraPosition : public PluginTest {
protected:
    // Runs `script` after the workshop scene; the transcript is dropped.
    static void run(const std::string& script) {
        const std::string scene = "scene ../scenes/workshop.scene\n";
        EXPECT_EQ(runSessionText(host(), scene + script, "inline", VESPER_SOURCE_DIR "/examples/sessions/").error, "");
    }
};

TEST_F(CameraPosition, IsACommandUnavailableInsideACommand) {
    IPtr<ITesUnknown> object = pluginMake(TesClassId::parse("9f75fbbf-d8e3-4b0c-abb4-cfea6deaf5b9"));
    auto* command = tesQuery<IComponentCommand>(object.get(), "IComponentCommand");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(tesQuery<void>(object.get(), "ITesDataReceiver"), nullptr);
    IPtr<RefCommandState> state(new RefCommandState(&host().document()));
    state->set("inCommand", true);
    EXPECT_FALSE(command->isAvailable(state.get()));
    EXPECT_FALSE(command->isAvailable(nullptr));
}

TEST_F(CameraPosition, WithoutCoordinateSystemsOnlyWorldIsOffered) {
    run("phase 9\ncommand GenSetCameraCmd\nexpect World checked true\nexpect Local enabled false\n"
        "expect CSysObjects enabled false\nexpect ZTrans value 500\nexpect ZoomLevel value 0.7\ncancel\n");
}

TEST_F(CameraPosition, CurrentAndCurrentNeverConflict) {
    run("command GenSetCameraCmd\nselect UpDir 0\nexpect LookDir selection 5\nselect LookDir 0\n"
        "expect UpDir selection 0\nselect UpDir 0\nexpect LookDir selection 0\ncancel\n");
}

// The golden session's OK leaves the seeded value; this one changes it.
TEST_F(CameraPosition, OkRemembersTheUpChoiceOfALocalReference) {
    run("command GenSetCameraCmd\nexpect Local checked true\nselect UpDir 4\nok\n");
    EXPECT_EQ(host().settings().getInt("Navigation/CameraPositionUpLocalDefault", -1), 4);
}

TEST_F(CameraPosition, CancelPutsBackCameraZoomAndUpSettings) {
    host().settings().setDouble(nullptr, "Navigation/Camera Up Z", 0.0);  // Apply below writes 1
    run("camera eye 0 0 500 look 0 0 -1 up 0 1 0 zoom 1\n");
    const std::string before = host().camera().orientation().toText();
    run("command GenSetCameraCmd\nselect CSysObjects 0\nset ZoomLevel 3\napply\ncancel\n");
    EXPECT_EQ(host().camera().orientation().toText(), before);
    EXPECT_EQ(host().camera().zoom(), 1.0);
    EXPECT_EQ(host().settings().getDouble("Navigation/Camera Up Z", -1), 0.0);
}

// "Fixture B": origin (0, 0, 50), axes x (1, 0, 0), y (0, 0, 1), z (0, -1, 0).
TEST_F(CameraPosition, ApplyPutsTheEyeAtThePositionInTheReferenceFrame) {
    run("command GenSetCameraCmd\nselect CSysObjects 2\nvalue XTrans 10\nvalue YTrans 20\nvalue ZTrans 30\n"
        "apply\nok\n");
    const TesVector eye = host().camera().eye();
    EXPECT_NEAR(eye.x, 10, 1e-9);
    EXPECT_NEAR(eye.y, -30, 1e-9);
    EXPECT_NEAR(eye.z, 70, 1e-9);
}

}  // namespace
