#include "tesvector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The formula written out plainly, on `v` scaled by `scale`: sgn(c) · √max(0, 1 − share of the other two).
TesVector formula(const TesVector& v, double scale = 1.0) {
    const TesVector s = v * scale;
    const auto unit = [&s](double own, double a, double b) {
        return (own >= 0.0 ? 1.0 : -1.0) * std::sqrt(std::max(0.0, 1.0 - (a * a + b * b) / s.squaredLength()));
    };
    return {unit(s.x, s.y, s.z), unit(s.y, s.x, s.z), unit(s.z, s.x, s.y)};
}

// Bit for bit, so that -0 differs from 0.
void expectSameBits(const TesVector& actual, const TesVector& expected) {
    for (double TesVector::*c : {&TesVector::x, &TesVector::y, &TesVector::z}) {
        EXPECT_EQ(std::bit_cast<uint64_t>(actual.*c), std::bit_cast<uint64_t>(expected.*c)) << actual.*c;
    }
}

TEST(TesVector, NormalizeFollowsTheComponentFormulaBitForBit) {
    struct Row {
        const char* name;
        TesVector input, expected;
        bool normalized = true;
    };
    const TesVector subnormalSquares{3e-162, -4e-162, 0};
    const Row rows[] = {
        {"3-4-5", {3, 4, 0}, {0.6, 0.8, 0}},
        {"share of 1e-18 rounds away", {1e-9, 1, 0}, {0, 1, 0}},
        {"tiny negative becomes -0", {1, -1e-9, 1e-9}, {1, -0.0, 0}},
        {"sgn(-0) is +1", {-0.0, 2, 0}, {0, 1, 0}},
        // Squares out of range are scaled by a power of two, which leaves every share as it was.
        {"squares overflow", {1e200, -1e200, 0}, {std::sqrt(0.5), -std::sqrt(0.5), 0}},
        {"component lost to scaling keeps its sign", {1e300, 1e300, -1e-300}, {std::sqrt(0.5), std::sqrt(0.5), -0.0}},
        {"squares subnormal", subnormalSquares, formula(subnormalSquares, 0x1p+600)},
        {"infinity dominates", {kInf, 1, 0}, {1, 0, 0}},
        {"negative infinity", {-1, -kInf, 2}, {-0.0, -1, 0}},
        {"two infinities", {kInf, kInf, 0}, {0, 0, 0}},
        {"zero", {-0.0, -0.0, 0}, {-0.0, -0.0, 0}, false},
        {"NaN", {kNaN, 1, 0}, {kNaN, 1, 0}, false},
        {"every square underflows", {1e-200, 0, 5e-324}, {1e-200, 0, 5e-324}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TesVector v = row.input;
        EXPECT_EQ(v.normalize(), row.normalized);
        expectSameBits(v, row.expected);
        expectSameBits(row.input.normalized(), row.expected);
    }
}

TEST(TesVector, CrossAndDotOfGeneralVectors) {
    EXPECT_EQ(cross({1, 2, 3}, {-4, 5, 0.5}), TesVector(-14, -12.5, 13));
    EXPECT_EQ(dot({1, 2, 3}, {-4, 5, 0.5}), 7.5);
    EXPECT_EQ(2.0 * TesVector(1, 2, 3) + TesVector(1, 1, -1), TesVector(3, 5, 5));
}

}  // namespace
