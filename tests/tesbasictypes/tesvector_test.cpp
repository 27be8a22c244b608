#include "tesvector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kShrink = 0x1p-600;
constexpr double kGrow = 0x1p+600;

// The normalising formula written out plainly: each component is its sign
// times √max(0, 1 − share of the other two).
TesVector formulaNormalized(const TesVector& v) {
    const double s = v.x * v.x + v.y * v.y + v.z * v.z;
    const auto component = [s](double own, double a, double b) {
        const double sign = own >= 0.0 ? 1.0 : -1.0;
        return sign * std::sqrt(std::max(0.0, 1.0 - (a * a + b * b) / s));
    };
    return {component(v.x, v.y, v.z), component(v.y, v.x, v.z), component(v.z, v.x, v.y)};
}

bool sameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

void expectSameBits(const TesVector& actual, const TesVector& expected, const TesVector& input) {
    EXPECT_TRUE(sameBits(actual.x, expected.x) && sameBits(actual.y, expected.y) && sameBits(actual.z, expected.z))
        << "input (" << input.x << ", " << input.y << ", " << input.z << ") gave (" << actual.x << ", " << actual.y
        << ", " << actual.z << "), expected (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

TesVector normalizedOrFail(TesVector v) {
    EXPECT_TRUE(v.normalize());
    return v;
}

}  // namespace

TEST(TesVector, NormalizeGivesTheFormulaBitForBit) {
    struct Case {
        TesVector input;
        TesVector expected;
    };
    const Case cases[] = {
        {{3, 4, 0}, {0.6, 0.8, 0}},
        {{-2, 0, 0}, {-1, 0, 0}},
        {{0, 0, 5}, {0, 0, 1}},
        // The share of 1e-18 rounds away: x' is exactly 0, not 1e-9.
        {{1e-9, 1, 0}, {0, 1, 0}},
        {{1, -1e-9, 1e-9}, {1, -0.0, 0}},
        // sgn(−0) is +1.
        {{-0.0, 2, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) expectSameBits(normalizedOrFail(c.input), c.expected, c.input);
}

TEST(TesVector, NormalizeMatchesTheFormulaOnRandomVectors) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-60, 60);
    for (int i = 0; i < 20000; ++i) {
        const TesVector v{std::ldexp(unit(random), exponent(random)), std::ldexp(unit(random), exponent(random)),
                          std::ldexp(unit(random), exponent(random))};
        const TesVector n = normalizedOrFail(v);
        expectSameBits(n, formulaNormalized(v), v);
        EXPECT_NEAR(n.length(), 1.0, 1e-15);
    }
}

TEST(TesVector, NormalizeRejectsVectorsWithoutLength) {
    const TesVector cases[] = {
        {0, 0, 0}, {-0.0, -0.0, -0.0}, {kNaN, 1, 0}, {1, 2, kNaN}, {1e-200, 0, 0}, {0, 5e-324, 0}, {-1e-170, 1e-180, 0},
    };
    for (const TesVector& input : cases) {
        TesVector v = input;
        EXPECT_FALSE(v.normalize());
        expectSameBits(v, input, input);
        expectSameBits(input.normalized(), input, input);
    }
}

TEST(TesVector, NormalizeKeepsTheFormulaWhenSquaresLeaveTheRange) {
    // Squares that overflow or sum to a subnormal are brought back by a power
    // of two, which leaves every share, and so the result, as it would be.
    struct Case {
        TesVector input;
        double factor;
    };
    const Case cases[] = {
        {{1e200, 1e200, 0}, kShrink},
        {{-1e300, 3e299, 1e-300}, kShrink},
        {{1.7e308, -1.7e308, 1.7e308}, kShrink},
        {{1e-160, 1e-160, 0}, kGrow},
        {{3e-162, -4e-162, 0}, kGrow},
        {{0, 1e-161, 0}, kGrow},
    };
    for (const Case& c : cases) {
        const TesVector n = normalizedOrFail(c.input);
        expectSameBits(n, formulaNormalized(c.input * c.factor), c.input);
        EXPECT_NEAR(n.length(), 1.0, 1e-15);
    }
    // A component lost to the scaling keeps its own sign.
    EXPECT_TRUE(std::signbit(normalizedOrFail({1e300, 1e300, -1e-300}).z));
}

TEST(TesVector, NormalizeTreatsInfiniteComponentsAsDominant) {
    struct Case {
        TesVector input;
        TesVector expected;
    };
    const Case cases[] = {
        {{kInf, 1, 0}, {1, 0, 0}},
        {{-1, -kInf, 2}, {-0.0, -1, 0}},
        {{kInf, kInf, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) expectSameBits(normalizedOrFail(c.input), c.expected, c.input);
}

TEST(TesVector, NormalizedCopyLeavesTheSourceAlone) {
    const TesVector source{0, 3, -4};
    const TesVector copy = source.normalized();
    EXPECT_EQ(source, TesVector(0, 3, -4));
    EXPECT_EQ(copy, TesVector(0, 0.6, -0.8));
}

TEST(TesVector, ArithmeticIsRightHanded) {
    const TesVector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    EXPECT_EQ(cross(x, y), z);
    EXPECT_EQ(cross(y, z), x);
    EXPECT_EQ(cross(z, x), y);
    EXPECT_EQ(cross(y, x), -z);
    const TesVector a{1, 2, 3}, b{-4, 5, 0.5};
    EXPECT_EQ(dot(a, cross(a, b)), 0.0);
    EXPECT_EQ(dot(a, b), 7.5);
    EXPECT_EQ(a - b + b, a);
    EXPECT_EQ(2.0 * a, TesVector(2, 4, 6));
    EXPECT_EQ(a.squaredLength(), 14.0);
    EXPECT_EQ(TesVector::zero(), TesVector());
}
