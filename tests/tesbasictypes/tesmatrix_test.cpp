#include "tesmatrix.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <ostream>
#include <random>
#include <string>

using RowMajor4d = Eigen::Matrix<double, 4, 4, Eigen::RowMajor>;

void PrintTo(const TesMatrix& m, std::ostream* out) { *out << "\n" << m.printText(); }
void PrintTo(const TesVector& v, std::ostream* out) { *out << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;
const TesMatrix kCounting({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});

RowMajor4d toEigen(const TesMatrix& m) { return Eigen::Map<const RowMajor4d>(m.data()); }

double maxDifference(const TesMatrix& a, const RowMajor4d& b) { return (toEigen(a) - b).cwiseAbs().maxCoeff(); }

void expectNear(const TesVector& actual, const TesVector& expected) {
    EXPECT_LT((actual - expected).squaredLength(), 1e-28) << actual.x << " " << actual.y << " " << actual.z;
}

TEST(TesMatrix, BuildsAndTakesApartRowByRow) {
    EXPECT_EQ(TesMatrix::fromValues(kCounting.data())(1, 2), 7);
    EXPECT_EQ(TesMatrix::fromValues(nullptr), TesMatrix::identity());
    const TesVector x{1, 2, 3}, y{4, 5, 6}, z{7, 8, 9}, origin{10, 11, 12};
    EXPECT_EQ(TesMatrix::fromColumns(x, y, z, origin), TesMatrix({1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12, 0, 0, 0, 1}));
    EXPECT_EQ(TesMatrix::fromRows(x, y, z), TesMatrix({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1}));

    EXPECT_EQ(kCounting.column(0), TesVector(1, 5, 9));
    EXPECT_EQ(kCounting.translation(), TesVector(4, 8, 12));
    EXPECT_EQ(kCounting.column(4), TesVector::zero());
    EXPECT_EQ(kCounting.column(-1), TesVector::zero());
    EXPECT_EQ(kCounting.rotationPart(), TesMatrix({1, 2, 3, 0, 5, 6, 7, 0, 9, 10, 11, 0, 0, 0, 0, 1}));
}

TEST(TesMatrix, ProductAppliesTheRightFactorFirst) {
    const TesMatrix rotate = TesMatrix::rotation({0, 0, 1}, kPi / 2);
    const TesMatrix shift = TesMatrix::translationMatrix({10, 20, 30});
    expectNear((shift * rotate) * TesVector(1, 2, 3), {8, 21, 33});
    expectNear((rotate * shift) * TesVector(1, 2, 3), {-22, 11, 33});
    EXPECT_EQ(kCounting * kCounting,
              TesMatrix({90, 100, 110, 120, 202, 228, 254, 280, 314, 356, 398, 440, 426, 484, 542, 600}));
}

TEST(TesMatrix, RotationIsRightHandedAboutTheNormalisedAxis) {
    expectNear(TesMatrix::rotation({0, 0, 2}, kPi / 2) * TesVector(1, 0, 0), {0, 1, 0});
    expectNear(TesMatrix::rotation({0, -3, 0}, kPi / 2) * TesVector(1, 0, 0), {0, 0, 1});
    // The axis is normalised componentwise: (1e-9, 1, 0) becomes exactly (0, 1, 0).
    EXPECT_EQ(TesMatrix::rotation({1e-9, 1, 0}, 0.3), TesMatrix::rotation({0, 1, 0}, 0.3));
    // A zero axis stays zero: only cos(angle) is left on the diagonal.
    EXPECT_EQ(TesMatrix::rotation({0, 0, 0}, kPi), TesMatrix({-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}));

    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> angle(-kPi, kPi);
    for (int i = 0; i < 200; ++i) {
        const TesVector axis{normal(random), normal(random), normal(random)};
        const double a = angle(random);
        // The oracle gets the axis as normalize makes it, which differs from v / |v| in the last bits.
        const TesVector n = axis.normalized();
        RowMajor4d expected = RowMajor4d::Identity();
        expected.topLeftCorner<3, 3>() = Eigen::AngleAxisd(a, Eigen::Vector3d(n.x, n.y, n.z)).matrix();
        EXPECT_LT(maxDifference(TesMatrix::rotation(axis, a), expected), 1e-15);
    }
}

TEST(TesMatrix, TransformPointDividesByWOnlyWhenItIsNotExactlyOne) {
    const double aboveOne = std::nextafter(1.0, 2.0);
    struct Row {
        const char* name;
        double bottomRow[4];
        TesVector expected;
    };
    const Row rows[] = {
        {"w computed from x is 1", {0.5, 0, 0, 0}, {2, 4, 6}},
        {"w just above 1", {0, 0, 0, aboveOne}, {2 / aboveOne, 4 / aboveOne, 6 / aboveOne}},
        {"w = 0", {0, 0, 0, 0}, {INFINITY, INFINITY, INFINITY}},
    };
    for (const Row& row : rows) {
        TesMatrix m;
        for (int column = 0; column < 4; ++column) m(3, column) = row.bottomRow[column];
        EXPECT_EQ(m * TesVector(2, 4, 6), row.expected) << row.name;
    }
    TesMatrix undefined;
    undefined[15] = kNaN;
    EXPECT_TRUE(std::isnan((undefined * TesVector(2, 4, 6)).x));
}

TEST(TesMatrix, InverseOfGeneralMatricesMatchesEigen) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> value(-5, 5);
    int compared = 0;
    for (int i = 0; i < 600; ++i) {
        TesMatrix m;
        for (int k = 0; k < 16; ++k) m[k] = value(random);
        if (i % 2 == 0) m[0] = m[5] = m[10] = m[15] = 0.0;  // forces row exchanges
        const RowMajor4d expected = toEigen(m).inverse();
        if (expected.cwiseAbs().maxCoeff() > 100.0) continue;  // ill-conditioned: no sharp oracle
        TesMatrix inverted;
        ASSERT_TRUE(m.inverse(inverted));
        EXPECT_LT(maxDifference(inverted, expected), 1e-11);
        ++compared;
    }
    EXPECT_GT(compared, 300);
}

