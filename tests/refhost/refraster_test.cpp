// The software rasteriser: ownership of pixels, depth, clipping, threads,
// picking and visibility, and the PNG pictures made from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "graphics/refgraphics.h"
#include "graphics/refpicture.h"
#include "graphics/refpng.h"
#include "graphics/refraster.h"
#include "tempfolder.h"

namespace {

struct Mesh {
    std::vector<double> xyz;
    std::vector<int32_t> triangles;

    void add(const Mesh& other) {
        const auto base = static_cast<int32_t>(xyz.size() / 3);
        xyz.insert(xyz.end(), other.xyz.begin(), other.xyz.end());
        for (int32_t index : other.triangles) triangles.push_back(base + index);
    }
    int32_t count() const { return static_cast<int32_t>(triangles.size() / 3); }
};

// Faces +z, -z, +x, -x, +y, -y, two triangles each, counter-clockwise from outside.
Mesh box(TesVector low, TesVector high) {
    Mesh mesh;
    for (int corner = 0; corner < 8; ++corner) {
        mesh.xyz.insert(mesh.xyz.end(), {corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y,
                                         corner & 4 ? high.z : low.z});
    }
    mesh.triangles = {4, 5, 7, 4, 7, 6, 0, 2, 3, 0, 3, 1, 1, 3, 7, 1, 7, 5,
                      0, 4, 6, 0, 6, 2, 2, 6, 7, 2, 7, 3, 0, 1, 5, 0, 5, 4};
    return mesh;
}

TesMatrix cameraAt(TesVector eye) {
    IPtr<RefCamera> camera(new RefCamera);
    camera->lookAt(eye, -eye, {0, 1, 0});
    return camera->projection() * camera->orientation();
}

// World x, y are pixel coordinates (y down), w = 1.
TesMatrix pixelSpace(int32_t width, int32_t height) {
    return TesMatrix({2.0 / width, 0, 0, -1, 0, -2.0 / height, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1});
}

RefRaster drawn(const Mesh& mesh, const TesMatrix& toClip, int32_t threads = 1,
                RefRaster::Fill fill = RefRaster::Fill::Tiled) {
    RefRaster raster(120, 90);
    raster.drawTriangles(mesh.xyz.data(), mesh.triangles.data(), mesh.count(), toClip, threads, fill);
    return raster;
}

std::vector<int32_t> visible(const RefRaster& raster, const Mesh& mesh, const TesMatrix& toClip) {
    return raster.visibleTriangles(mesh.xyz.data(), mesh.triangles.data(), mesh.count(), toClip, 1e-4);
}

int64_t covered(const RefRaster& raster) {
    return std::count_if(raster.ids().begin(), raster.ids().end(), [](int32_t id) { return id != 0; });
}

TEST(RefRaster, PicksAndSeesOnlyWhatFacesTheEyeUnhidden) {
    const TesMatrix toClip = cameraAt({0, 0, 6});
    Mesh scene = box({-0.5, -0.5, -3}, {0.5, 0.5, -2});  // behind the cube, drawn first
    scene.add(box({-1, -1, -1}, {1, 1, 1}));
    scene.add(box({-1, -1, -1}, {1, 1, 1}));  // as near: the first copy keeps its pixels
    // Smaller than a pixel, on the cube's front face, drawn after it.
    scene.add({{0.0101, 0.0101, 1, 0.0103, 0.0101, 1, 0.0101, 0.0103, 1}, {0, 1, 2}});
    const RefRaster raster = drawn(scene, toClip);
    EXPECT_EQ(raster.picked(-5, -5, 200, 200), (std::vector<int32_t>{13, 14}));
    EXPECT_EQ(visible(raster, scene, toClip), (std::vector<int32_t>{13, 14, 25, 26, 37}));
    EXPECT_EQ(raster.picked(0, 0, 1, 1), std::vector<int32_t>{});
    EXPECT_NEAR(raster.depth(60, 45), 1 / 5.0, 1e-6);
}

// Each triangle alone, then all together, in pixel space: the pixels owned
// alone add up to the pixels covered together, and two triangulations of the
// same polygon cover the same pixels.
TEST(RefRaster, SharedEdgesGiveEachPixelToOneTriangle) {
    struct Row {
        const char* name;
        std::vector<double> polygon;  // x, y, 0 counter-clockwise on the screen
        int64_t area;                 // pixel centres inside, or -1
    };
    const Row rows[] = {
        {"square, diagonal through centres", {10, 10, 0, 10, 30, 0, 30, 30, 0, 30, 10, 0}, 400},
        {"octagon, spokes through centres",
         {70.5, 45.5, 0, 70.5, 25.5, 0, 50.5, 25.5, 0, 30.5, 25.5, 0, 30.5, 45.5, 0, 30.5, 65.5, 0, 50.5, 65.5, 0,
          70.5, 65.5, 0},
         -1},
        {"fractional hexagon",
         {10.1, 30.3, 0, 20.8, 70.5, 0, 60.2, 80.4, 0, 90.6, 50.9, 0, 80.1, 20.2, 0, 40.3, 10.7, 0},
         -1},
    };
    const TesMatrix toClip = pixelSpace(120, 90);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto corners = static_cast<int32_t>(row.polygon.size() / 3);
        Mesh fromCorner{row.polygon, {}}, aroundCentre{row.polygon, {}};
        double cx = 0, cy = 0;
        for (int32_t i = 0; i < corners; ++i) {
            cx += row.polygon[i * 3] / corners;
            cy += row.polygon[i * 3 + 1] / corners;
            if (i >= 2) fromCorner.triangles.insert(fromCorner.triangles.end(), {0, i - 1, i});
            aroundCentre.triangles.insert(aroundCentre.triangles.end(), {corners, i, (i + 1) % corners});
        }
        aroundCentre.xyz.insert(aroundCentre.xyz.end(), {std::floor(cx) + 0.5, std::floor(cy) + 0.5, 0});
        std::vector<int32_t> unions[2];
        for (const Mesh* mesh : {&fromCorner, &aroundCentre}) {
            const RefRaster together = drawn(*mesh, toClip);
            int64_t alone = 0;
            for (int32_t k = 0; k < mesh->count(); ++k) {
                const auto first = mesh->triangles.begin() + k * 3;
                alone += covered(drawn({mesh->xyz, {first, first + 3}}, toClip));
            }
            EXPECT_EQ(alone, covered(together));
            if (row.area >= 0) {
                EXPECT_EQ(covered(together), row.area);
            }
            for (int32_t id : together.ids()) unions[mesh == &aroundCentre].push_back(id != 0);
        }
        EXPECT_EQ(unions[0], unions[1]);
    }
}

