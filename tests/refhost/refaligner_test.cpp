#include "computation/refaligner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace {

const TesMatrix kMotion = TesMatrix::translationMatrix({4, -2, 7}) * TesMatrix::rotation({1, 2, 3}, 0.8);

struct Pairs {
    std::vector<double> fixed, floating;  // 3 and 6 doubles per entry, one spare entry
};

TesVector get(const double* at) { return {at[0], at[1], at[2]}; }

// Floating points at random, fixed = kMotion of them plus noise; `mirror`
// reflects the fixed set so that no rotation fits it.
Pairs makePairs(int count, double noise, bool mirror) {
    std::mt19937 random(71);
    std::uniform_real_distribution<double> coordinate(-5, 5), jitter(-noise, noise);
    Pairs pairs{std::vector<double>(3 * (count + 1)), std::vector<double>(6 * (count + 1))};
    for (int i = 0; i < count; ++i) {
        const TesVector q{coordinate(random), coordinate(random), coordinate(random)}, p = kMotion * q;
        std::copy_n(&q.x, 3, &pairs.floating[6 * i]);
        const double fixed[] = {(mirror ? -p.x : p.x) + jitter(random), p.y + jitter(random), p.z + jitter(random)};
        std::copy_n(fixed, 3, &pairs.fixed[3 * i]);
    }
    return pairs;
}

double rmsOf(const TesMatrix& m, const Pairs& p, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += (m * get(&p.floating[6 * i]) - get(&p.fixed[3 * i])).squaredLength();
    return std::sqrt(sum / count);
}

// Exact pairs give the motion back; every fit is no worse than the true motion;
// a mirrored set still gets a rotation (det +1), never a reflection.
TEST(RefAligner, RecoversKnownMotion) {
    const std::tuple<const char*, int, double, bool> rows[] = {
        {"3 exact", 3, 0, false},   {"4 exact", 4, 0, false},   {"9 exact", 9, 0, false},
        {"9 noisy", 9, 0.05, false}, {"5 noisy", 5, 0.2, false}, {"6 mirrored", 6, 0, true}};
    for (const auto& [name, count, noise, mirror] : rows) {
        SCOPED_TRACE(name);
        const Pairs pairs = makePairs(count, noise, mirror);
        IPtr<RefAligner> aligner(new RefAligner);
        TesMatrix r;
        ASSERT_TRUE(aligner->align(count, pairs.fixed.data(), pairs.floating.data(), &r));
        EXPECT_NEAR(dot(r.column(0), cross(r.column(1), r.column(2))), 1.0, 1e-12);
        ASSERT_EQ(aligner->residuals().size(), static_cast<size_t>(count));
        EXPECT_NEAR(aligner->rms(), rmsOf(r, pairs, count), 1e-12);
        EXPECT_LE(aligner->rms(), rmsOf(kMotion, pairs, count) + 1e-12);
        for (int i = 0; i < 16 && noise == 0 && !mirror; ++i) EXPECT_NEAR(r[i], kMotion[i], 1e-9) << i;
    }
}

// Fixed points against floating (0, 0, 0), (1, 0, 0), (0, 1, 0), (0, 0, 1);
// a refusal leaves the result and the last fit's residuals as they were.
TEST(RefAligner, RefusesDegenerateSets) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // name, pairs, fixed points, the input's parameter
    const std::tuple<const char*, int, std::vector<double>, double> rows[] = {
        {"no pairs", 0, {}, 1e308},
        {"two pairs", 2, {0, 0, 0, 1, 0, 0}, 1e308},
        {"collinear", 4, {0, 0, 0, 1, 1, 1, 2, 2, 2, -3, -3, -3}, 1e308},
        {"nearly collinear", 3, {0, 0, 0, 1, 0, 0, 2, 1e-12, 0}, 1e308},
        {"coincident", 4, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}, 1e308},
        {"not a number", 4, {0, 0, 0, 1, 0, 0, 0, nan, 0, 0, 0, 1}, 1e308},
        {"beyond the input's limit", 4, {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1}, 0.01},
    };
    std::vector<double> floating(30, 0.0);
    floating[6] = floating[13] = floating[20] = 1;
    IPtr<RefAligner> aligner(new RefAligner);
    const Pairs exact = makePairs(4, 0, false);
    TesMatrix result;
    ASSERT_TRUE(aligner->align(4, exact.fixed.data(), exact.floating.data(), &result));
    const std::vector<double> residuals = aligner->residuals();
    for (const auto& [name, count, points, limit] : rows) {
        SCOPED_TRACE(name);
        IPtr<RefAlignerInput> input(new RefAlignerInput);
        input->setParameter(limit);
        aligner->setInput(input.get());
        std::vector<double> fixed = points;
        fixed.resize(fixed.size() + 3);
        TesMatrix untouched = TesMatrix::translationMatrix({1, 2, 3});
        EXPECT_FALSE(aligner->align(count, fixed.data(), floating.data(), &untouched));
        EXPECT_EQ(untouched, TesMatrix::translationMatrix({1, 2, 3}));
        EXPECT_EQ(aligner->residuals(), residuals);
    }
}

}  // namespace
