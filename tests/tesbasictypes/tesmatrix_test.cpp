#include "tesmatrix.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <numbers>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using RowMajor4d = Eigen::Matrix<double, 4, 4, Eigen::RowMajor>;

void PrintTo(const TesMatrix& m, std::ostream* out) { *out << "\n" << m.printText(); }
void PrintTo(const TesVector& v, std::ostream* out) { *out << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;

RowMajor4d toEigen(const TesMatrix& m) { return Eigen::Map<const RowMajor4d>(m.data()); }

double maxDifference(const TesMatrix& a, const RowMajor4d& b) { return (toEigen(a) - b).cwiseAbs().maxCoeff(); }

void expectNear(const TesVector& actual, const TesVector& expected, double tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TesVector randomDirection(std::mt19937_64& random) {
    std::normal_distribution<double> normal;
    return TesVector{normal(random), normal(random), normal(random)}.normalized();
}

double randomAngle(std::mt19937_64& random) { return std::uniform_real_distribution<double>(-kPi, kPi)(random); }

TesMatrix randomRigid(std::mt19937_64& random, double translationScale) {
    std::uniform_real_distribution<double> offset(-translationScale, translationScale);
    TesMatrix m = TesMatrix::rotation(randomDirection(random), randomAngle(random));
    m.setTranslation({offset(random), offset(random), offset(random)});
    return m;
}

std::string readAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
    return text;
}

}  // namespace

