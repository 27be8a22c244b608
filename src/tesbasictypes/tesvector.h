// Three-component vectors and points of 64-bit floats (x, y, z).
#pragma once

struct TesVector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr TesVector() = default;
    constexpr TesVector(double xValue, double yValue, double zValue) : x(xValue), y(yValue), z(zValue) {}

    // The process-wide zero vector.
    static const TesVector& zero();

    // x² + y² + z², summed in that order.
    constexpr double squaredLength() const { return x * x + y * y + z * z; }
    double length() const;

    // Makes the vector unit length component by component:
    //   x' = sgn(x) · √max(0, 1 − (y² + z²) / s),  s = x² + y² + z²,
    // and likewise for y and z, with sgn(c) = +1 for c ≥ 0 (−0 included).
    // This is not v / |v|: results differ from it in the last bits, and a
    // component far below the others becomes exactly 0 ((1e-9, 1, 0) gives
    // (0, 1, 0)). A NaN share counts as below 0. When s overflows or is
    // subnormal the components are first scaled by a power of two, which gives
    // the formula's result as if evaluated without overflow or underflow.
    // Returns false, leaving the vector unchanged, when s is not greater than 0
    // (zero vector, NaN component, or every square underflowing to 0).
    bool normalize();

    // A normalised copy; unchanged when normalising fails.
    TesVector normalized() const;

    friend constexpr bool operator==(const TesVector&, const TesVector&) = default;
};

constexpr TesVector operator+(const TesVector& a, const TesVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr TesVector operator-(const TesVector& a, const TesVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr TesVector operator-(const TesVector& v) { return {-v.x, -v.y, -v.z}; }
constexpr TesVector operator*(const TesVector& v, double factor) { return {v.x * factor, v.y * factor, v.z * factor}; }
constexpr TesVector operator*(double factor, const TesVector& v) { return v * factor; }

constexpr double dot(const TesVector& a, const TesVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Widens the box [min, max] to hold `point`. A NaN coordinate leaves the box
// as it is (the comparisons are false).
constexpr void extendBox(const TesVector& point, TesVector& min, TesVector& max) {
    min.x = point.x < min.x ? point.x : min.x;
    min.y = point.y < min.y ? point.y : min.y;
    min.z = point.z < min.z ? point.z : min.z;
    max.x = point.x > max.x ? point.x : max.x;
    max.y = point.y > max.y ? point.y : max.y;
    max.z = point.z > max.z ? point.z : max.z;
}

// Right-handed: cross((1, 0, 0), (0, 1, 0)) = (0, 0, 1).
constexpr TesVector cross(const TesVector& a, const TesVector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
