#include "refpicture.h"

#include <algorithm>
#include <cmath>

namespace {

TesVector vertexAt(const double* xyz, int32_t index) {
    const double* p = xyz + int64_t{index} * 3;
    return {p[0], p[1], p[2]};
}

}  // namespace

std::vector<float> refShading(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                              const TesMatrix& worldToCamera) {
    const TesVector axis{worldToCamera(2, 0), worldToCamera(2, 1), worldToCamera(2, 2)};
    std::vector<float> shading(static_cast<size_t>(std::max(triangleCount, 0)), 0.0f);
    for (int32_t k = 0; k < triangleCount; ++k) {
        const int32_t* corner = triangles + int64_t{k} * 3;
        if (std::min({corner[0], corner[1], corner[2]}) < 0) continue;
        const TesVector a = vertexAt(xyz, corner[0]);
        TesVector normal = cross(vertexAt(xyz, corner[1]) - a, vertexAt(xyz, corner[2]) - a);
        if (normal.normalize()) shading[k] = static_cast<float>(std::fabs(dot(normal, axis)));
    }
    return shading;
}

std::vector<uint8_t> refPicture(const RefRaster& raster, const std::vector<float>& shading,
                                const std::function<bool(int32_t id)>& selected) {
    std::vector<uint8_t> rgb(raster.ids().size() * 3, 0);
    for (size_t i = 0; i < raster.ids().size(); ++i) {
        const int32_t id = raster.ids()[i];
        if (id == 0) continue;
        const size_t index = static_cast<size_t>(id - 1);
        // Kept above a third, so that faces seen edge-on still show.
        const float light = 0.35f + 0.65f * (index < shading.size() ? shading[index] : 1.0f);
        const bool green = selected && selected(id);
        rgb[i * 3] = static_cast<uint8_t>(light * (green ? 60 : 200));
        rgb[i * 3 + 1] = static_cast<uint8_t>(light * (green ? 230 : 200));
        rgb[i * 3 + 2] = static_cast<uint8_t>(light * (green ? 60 : 200));
    }
    return rgb;
}

void refDrawMarker(std::vector<uint8_t>& rgb, int32_t width, double x, double y, const float* rgba) {
    constexpr int kRadius = 7;
    constexpr int kRing = 2;
    const int32_t height = width > 0 ? static_cast<int32_t>(rgb.size() / 3 / static_cast<size_t>(width)) : 0;
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    for (int dy = -kRadius; dy <= kRadius; ++dy) {
        for (int dx = -kRadius; dx <= kRadius; ++dx) {
            const int squared = dx * dx + dy * dy;
            const int px = cx + dx;
            const int py = cy + dy;
            if (squared > kRadius * kRadius || px < 0 || py < 0 || px >= width || py >= height) continue;
            const bool ring = squared > (kRadius - kRing) * (kRadius - kRing);
            uint8_t* pixel = rgb.data() + (static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)) * 3;
            for (int c = 0; c < 3; ++c) {
                pixel[c] = ring ? 255 : static_cast<uint8_t>(std::clamp(rgba[c], 0.0f, 1.0f) * 255.0f);
            }
        }
    }
}