TEST(RefRaster, SameBuffersWithAnyThreadCountAndFill) {
    Mesh mesh;
    uint32_t seed = 7;
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0 * 4 - 2; };
    for (int32_t i = 0; i < 9000; ++i) mesh.xyz.push_back(next());
    for (int32_t i = 0; i < 3000; ++i) mesh.triangles.push_back(i);
    const TesMatrix toClip = cameraAt({0.3, 0.2, 2.5});  // some triangles cross the near plane
    const RefRaster one = drawn(mesh, toClip);
    EXPECT_GT(covered(one), 5000);
    for (const auto& [threads, fill] : {std::pair{2, RefRaster::Fill::Tiled}, std::pair{3, RefRaster::Fill::Tiled},
                                        std::pair{1, RefRaster::Fill::BoundingBox}}) {
        const RefRaster other = drawn(mesh, toClip, threads, fill);
        EXPECT_EQ(one.ids(), other.ids()) << threads;
        EXPECT_EQ(one.depths(), other.depths()) << threads;
    }
}

TEST(RefRaster, ClipsNearAndFarOutAndDropsNonFinite) {
    struct Row {
        const char* name;
        std::vector<double> xyz;
        int64_t least, most;  // pixels covered
        size_t visible;
    };
    const double nan = std::nan("");
    const Row rows[] = {
        {"crossing the near plane", {1, -1, 0, -1, -1, 0, 0, -2, 20}, 100, 120 * 90, 0},
        {"far beyond the screen's sides", {-1e9, -1e9, 0, 1e9, -1e9, 0, 0, 1e9, 0}, 120 * 90, 120 * 90, 1},
        {"wholly off screen", {1e6, 0, 0, 2e6, 0, 0, 1e6, 1e6, 0}, 0, 0, 0},
        {"behind the eye", {-1, -1, 10, 1, -1, 10, 0, 1, 10}, 0, 0, 0},
        {"a NaN vertex", {-1, -1, 0, 1, -1, 0, nan, 1, 0}, 0, 0, 0},
    };
    const TesMatrix toClip = cameraAt({0, 0, 5});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RefRaster raster = drawn({row.xyz, {0, 1, 2}}, toClip);
        EXPECT_GE(covered(raster), row.least);
        EXPECT_LE(covered(raster), row.most);
        for (float depth : raster.depths()) EXPECT_TRUE(depth >= 0 && depth <= 1 / 0.1 + 1e-3);
        EXPECT_EQ(visible(raster, {row.xyz, {0, 1, 2}}, toClip).size(), row.visible);
    }
}