TEST(TesMatrix, InversePivotsOnTheLargestMagnitude) {
    const TesMatrix permutation({0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0});
    EXPECT_EQ(permutation.inverse(), TesMatrix({0, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0}));
    // Without the row exchange the tiny leading pivot would wipe out the 1s.
    const TesMatrix tinyLead({1e-20, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_NEAR(tinyLead.inverse()(0, 0), -1.0, 1e-15);
}

TEST(TesMatrix, SingularMatricesAreNotInverted) {
    // A zero last column, then row 3 = row 0 + row 1 with pivots that keep the elimination exact, then NaN.
    for (const TesMatrix& m : {TesMatrix({1, 2, 3, 0, 0, 5, 6, 0, 0, 0, 8, 0, 0, 0, 0, 0}),
                               TesMatrix({2, 1, 0, 0, 0, 4, 1, 0, 0, 0, 1, 2, 2, 5, 1, 0}),
                               TesMatrix({kNaN, 1, 0, 0, kNaN, 1, 1, 0, kNaN, 0, 1, 0, kNaN, 0, 0, 1})}) {
        TesMatrix result = kCounting;
        EXPECT_FALSE(m.inverse(result)) << m.printText();
        EXPECT_EQ(result, kCounting) << "left unchanged";
        EXPECT_EQ(m.inverse(), TesMatrix::identity());
    }
}

TEST(TesMatrix, PrintWritesFourFixedWidthRowsAndAnEmptyLine) {
    const TesMatrix m({-0.5, 1234567.1234567, -0.0000004, 1e-7, 3, -2, 1, 0, 0, 0, 1e15, 0, 0, 0, 0, -1});
    const std::string expected =
        "(   -0.500000 1234567.123457    -0.000000     0.000000\n"
        "(    3.000000    -2.000000     1.000000     0.000000\n"
        "(    0.000000     0.000000 1000000000000000.000000     0.000000\n"
        "(    0.000000     0.000000     0.000000    -1.000000\n"
        "\n";
    EXPECT_EQ(m.printText(), expected);
    m.print(nullptr);  // nothing for null
}

TEST(TesMatrix, TextRoundTripsEveryBit) {
    const TesMatrix m({1, -0.0, 0.1, 1e300, 5e-324, -2.2250738585072014e-308, 1.0 / 3, 1.7976931348623157e308,
                       INFINITY, -INFINITY, kNaN, -7.25, 0, 0, 0, 1});
    EXPECT_EQ(TesMatrix::translationMatrix({1, 2.5, -3}).toText(), "1 0 0 1 0 1 0 2.5 0 0 1 -3 0 0 0 1");
    TesMatrix read;
    ASSERT_TRUE(read.fromText(m.toText()));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(std::bit_cast<uint64_t>(read[i]), std::bit_cast<uint64_t>(m[i])) << i;
    ASSERT_TRUE(read.fromText("\n 1 2 3 4\t5 6 7 8\n9 10 11 12\r\n13 14 15 16 \n"));
    EXPECT_EQ(read, kCounting);
}

TEST(TesMatrix, FromTextRejectsMalformedTextLeavingTheMatrix) {
    for (const char* text : {"", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
                             "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 x", "1,2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
                             "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16x", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 1e999"}) {
        TesMatrix m = kCounting;
        EXPECT_FALSE(m.fromText(text)) << '"' << text << '"';
        EXPECT_EQ(m, kCounting);
    }
}

}  // namespace
