#include "computation/refaligner.h"

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <cmath>

#include "queryinterface.h"

namespace {

constexpr double kFlatness = 1e-9;  // second singular value against the first
constexpr int kFixedStride = 3;
constexpr int kFloatingStride = 6;

using Points = Eigen::Matrix<double, 3, Eigen::Dynamic>;

// The positions of `count` entries `stride` doubles apart, one to a column.
Points positions(const double* entries, int32_t count, int stride) {
    Points points(3, count);
    for (int32_t pair = 0; pair < count; ++pair) {
        for (int axis = 0; axis < 3; ++axis) points(axis, pair) = entries[pair * stride + axis];
    }
    return points;
}

// True when the points, less their mean, spread in two directions at least.
bool spansPlane(const Points& points) {
    const Points centred = points.colwise() - points.rowwise().mean();
    // The set itself, not its scatter matrix, whose squared values would lose
    // the small ones in rounding.
    const Eigen::VectorXd singular = Eigen::JacobiSVD<Eigen::MatrixXd>(centred).singularValues();
    return singular(1) > kFlatness * singular(0);
}

}  // namespace

void RefAlignerInput::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"RefAlignerInput", this, this, {{"IAligner_Input_Dummy", static_cast<IAligner_Input_Dummy*>(this)}}});
}

const char* RefAlignerInput::className() const { return "RefAlignerInput"; }

void RefAligner::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefAligner", this, this, {{"IAligner", static_cast<IAligner*>(this)}}});
}

const char* RefAligner::className() const { return "RefAligner"; }

bool RefAligner::align(int32_t count, const double* fixed, const double* floating, TesMatrix* result) {
    if (count < 3 || fixed == nullptr || floating == nullptr || result == nullptr) return false;
    const Points targets = positions(fixed, count, kFixedStride);
    const Points sources = positions(floating, count, kFloatingStride);
    if (!targets.allFinite() || !sources.allFinite() || !spansPlane(targets) || !spansPlane(sources)) return false;

    const Eigen::Matrix4d motion = Eigen::umeyama(sources, targets, false);
    const Points moved = (motion.topLeftCorner<3, 3>() * sources).colwise() + motion.topRightCorner<3, 1>();
    const Eigen::VectorXd distances = (moved - targets).colwise().norm();
    const double rms = std::sqrt(distances.squaredNorm() / count);
    const double limit = input_ ? input_->parameter() : std::numeric_limits<double>::infinity();
    if (!motion.allFinite() || !(rms <= limit)) return false;

    residuals_.assign(distances.data(), distances.data() + count);
    rms_ = rms;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) (*result)(row, column) = motion(row, column);
    }
    return true;
}