TEST(TesMatrix, BuildsFromValuesColumnsAndRows) {
    const double values[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const TesMatrix m = TesMatrix::fromValues(values);
    EXPECT_EQ(m(1, 2), 7);
    EXPECT_EQ(m[14], 15);
    EXPECT_EQ(m, TesMatrix(values));
    EXPECT_EQ(TesMatrix::fromValues(nullptr), TesMatrix::identity());
    EXPECT_EQ(TesMatrix(), TesMatrix::identity());

    const TesVector x{1, 2, 3}, y{4, 5, 6}, z{7, 8, 9}, origin{10, 11, 12};
    EXPECT_EQ(TesMatrix::fromColumns(x, y, z, origin), TesMatrix({1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12, 0, 0, 0, 1}));
    EXPECT_EQ(TesMatrix::fromRows(x, y, z), TesMatrix({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1}));
    EXPECT_EQ(TesMatrix::translationMatrix(origin), TesMatrix({1, 0, 0, 10, 0, 1, 0, 11, 0, 0, 1, 12, 0, 0, 0, 1}));
}

TEST(TesMatrix, ReadsColumnsTranslationAndRotationPart) {
    TesMatrix m({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_EQ(m.column(0), TesVector(1, 5, 9));
    EXPECT_EQ(m.column(3), TesVector(4, 8, 12));
    EXPECT_EQ(m.column(4), TesVector::zero());
    EXPECT_EQ(m.column(-1), TesVector::zero());
    EXPECT_EQ(m.translation(), TesVector(4, 8, 12));
    EXPECT_EQ(m.rotationPart(), TesMatrix({1, 2, 3, 0, 5, 6, 7, 0, 9, 10, 11, 0, 0, 0, 0, 1}));

    m.setTranslation({-1, -2, -3});
    EXPECT_EQ(m, TesMatrix({1, 2, 3, -1, 5, 6, 7, -2, 9, 10, 11, -3, 13, 14, 15, 16}));
}

TEST(TesMatrix, ProductAppliesTheRightFactorFirst) {
    const TesMatrix rotate = TesMatrix::rotation({0, 0, 1}, kPi / 2);
    const TesMatrix shift = TesMatrix::translationMatrix({10, 20, 30});
    const TesVector p{1, 2, 3};
    expectNear((shift * rotate) * p, rotate * p + TesVector(10, 20, 30), 1e-14);
    expectNear((shift * rotate) * p, {8, 21, 33}, 1e-14);
    expectNear((rotate * shift) * p, {-22, 11, 33}, 1e-14);

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> value(-10.0, 10.0);
    for (int i = 0; i < 200; ++i) {
        double a[16], b[16];
        for (double& v : a) v = value(random);
        for (double& v : b) v = value(random);
        const TesMatrix product = TesMatrix(a) * TesMatrix(b);
        EXPECT_LT(maxDifference(product, Eigen::Map<RowMajor4d>(a) * Eigen::Map<RowMajor4d>(b)), 1e-12);
    }
}

TEST(TesMatrix, RotationIsRightHandedAndComposes) {
    expectNear(TesMatrix::rotation({0, 0, 2}, kPi / 2) * TesVector(1, 0, 0), {0, 1, 0}, 1e-15);
    expectNear(TesMatrix::rotation({1, 0, 0}, kPi / 2) * TesVector(0, 1, 0), {0, 0, 1}, 1e-15);
    expectNear(TesMatrix::rotation({0, -3, 0}, kPi / 2) * TesVector(1, 0, 0), {0, 0, 1}, 1e-15);

    std::mt19937_64 random(11);
    for (int i = 0; i < 200; ++i) {
        const TesVector axis = randomDirection(random);
        const double a = randomAngle(random), b = randomAngle(random);
        const TesMatrix composed = TesMatrix::rotation(axis, a) * TesMatrix::rotation(axis, b);
        EXPECT_LT(maxDifference(composed, toEigen(TesMatrix::rotation(axis, a + b))), 1e-14);

        // The oracle gets the axis as TesVector::normalize makes it: that
        // formula loses precision on small components, Rodrigues' does not.
        const TesVector n = (axis * 3.5).normalized();
        RowMajor4d expected = RowMajor4d::Identity();
        expected.topLeftCorner<3, 3>() = Eigen::AngleAxisd(a, Eigen::Vector3d(n.x, n.y, n.z)).matrix();
        EXPECT_LT(maxDifference(TesMatrix::rotation(axis * 3.5, a), expected), 1e-15);
    }
}

TEST(TesMatrix, RotationNormalisesItsAxisComponentwise) {
    // The axis (1e-9, 1, 0) normalises to exactly (0, 1, 0).
    EXPECT_EQ(TesMatrix::rotation({1e-9, 1, 0}, 0.3), TesMatrix::rotation({0, 1, 0}, 0.3));
    // A zero axis cannot be normalised: only cos(angle) stays on the diagonal.
    EXPECT_EQ(TesMatrix::rotation({0, 0, 0}, 0.0), TesMatrix::identity());
    EXPECT_EQ(TesMatrix::rotation({0, 0, 0}, kPi), TesMatrix({-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}));
}

TEST(TesMatrix, TransformPointDividesByWOnlyWhenItIsNotOne) {
    struct Case {
        double bottomRow[4];
        TesVector expected;
    };
    const TesVector p{2, 4, 6};
    const double slightlyAboveOne = std::nextafter(1.0, 2.0);
    const Case cases[] = {
        {{0, 0, 0, 1}, {2, 4, 6}},
        {{0, 0, 0, 2}, {1, 2, 3}},
        {{0.5, 0, 0, 0}, {2, 4, 6}},
        {{0, 0, 0, -1}, {-2, -4, -6}},
        {{0, 0, 0, slightlyAboveOne}, {2 / slightlyAboveOne, 4 / slightlyAboveOne, 6 / slightlyAboveOne}},
    };
    for (const Case& c : cases) {
        TesMatrix m;
        for (int column = 0; column < 4; ++column) m(3, column) = c.bottomRow[column];
        EXPECT_EQ(m * p, c.expected);
    }

    TesMatrix atInfinity;
    atInfinity[15] = 0.0;
    const TesVector far = atInfinity * p;
    EXPECT_TRUE(std::isinf(far.x) && std::isinf(far.y) && std::isinf(far.z));
    TesMatrix undefined;
    undefined[15] = kNaN;
    EXPECT_TRUE(std::isnan((undefined * p).x));
}

TEST(TesMatrix, InverseOfRigidTransformsMatchesEigen) {
    struct Case {
        double translationScale;
        double tolerance;
    };
    // Elimination carries the translation through every row, so the error
    // grows with it: within 1e-12 up to 10^3, about 2.5e-15 × translation beyond.
    const Case cases[] = {
        {0.0, 1e-15}, {1.0, 1e-15}, {1e2, 1e-13}, {1e3, 1e-12}, {1e4, 2.5e-11}, {1e5, 2.5e-10},
    };
    std::mt19937_64 random(1234);
    for (const Case& c : cases) {
        double worstInverse = 0.0, worstResidual = 0.0;
        for (int i = 0; i < 2000; ++i) {
            const TesMatrix m = randomRigid(random, c.translationScale);
            TesMatrix inverted;
            ASSERT_TRUE(m.inverse(inverted));
            worstInverse = std::max(worstInverse, maxDifference(inverted, toEigen(m).inverse()));
            worstResidual = std::max(worstResidual, maxDifference(m * inverted, RowMajor4d::Identity()));
        }
        EXPECT_LE(worstInverse, c.tolerance) << "translations up to " << c.translationScale;
        EXPECT_LE(worstResidual, c.tolerance) << "translations up to " << c.translationScale;
    }
}

TEST(TesMatrix, InverseOfGeneralMatricesMatchesEigen) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> value(-5.0, 5.0);
    int compared = 0;
    for (int i = 0; i < 2000; ++i) {
        double a[16];
        for (double& v : a) v = value(random);
        // Zeros on the diagonal force row exchanges.
        if (i % 2 == 0) a[0] = a[5] = a[10] = a[15] = 0.0;
        const RowMajor4d expected = Eigen::Map<RowMajor4d>(a).inverse();
        if (expected.cwiseAbs().maxCoeff() > 100.0) continue;  // ill-conditioned: no sharp oracle
        TesMatrix inverted;
        ASSERT_TRUE(TesMatrix(a).inverse(inverted));
        EXPECT_LT(maxDifference(inverted, expected), 1e-11);
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}

TEST(TesMatrix, InversePivotsOnTheLargestMagnitude) {
    EXPECT_EQ(TesMatrix::translationMatrix({1, 2, 3}).inverse(), TesMatrix::translationMatrix({-1, -2, -3}));

    const TesMatrix permutation({0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0});
    EXPECT_EQ(permutation.inverse(), TesMatrix({0, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0}));

    // Without the row exchange the tiny leading pivot would wipe out the 1s.
    const TesMatrix nearlySingularLead({1e-20, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    const TesMatrix inverted = nearlySingularLead.inverse();
    const RowMajor4d expected = toEigen(nearlySingularLead).inverse();
    EXPECT_LT(maxDifference(inverted, expected), 1e-15);
    EXPECT_NEAR(inverted(0, 0), -1.0, 1e-15);
}

TEST(TesMatrix, SingularMatricesAreNotInverted) {
    const TesMatrix sentinel({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    std::vector<TesMatrix> singular;
    for (int column = 0; column < 4; ++column) {
        TesMatrix m({1, 2, 3, 4, 0, 5, 6, 7, 0, 0, 8, 9, 0, 0, 0, 10});
        for (int row = 0; row < 4; ++row) m(row, column) = 0.0;
        singular.push_back(m);
    }
    singular.push_back(TesMatrix({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Row 3 = row 0 + row 1, with pivots that keep the elimination exact.
    singular.push_back(TesMatrix({2, 1, 0, 0, 0, 4, 1, 0, 0, 0, 1, 2, 2, 5, 1, 0}));
    singular.push_back(TesMatrix({kNaN, 1, 0, 0, kNaN, 1, 1, 0, kNaN, 0, 1, 0, kNaN, 0, 0, 1}));
    for (const TesMatrix& m : singular) {
        TesMatrix result = sentinel;
        EXPECT_FALSE(m.inverse(result)) << m.printText();
        EXPECT_EQ(result, sentinel);
        EXPECT_EQ(m.inverse(), TesMatrix::identity());
    }
}

TEST(TesMatrix, PrintWritesFourRowsAndAnEmptyLine) {
    EXPECT_EQ(TesMatrix().printText(),
              "(    1.000000     0.000000     0.000000     0.000000\n"
              "(    0.000000     1.000000     0.000000     0.000000\n"
              "(    0.000000     0.000000     1.000000     0.000000\n"
              "(    0.000000     0.000000     0.000000     1.000000\n"
              "\n");
    const TesMatrix m({-0.5, 1234567.1234567, -0.0000004, 1e-7, 3, -2, 1, 0, 0, 0, 1e15, 0, 0, 0, 0, -1});
    const std::string expected =
        "(   -0.500000 1234567.123457    -0.000000     0.000000\n"
        "(    3.000000    -2.000000     1.000000     0.000000\n"
        "(    0.000000     0.000000 1000000000000000.000000     0.000000\n"
        "(    0.000000     0.000000     0.000000    -1.000000\n"
        "\n";
    EXPECT_EQ(m.printText(), expected);

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    m.print(file);
    EXPECT_EQ(readAll(file), expected);
    std::fclose(file);
    m.print(nullptr);
}

TEST(TesMatrix, TextRoundTripsEveryBit) {
    const TesMatrix m({1, -0.0, 0.1, 1e300, 5e-324, -2.2250738585072014e-308, 1.0 / 3, std::numeric_limits<double>::max(),
                       std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 42, -7.25, 0,
                       0, 0, 1});
    EXPECT_EQ(TesMatrix::translationMatrix({1, 2.5, -3}).toText(), "1 0 0 1 0 1 0 2.5 0 0 1 -3 0 0 0 1");

    TesMatrix read;
    ASSERT_TRUE(read.fromText(m.toText()));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(std::bit_cast<uint64_t>(read[i]), std::bit_cast<uint64_t>(m[i])) << i;

    TesMatrix withNaN;
    withNaN[6] = kNaN;
    ASSERT_TRUE(read.fromText(withNaN.toText()));
    EXPECT_TRUE(std::isnan(read[6]));
    ASSERT_TRUE(read.fromText("\n 1 2 3 4\t5 6 7 8\n9 10 11 12\r\n13 14 15 16 \n"));
    EXPECT_EQ(read, TesMatrix({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST(TesMatrix, FromTextRejectsMalformedText) {
    const char* const malformed[] = {
        "",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 x",
        "1,2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16x",
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 1e999",
    };
    const TesMatrix original = TesMatrix::translationMatrix({4, 5, 6});
    for (const char* text : malformed) {
        TesMatrix m = original;
        EXPECT_FALSE(m.fromText(text)) << '"' << text << '"';
        EXPECT_EQ(m, original);
    }
}
