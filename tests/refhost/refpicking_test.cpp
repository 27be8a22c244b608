#include "graphics/refpicking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "graphics/refinputevents.h"
#include "refhost.h"

namespace {

// A unit sphere of rings x segments quads, two triangles each.
RefMesh makeSphere(int rings, int segments) {
    RefMesh mesh;
    for (int ring = 0; ring <= rings; ++ring) {
        for (int segment = 0; segment < segments; ++segment) {
            const double polar = M_PI * ring / rings, azimuth = 2 * M_PI * segment / segments;
            mesh.vertices.insert(mesh.vertices.end(), {std::sin(polar) * std::cos(azimuth),
                                                       std::sin(polar) * std::sin(azimuth), std::cos(polar)});
            const int32_t a = ring * segments + segment, b = ring * segments + (segment + 1) % segments;
            if (ring < rings) {
                mesh.triangles.insert(mesh.triangles.end(), {a, a + segments, b, b, a + segments, b + segments});
            }
        }
    }
    mesh.triangleFaces.assign(mesh.triangles.size() / 3, 0);
    return mesh;
}

RefRenderCamera cameraAt(const TesVector& eye, const TesVector& target) {
    IPtr<RefCamera> camera(new RefCamera);
    camera->lookAt(eye, target - eye, {0, 1, 0});
    return {camera->orientation(), camera->projection()};
}

// Möller-Trumbore through every triangle: the first crossing.
RefPickHit bruteMesh(const RefMesh& mesh, const RefPickRay& ray) {
    RefPickHit best{false, {}, -1, std::numeric_limits<double>::infinity()};
    for (int32_t i = 0; i < mesh.triangleCount(); ++i) {
        const TesVector a = mesh.vertex(mesh.triangles[3 * i]), e1 = mesh.vertex(mesh.triangles[3 * i + 1]) - a,
                        e2 = mesh.vertex(mesh.triangles[3 * i + 2]) - a, p = cross(ray.direction, e2),
                        s = ray.origin - a, q = cross(s, e1);
        const double det = dot(e1, p), u = dot(s, p) / det, v = dot(ray.direction, q) / det, t = dot(e2, q) / det;
        if (u >= 0 && v >= 0 && u + v <= 1 && t >= 0 && t <= ray.length && t < best.distance) best = {true, {}, i, t};
    }
    return best;
}

int32_t bruteCloud(const std::vector<double>& xyz, const RefPickProjector& projector, double x, double y) {
    double bestPixels = kRefPointPickPixels * kRefPointPickPixels, bestDepth = 1e300, px, py, depth;
    int32_t best = -1;
    for (size_t i = 0; i < xyz.size() / 3; ++i) {
        if (!projector.project(&xyz[3 * i], &px, &py, &depth)) continue;
        const double pixels = (px - x) * (px - x) + (py - y) * (py - y);  // squared
        if (pixels < bestPixels || (pixels == bestPixels && depth < bestDepth)) {
            bestPixels = pixels, bestDepth = depth, best = static_cast<int32_t>(i);
        }
    }
    return best;
}

// Clicks at random around the object, posed and seen from several places:
// the same triangle at the same distance as a test of every triangle, the
// same point as a test of every point.
TEST(RefPicking, BvhMatchesBruteForce) {
    const TesMatrix turned = TesMatrix::translationMatrix({30, -4, 2}) * TesMatrix::rotation({1, 1, 0}, 2.1);
    const std::tuple<const char*, TesMatrix, TesVector> rows[] = {
        {"at the origin", TesMatrix(), {0, 0, 5}},
        {"posed", turned, turned * TesVector{0.5, 4, 2}},
        {"posed, close", turned, turned * TesVector{-1.2, 0.6, 0.4}},
        {"stretched", TesMatrix::fromColumns({1, 0, 0}, {0, 2.5, 0}, {0, 0, 1}, {}), {1, 1, 6}}};
    const RefMesh mesh = makeSphere(24, 48);
    const std::vector<double> cloud = makeSphere(70, 140).vertices;
    const RefMeshPicker meshPicker(mesh.vertices.data(), mesh.vertexCount(), mesh.triangles.data(),
                                   mesh.triangleCount());
    const RefCloudPicker cloudPicker(cloud.data(), static_cast<int32_t>(cloud.size() / 3));
    ASSERT_TRUE(meshPicker.good() && cloudPicker.good());
    std::mt19937 random(17);
    std::uniform_real_distribution<double> across(350, 850), down(200, 700);
    int meshHits = 0, cloudHits = 0;
    for (const auto& [name, pose, eye] : rows) {
        SCOPED_TRACE(name);
        const RefRenderCamera camera = cameraAt(eye, pose * TesVector{});
        const RefPickProjector projector(camera, pose);
        for (int click = 0; click < 200; ++click) {
            const double x = across(random), y = down(random);
            const RefPickHit expected = bruteMesh(mesh, refPickRay(camera, x, y, pose));
            const RefPickHit hit = meshPicker.pick(camera, x, y, pose);
            ASSERT_EQ(hit.hit, expected.hit) << x << " " << y;
            EXPECT_EQ(hit.id, expected.id);
            EXPECT_NEAR(hit.distance, hit.hit ? expected.distance : 0.0, 1e-9 * hit.distance);
            const RefPickHit point = cloudPicker.pick(camera, x, y, pose);
            ASSERT_EQ(point.id, bruteCloud(cloud, projector, x, y)) << x << " " << y;
            meshHits += hit.hit, cloudHits += point.hit;
        }
    }
    EXPECT_GT(meshHits, 300);
    EXPECT_GT(cloudHits, 100);
}

// Seen from (0, 0, 10) along -z, points on the axis show at the viewport's
// centre (600, 450) exactly.
TEST(RefPicking, PointToleranceAndBadInput) {
    const RefRenderCamera camera = cameraAt({0, 0, 10}, {0, 0, 0});
    const auto along = [&camera](double x, double depth) {
        const RefPickRay ray = refPickRay(camera, x, 450, TesMatrix());
        const TesVector p = ray.origin + ray.direction * depth;
        return std::vector<double>{p.x, p.y, p.z};
    };
    // name, points, click, the point picked
    const std::tuple<const char*, std::vector<double>, double, double, int32_t> rows[] = {
        {"within 3 pixels", along(602.9, 5), 600, 450, 0},
        {"beyond 3 pixels", along(603.1, 5), 600, 450, -1},
        {"the nearer of equally near", {0, 0, 0, 0, 0, 5, 0, 0, -3}, 601, 450, 1},
        {"the nearest before the nearer", {0.001, 0, 5, 0, 0, 0}, 600, 450, 1},
        {"behind the eye", {0, 0, 12}, 600, 450, -1},
        {"beyond the far plane", {0, 0, -20000}, 600, 450, -1},
        {"a click outside the viewport", {0, 0, 0}, -1, 450, -1},
        {"not a number", {0, 0, std::numeric_limits<double>::quiet_NaN()}, 600, 450, -1},
    };
    for (const auto& [name, xyz, x, y, expected] : rows) {
        SCOPED_TRACE(name);
        const RefCloudPicker picker(xyz.data(), static_cast<int32_t>(xyz.size() / 3));
        EXPECT_EQ(picker.pick(camera, x, y, TesMatrix()).id, expected);
    }
    const std::vector<double> corners{0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (const std::vector<int32_t>& triangle : {std::vector<int32_t>{0, 1, 3}, std::vector<int32_t>{0, -1, 2}}) {
        const RefMeshPicker broken(corners.data(), 3, triangle.data(), 1);
        EXPECT_FALSE(broken.good() || broken.pick(camera, 600, 450, TesMatrix()).hit);
    }
}

// The service picks through the current camera and the object's pose; an
// event's pixel is taken at its centre.
TEST(RefPicking, ServicePicksOnTheObjectThroughTheCurrentCamera) {
    RefHost host;
    IPtr<RefObject> ball(new RefObject(u"Ball", "Mesh"));
    ball->setMesh(makeSphere(12, 24));
    const TesMatrix pose = TesMatrix::translationMatrix({0, 0, -2});
    host.graphics().setObjectTransform(ball.get(), pose);
    void* service = nullptr;
    ASSERT_EQ(host.manager().getService("ITesPickOnModel", &service), 1);
    auto* picking = static_cast<ITesPickOnModel*>(service);
    TesVector point{7, 7, 7};
    EXPECT_FALSE(picking->pick(ball.get(), &point) || picking->pick(nullptr, &point));  // no event, no object
    for (const auto& [x, y, hits] : {std::tuple{610, 440, true}, {5, 5, false}, {-1, -1, false}}) {
        picking->setEvent(IPtr<RefMouseEvent>(new RefMouseEvent(kRefMousePress, x, y, 1, nullptr)).get());
        EXPECT_EQ(picking->pick(ball.get(), &point), hits) << x;
    }
    double x = 0, y = 0, depth = 0;
    ASSERT_TRUE(RefPickProjector({host.camera().orientation(), host.camera().projection()}, pose)
                    .project(&point.x, &x, &y, &depth));
    EXPECT_NEAR(x, 610.5, 1e-9);  // the last hit, kept by the misses after it
    EXPECT_NEAR(y, 440.5, 1e-9);
    EXPECT_GT(point.z, 0.9);  // the front of the ball
}

}  // namespace
