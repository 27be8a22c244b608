#include "computation/refnormals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace {

// The plane z = 0.3 x turns to +x from its seed; a Fibonacci sphere of radius
// 2 about (5, 0, 0) outwards.
TEST(RefNormals, PlaneAndSphereNormalsPointOneWay) {
    std::vector<double> plane, sphere;
    for (int i = 0; i < 400; ++i) {
        plane.insert(plane.end(), {i % 20 * 1.0, i / 20 * 1.0, 0.3 * (i % 20)});
        const double z = 1 - (2 * i + 1) / 400.0, r = std::sqrt(1 - z * z), a = 2.399963229728653 * i;
        sphere.insert(sphere.end(), {5 + 2 * r * std::cos(a), 2 * r * std::sin(a), 2 * z});
    }
    for (const std::vector<double>& xyz : {std::cref(plane), std::cref(sphere)}) {
        const bool flat = &xyz == &plane;
        SCOPED_TRACE(flat ? "plane" : "sphere");
        std::vector<double> normals;
        ASSERT_TRUE(refEstimateNormals(xyz.data(), xyz.size() / 3, kRefNormalNeighbours, true, normals));
        for (size_t i = 0; i < xyz.size(); i += 3) {
            const TesVector p{xyz[i], xyz[i + 1], xyz[i + 2]}, n{normals[i], normals[i + 1], normals[i + 2]};
            ASSERT_GT(dot(n, flat ? TesVector{0.3, 0, -1}.normalized() : (p - TesVector{5, 0, 0}) * 0.5), 0.98) << i;
        }
    }
    std::vector<double> normals;
    EXPECT_FALSE(refEstimateNormals(plane.data(), 2, kRefNormalNeighbours, true, normals));
    plane[7] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(refEstimateNormals(plane.data(), 400, kRefNormalNeighbours, true, normals));
}

}  // namespace
