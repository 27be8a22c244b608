// A picture of a drawn visibility buffer for people to look at: black where
// nothing is, the object grey, selected items green, each triangle shaded by
// how squarely it faces the eye.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "refraster.h"

// The brightness, 0 ... 1, of each triangle: |cos| of the angle between its
// normal and the view axis of `worldToCamera` (a degenerate triangle gets 0).
std::vector<float> refShading(const double* xyz, const int32_t* triangles, int32_t triangleCount,
                              const TesMatrix& worldToCamera);

// Three bytes a pixel, row by row from the top. Ids beyond `shading` (points)
// are drawn at full brightness. An empty `selected` selects nothing.
std::vector<uint8_t> refPicture(const RefRaster& raster, const std::vector<float>& shading,
                                const std::function<bool(int32_t id)>& selected);

// A marker at (x, y) of a picture `width` pixels wide: a dot of colour `rgba`
// (0 ... 1, alpha ignored) ringed in white, so that it shows on dark and light
// parts alike; what falls outside the picture is left out.
void refDrawMarker(std::vector<uint8_t>& rgb, int32_t width, double x, double y, const float* rgba);
