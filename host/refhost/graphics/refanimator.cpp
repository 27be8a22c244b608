#include "graphics/refanimator.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/refgraphics.h"
#include "iptr.h"
#include "queryinterface.h"

namespace {

// w, x, y, z.
using Quaternion = std::array<double, 4>;

// Above this cosine the two rotations are so close that slerp divides by a
// vanishing sine: a normalised linear blend is as exact there.
constexpr double kNearlySame = 0.9995;

// The unit quaternion of the rotation in the upper-left 3 x 3 block, by the
// largest of the four diagonal sums so that no division is by a small number.
Quaternion quaternionOf(const TesMatrix& m) {
    const double trace = m(0, 0) + m(1, 1) + m(2, 2);
    Quaternion q;
    if (trace > 0) {
        const double s = 2 * std::sqrt(1 + trace);
        q = {s / 4, (m(2, 1) - m(1, 2)) / s, (m(0, 2) - m(2, 0)) / s, (m(1, 0) - m(0, 1)) / s};
    } else if (m(0, 0) > m(1, 1) && m(0, 0) > m(2, 2)) {
        const double s = 2 * std::sqrt(1 + m(0, 0) - m(1, 1) - m(2, 2));
        q = {(m(2, 1) - m(1, 2)) / s, s / 4, (m(0, 1) + m(1, 0)) / s, (m(0, 2) + m(2, 0)) / s};
    } else if (m(1, 1) > m(2, 2)) {
        const double s = 2 * std::sqrt(1 + m(1, 1) - m(0, 0) - m(2, 2));
        q = {(m(0, 2) - m(2, 0)) / s, (m(0, 1) + m(1, 0)) / s, s / 4, (m(1, 2) + m(2, 1)) / s};
    } else {
        const double s = 2 * std::sqrt(1 + m(2, 2) - m(0, 0) - m(1, 1));
        q = {(m(1, 0) - m(0, 1)) / s, (m(0, 2) + m(2, 0)) / s, (m(1, 2) + m(2, 1)) / s, s / 4};
    }
    return q;
}

TesMatrix rotationOf(const Quaternion& q) {
    const auto [w, x, y, z] = q;
    const double values[16] = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),     0,
                               2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),     0,
                               2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y), 0,
                               0,                       0,                       0,                       1};
    return TesMatrix(values);
}

// The shorter way from `from` to `to`.
Quaternion slerp(const Quaternion& from, Quaternion to, double t) {
    double cosine = from[0] * to[0] + from[1] * to[1] + from[2] * to[2] + from[3] * to[3];
    if (cosine < 0) {
        for (double& each : to) each = -each;
        cosine = -cosine;
    }
    double a = 1 - t, b = t;
    if (cosine < kNearlySame) {
        const double angle = std::acos(cosine);
        a = std::sin((1 - t) * angle) / std::sin(angle);
        b = std::sin(t * angle) / std::sin(angle);
    }
    Quaternion result;
    double norm = 0;
    for (size_t i = 0; i < 4; ++i) {
        result[i] = a * from[i] + b * to[i];
        norm += result[i] * result[i];
    }
    norm = std::sqrt(norm);
    for (double& each : result) each /= norm;
    return result;
}

}  // namespace

TesMatrix refInterpolateOrientation(const TesMatrix& from, const TesMatrix& to, double t) {
    TesMatrix rotation = rotationOf(slerp(quaternionOf(from), quaternionOf(to), t));
    const TesVector eye = RefCamera::eyeOf(from) * (1 - t) + RefCamera::eyeOf(to) * t;
    rotation.setTranslation(-rotation.transformPoint(eye));
    return rotation;
}

void RefCameraAnimator::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefCameraAnimator", this, this,
                    {{"ITesAnimateCameraUtil", static_cast<ITesAnimateCameraUtil*>(this)}}});
}

const char* RefCameraAnimator::className() const { return "RefCameraAnimator"; }

int RefCameraAnimator::stepCount(double duration) {
    if (!(duration > 0)) return 1;
    return static_cast<int>(std::clamp(std::round(duration * kStepsPerSecond), 1.0, double{kMaxSteps}));
}

void RefCameraAnimator::animate(int32_t, ITesUnknown* sceneView, const TesMatrix& target,
                                const GfxCameraState& targetState, double, double duration) {
    auto* scene = tesQuery<ISGfxScene>(sceneView, "ISGfxScene");
    auto* camera = tesQuery<RefCamera>(scene != nullptr ? scene->camera() : nullptr, "RefCamera");
    if (camera == nullptr) return;
    const int steps = stepCount(duration);
    const GfxCameraState end{target, targetState.zoom};
    IPtr<RefCameraAnimator> self(this);
    camera->setPendingMove([self, end, steps](RefCamera& moving) { self->play(moving, end, steps); });
}

void RefCameraAnimator::play(RefCamera& camera, const GfxCameraState& end, int steps) {
    states_.assign(1, camera.state());
    const GfxCameraState start = states_.front();
    for (int step = 1; step <= steps; ++step) {
        const double t = static_cast<double>(step) / steps;
        GfxCameraState state = end;
        if (step < steps) {
            state.orientation = refInterpolateOrientation(start.orientation, end.orientation, t);
            state.zoom = start.zoom + (end.zoom - start.zoom) * t;
        }
        camera.setOrientation(state.orientation);
        camera.setZoom(state.zoom);
        states_.push_back(state);
    }
}