TEST(RefRaster, PointsOwnTheirPixelUnlessATriangleIsNearer) {
    const TesMatrix toClip = cameraAt({0, 0, 5});
    std::vector<double> grid;
    for (int32_t i = 0; i < 16; ++i) grid.insert(grid.end(), {i % 4 - 1.5, i / 4 - 1.5, -1});
    RefRaster raster(120, 90);
    const std::vector<double> cover{0, -20, 0, 30, 0, 0, 0, 20, 0};  // over the points with x > 0
    const std::vector<int32_t> triangle{0, 1, 2};
    raster.drawTriangles(cover.data(), triangle.data(), 1, toClip, 1);
    raster.drawPoints(grid.data(), 16, toClip);
    EXPECT_EQ(raster.visiblePoints(grid.data(), 16, toClip, 1e-4), (std::vector<int32_t>{1, 2, 5, 6, 9, 10, 13, 14}));
    EXPECT_EQ(raster.picked(0, 0, 120, 90), (std::vector<int32_t>{1, 2, 5, 6, 9, 10, 13, 14}));
}

TEST(RefRaster, PicturesAreWrittenAsPngOrFailWithThePath) {
    const TesMatrix toClip = cameraAt({0, 0, 6});
    const Mesh cube = box({-1, -1, -1}, {1, 1, 1});
    const RefRaster raster = drawn(cube, toClip);
    const std::vector<uint8_t> rgb =
        refPicture(raster, refShading(cube.xyz.data(), cube.triangles.data(), cube.count(), TesMatrix()),
                   [](int32_t id) { return id == 1; });
    const auto pixel = [](const std::vector<uint8_t>& picture, int32_t x, int32_t y) {
        return std::vector<uint8_t>(picture.begin() + (y * 120 + x) * 3, picture.begin() + (y * 120 + x) * 3 + 3);
    };
    EXPECT_EQ(pixel(rgb, 0, 0), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(pixel(rgb, 70, 60), (std::vector<uint8_t>{60, 230, 60}));
    std::vector<uint8_t> marked = rgb;  // a marker in a corner is cut at the edges
    const float red[] = {1, 0, 0, 1};
    refDrawMarker(marked, 120, 0.5, 89.5, red);
    EXPECT_EQ(pixel(marked, 0, 89), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(pixel(marked, 6, 89), (std::vector<uint8_t>{255, 255, 255}));
    EXPECT_EQ(pixel(marked, 70, 60), (std::vector<uint8_t>{60, 230, 60}));
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(refWritePng(folder.narrowFile("cube.png"), 120, 90, rgb, &error)) << error;
    const std::vector<uint8_t> bytes = TempFolder::readAll(folder.file("cube.png"));
    ASSERT_GT(bytes.size(), 24u);
    const std::vector<uint8_t> signature(bytes.begin(), bytes.begin() + 8);
    const std::vector<uint8_t> size(bytes.begin() + 16, bytes.begin() + 24);
    EXPECT_EQ(signature, (std::vector<uint8_t>{137, 80, 78, 71, 13, 10, 26, 10}));
    EXPECT_EQ(size, (std::vector<uint8_t>{0, 0, 0, 120, 0, 0, 0, 90}));  // IHDR width and height
    const std::string missing = folder.narrowFile("no such folder/cube.png");
    EXPECT_FALSE(refWritePng(missing, 120, 90, rgb, &error));
    EXPECT_NE(error.find(missing), std::string::npos);
    EXPECT_FALSE(refWritePng(folder.narrowFile("short.png"), 121, 90, rgb, &error));
    EXPECT_FALSE(folder.exists("short.png"));
}

}  // namespace
