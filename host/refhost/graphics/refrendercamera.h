// What a render or a pick looks through: a perspective camera with its eye at
// the origin of camera space, and the viewport in pixels.
#pragma once

#include <cstdint>

#include "tesmatrix.h"

struct RefRenderCamera {
    TesMatrix orientation;  // world to camera; the eye looks along -z
    TesMatrix projection;   // camera to clip space
    int32_t width = 1200;
    int32_t height = 900;
};
