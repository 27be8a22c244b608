#include "tesvector.h"

#include <cfloat>
#include <cmath>

namespace {

constexpr TesVector kZeroVector;

// Powers of two that bring the squared length of any finite vector back into
// the normal range; multiplying by them is exact, so the shares stay the same.
constexpr double kShrinkFactor = 0x1p-600;
constexpr double kGrowFactor = 0x1p+600;

double sign(double component) { return component >= 0.0 ? 1.0 : -1.0; }

// √max(0, 1 − rest / total), with a NaN share clamped to 0 as well.
double unitComponent(double rest, double total) {
    const double share = 1.0 - rest / total;
    return std::sqrt(share > 0.0 ? share : 0.0);
}

bool isFinite(const TesVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The factor that keeps the formula clear of overflow and underflow, or 1.
double rangeFactor(const TesVector& v, double squaredLength) {
    if (squaredLength < DBL_MIN) return kGrowFactor;
    if (std::isinf(squaredLength) && isFinite(v)) return kShrinkFactor;
    return 1.0;
}

}  // namespace

const TesVector& TesVector::zero() { return kZeroVector; }

double TesVector::length() const { return std::sqrt(squaredLength()); }

bool TesVector::normalize() {
    double total = squaredLength();
    if (!(total > 0.0)) return false;
    const TesVector scaled = *this * rangeFactor(*this, total);
    total = scaled.squaredLength();
    const double xx = scaled.x * scaled.x;
    const double yy = scaled.y * scaled.y;
    const double zz = scaled.z * scaled.z;
    x = sign(x) * unitComponent(yy + zz, total);
    y = sign(y) * unitComponent(xx + zz, total);
    z = sign(z) * unitComponent(xx + yy, total);
    return true;
}

TesVector TesVector::normalized() const {
    TesVector copy = *this;
    copy.normalize();
    return copy;
}
