#include "computation/refnormals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Each row: points, and the normal expected at a point (unit, oriented).
TEST(RefNormals, PlaneAndSphereNormalsPointOneWay) {
    struct Row {
        const char* name;
        std::vector<double> xyz;
        TesVector (*expected)(const TesVector&);
    };
    std::vector<double> plane, sphere;
    for (int i = 0; i < 400; ++i) {
        // a tilted plane through z = 0.3 x, and a Fibonacci sphere of radius 2 about (5, 0, 0)
        const double x = i % 20, y = i / 20;
        plane.insert(plane.end(), {x, y, 0.3 * x});
        const double z = 1 - (2 * i + 1) / 400.0, r = std::sqrt(1 - z * z), a = 2.399963229728653 * i;
        sphere.insert(sphere.end(), {5 + 2 * r * std::cos(a), 2 * r * std::sin(a), 2 * z});
    }
    const Row rows[] = {
        {"tilted plane", plane, [](const TesVector&) { return TesVector{-0.3, 0, 1}.normalized() * -1.0; }},
        {"sphere, outwards", sphere, [](const TesVector& p) { return (p - TesVector{5, 0, 0}).normalized(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<double> normals;
        ASSERT_TRUE(refEstimateNormals(row.xyz.data(), row.xyz.size() / 3, kRefNormalNeighbours, true, normals));
        for (size_t i = 0; i < row.xyz.size() / 3; ++i) {
            const TesVector n{normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]};
            ASSERT_GT(dot(n, row.expected({row.xyz[3 * i], row.xyz[3 * i + 1], row.xyz[3 * i + 2]})), 0.98) << i;
        }
    }
    std::vector<double> normals;
    EXPECT_FALSE(refEstimateNormals(plane.data(), 2, kRefNormalNeighbours, true, normals));
    plane[7] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(refEstimateNormals(plane.data(), 400, kRefNormalNeighbours, true, normals));
}

}  // namespace
