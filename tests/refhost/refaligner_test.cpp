#include "computation/refaligner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

const TesMatrix kMotion = TesMatrix::translationMatrix({4, -2, 7}) * TesMatrix::rotation({1, 2, 3}, 0.8);

struct Pairs {
    std::vector<double> fixed, floating;  // 3 and 6 doubles per entry, one spare entry
};

void put(double* at, const TesVector& v) { at[0] = v.x, at[1] = v.y, at[2] = v.z; }
TesVector get(const double* at) { return {at[0], at[1], at[2]}; }

// Floating points at random, fixed = `motion` of them, plus noise; `mirror`
// reflects the fixed set so that no rotation fits it.
Pairs makePairs(int count, double noise, bool mirror = false) {
    std::mt19937 random(71);
    std::uniform_real_distribution<double> coordinate(-5, 5), jitter(-noise, noise);
    Pairs pairs{std::vector<double>(3 * (count + 1)), std::vector<double>(6 * (count + 1))};
    for (int i = 0; i < count; ++i) {
        const TesVector q{coordinate(random), coordinate(random), coordinate(random)};
        const TesVector p = kMotion * q;
        put(&pairs.floating[6 * i], q);
        put(&pairs.fixed[3 * i], {(mirror ? -p.x : p.x) + jitter(random), p.y + jitter(random), p.z + jitter(random)});
    }
    return pairs;
}

double rmsOf(const TesMatrix& motion, const Pairs& pairs, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += (motion * get(&pairs.floating[6 * i]) - get(&pairs.fixed[3 * i])).squaredLength();
    }
    return std::sqrt(sum / count);
}

double determinant(const TesMatrix& m) { return dot(m.column(0), cross(m.column(1), m.column(2))); }

// Exact pairs give the motion back; noisy ones a fit no worse than the true
// motion; a mirrored set still gets a rotation (det +1), never a reflection.
TEST(RefAligner, RecoversKnownMotion) {
    struct Row {
        const char* name;
        int count;
        double noise;
        bool mirror;
    };
    const Row rows[] = {{"3 exact", 3, 0, false},  {"4 exact", 4, 0, false},   {"6 exact", 6, 0, false},
                        {"9 exact", 9, 0, false},  {"9 noisy", 9, 0.05, false}, {"5 noisy", 5, 0.2, false},
                        {"6 mirrored", 6, 0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Pairs pairs = makePairs(row.count, row.noise, row.mirror);
        IPtr<RefAligner> aligner(new RefAligner);
        TesMatrix result;
        ASSERT_TRUE(aligner->align(row.count, pairs.fixed.data(), pairs.floating.data(), &result));
        EXPECT_NEAR(determinant(result), 1.0, 1e-12);
        ASSERT_EQ(aligner->residuals().size(), static_cast<size_t>(row.count));
        EXPECT_NEAR(aligner->rms(), rmsOf(result, pairs, row.count), 1e-12);
        if (row.mirror) continue;
        EXPECT_LE(aligner->rms(), rmsOf(kMotion, pairs, row.count) + 1e-12);
        if (row.noise > 0) continue;
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(result[i], kMotion[i], 1e-9) << i;
        EXPECT_LT(aligner->rms(), 1e-9);
    }
}

// Every refusal leaves the result and the last fit's residuals as they were.
TEST(RefAligner, RefusesDegenerateSets) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        int count;
        std::vector<double> fixed;  // x, y, z per pair
        double limit;               // the input's parameter
    };
    const std::vector<double> good{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const Row rows[] = {
        {"no pairs", 0, good, 1e308},
        {"two pairs", 2, good, 1e308},
        {"collinear", 4, {0, 0, 0, 1, 1, 1, 2, 2, 2, -3, -3, -3}, 1e308},
        {"nearly collinear", 3, {0, 0, 0, 1, 0, 0, 2, 1e-12, 0}, 1e308},
        {"coincident", 4, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}, 1e308},
        {"not a number", 4, {0, 0, 0, 1, 0, 0, 0, nan, 0, 0, 0, 1}, 1e308},
        {"beyond the input's limit", 4, {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1}, 0.01},
    };
    IPtr<RefAligner> aligner(new RefAligner);
    const Pairs exact = makePairs(4, 0);
    TesMatrix result;
    ASSERT_TRUE(aligner->align(4, exact.fixed.data(), exact.floating.data(), &result));
    const std::vector<double> residuals = aligner->residuals();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IPtr<RefAlignerInput> input(new RefAlignerInput);
        input->setParameter(row.limit);
        aligner->setInput(input.get());
        std::vector<double> fixed = row.fixed, floating(6 * (fixed.size() / 3 + 1), 0.0);
        fixed.resize(fixed.size() + 3);
        for (size_t i = 0; i + 3 < fixed.size(); i += 3) std::copy_n(&good[i % good.size()], 3, &floating[2 * i]);
        TesMatrix untouched = TesMatrix::translationMatrix({1, 2, 3});
        EXPECT_FALSE(aligner->align(row.count, fixed.data(), floating.data(), &untouched));
        EXPECT_EQ(untouched, TesMatrix::translationMatrix({1, 2, 3}));
        EXPECT_EQ(aligner->residuals(), residuals);
    }
}

}  // namespace
