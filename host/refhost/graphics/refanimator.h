// The reference host's smooth camera transitions ("ITesAnimateCameraUtil").
// animate sets up one transition for a scene view's camera; the camera plays
// it at its next commitState, at once: 10 steps per second of duration (at
// least 1, at most 1000), each step turning the orientation by quaternion
// slerp and moving the eye and the zoom linearly. The last step is the target
// itself, so the camera ends exactly there.
#pragma once

#include <vector>

#include "hostapi/gfx.h"

class RefCamera;

class RefCameraAnimator : public ITesAnimateCameraUtil {
public:
    static constexpr double kStepsPerSecond = 10.0;
    static constexpr int kMaxSteps = 1000;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    // `mode` and `speed` do not change the path; a scene view whose camera is
    // not the host's gets no transition.
    void animate(int32_t mode, ITesUnknown* sceneView, const TesMatrix& target, const GfxCameraState& targetState,
                 double speed, double duration) override;

    // The states the last transition passed through: its start, then one per step.
    const std::vector<GfxCameraState>& lastTransition() const { return states_; }
    // The number of steps a transition of `duration` seconds takes.
    static int stepCount(double duration);

private:
    void play(RefCamera& camera, const GfxCameraState& end, int steps);

    std::vector<GfxCameraState> states_;
};

// The orientation `t` of the way from `from` to `to` (0: from, 1: to): the
// rotation by quaternion slerp, the eye position linearly.
TesMatrix refInterpolateOrientation(const TesMatrix& from, const TesMatrix& to, double t);
