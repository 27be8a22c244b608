#include <gtest/gtest.h>

#include "enumeration.h"
#include "sessionrun.h"

namespace {

constexpr TesClassId kSetCameraId = TesClassId::parse("9f75fbbf-d8e3-4b0c-abb4-cfea6deaf5b9");

class CameraPosition : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pluginUnderTest().loaded.good) << pluginUnderTest().loaded.error; }
    RefHost& host() { return *pluginUnderTest().host; }
    void run(const std::string& script) {
        const SessionRun result = runSessionText("scene ../scenes/workshop.scene\n" + script);
        ASSERT_TRUE(result.good) << result.error << "\n" << result.transcript;
    }
};

TEST_F(CameraPosition, IsACommandOfKindThreeThatAnswersItsNames) {
    IPtr<ITesUnknown> object = host().manager().createInstance(kSetCameraId);
    auto* command = tesQuery<IComponentCommand>(object.get(), "IComponentCommand");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->getName().toUtf8(), "Camera Position");
    EXPECT_EQ(command->getKind(), 3);
    EXPECT_EQ(tesQuery<void>(object.get(), "ITesDataReceiver"), nullptr);
    EXPECT_NE(tesQuery<void>(object.get(), "CompBaseCmd"), nullptr);
    EXPECT_TRUE(command->isInteractive());
    EXPECT_EQ(command->repeatCount(), 1);
    EXPECT_FALSE(command->applyEnabled());
    EXPECT_FALSE(command->undoEnabled());

    IPtr<RefCommandState> state(new RefCommandState(&host().document()));
    state->set("inCommand", true);
    EXPECT_FALSE(command->isAvailable(state.get()));
    state->set("inCommand", false);
    EXPECT_TRUE(command->isAvailable(state.get()));
    EXPECT_FALSE(command->isAvailable(nullptr));

    EnumerationContext context;
    context.enumerate(object.get());
    const std::vector<EnumeratedName> expected = {{"GenSetCameraCmd", 1, ""},
                                                  {"CompBaseCmd", 1, "GenSetCameraCmd"},
                                                  {"IComponentCommand", 0, "CompBaseCmd"}};
    EXPECT_EQ(context.entries(), expected);
}

TEST_F(CameraPosition, WithoutCoordinateSystemsOnlyWorldIsOffered) {
    run("phase 9\n"
        "command GenSetCameraCmd\n"
        "expect World checked true\n"
        "expect Local enabled false\n"
        "expect CSysObjects enabled false\n"
        "expect ZTrans value 500\n"
        "expect ZoomLevel value 0.7\n"
        "cancel\n");
}

TEST_F(CameraPosition, SetToOriginMovesNothingUntilApply) {
    run("");
    const TesMatrix before = host().camera().orientation();
    run("command GenSetCameraCmd\n"
        "select CSysObjects 0\n"
        "click SetToZeros\n"
        "expect XTrans value 0\n"
        "expect ZTrans value 0\n"
        "cancel\n");
    EXPECT_EQ(host().camera().orientation().toText(), before.toText());
}

TEST_F(CameraPosition, CurrentAndCurrentNeverConflict) {
    run("command GenSetCameraCmd\n"
        "select UpDir 0\n"
        "expect LookDir selection 5\n"
        "select LookDir 0\n"
        "expect UpDir selection 0\n"
        "select UpDir 0\n"
        "expect LookDir selection 0\n"
        "cancel\n");
}

TEST_F(CameraPosition, OkRemembersTheUpChoiceOfItsReference) {
    run("command GenSetCameraCmd\n"
        "expect Local checked true\n"
        "select UpDir 4\n"
        "ok\n");
    EXPECT_EQ(host().settings().getInt("Navigation/CameraPositionUpLocalDefault", -1), 4);
    run("command GenSetCameraCmd\n"
        "select CSysObjects 0\n"
        "select UpDir 1\n"
        "ok\n");
    EXPECT_EQ(host().settings().getInt("Navigation/CameraPositionUpWorldDefault", -1), 1);
}

TEST_F(CameraPosition, CancelPutsBackCameraAndUpSettings) {
    host().settings().setDouble(nullptr, "Navigation/Camera Up X", 0.0);
    host().settings().setDouble(nullptr, "Navigation/Camera Up Y", 0.0);
    host().settings().setDouble(nullptr, "Navigation/Camera Up Z", 1.0);
    run("camera eye 0 0 500 look 0 0 -1 up 0 1 0 zoom 1\n");
    const TesMatrix before = host().camera().orientation();
    run("command GenSetCameraCmd\n"
        "select CSysObjects 0\n"
        "set ZoomLevel 3\n"
        "apply\n"
        "cancel\n");
    EXPECT_EQ(host().camera().orientation().toText(), before.toText());
    EXPECT_EQ(host().camera().zoom(), 1.0);
    EXPECT_EQ(host().settings().getDouble("Navigation/Camera Up Z", 0), 1.0);
}

TEST_F(CameraPosition, ApplyPutsTheEyeAtThePositionInTheReferenceFrame) {
    run("command GenSetCameraCmd\n"
        "select CSysObjects 2\n"
        "value XTrans 10\n"
        "value YTrans 20\n"
        "value ZTrans 30\n"
        "apply\n"
        "ok\n");
    // "Fixture B": origin (0, 0, 50), axes x (1, 0, 0), y (0, 0, 1), z (0, -1, 0).
    const TesVector eye = host().camera().eye();
    EXPECT_NEAR(eye.x, 10, 1e-9);
    EXPECT_NEAR(eye.y, -30, 1e-9);
    EXPECT_NEAR(eye.z, 70, 1e-9);
    EXPECT_EQ(host().camera().clipping()->nearPlane(), 0.01);
}

}  // namespace
