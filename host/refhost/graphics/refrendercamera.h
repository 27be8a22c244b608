// What a render or a pick looks through: a perspective camera with its eye at
// the origin of camera space, and the viewport in pixels.
#pragma once

#include <cstdint>

#include "tesmatrix.h"

// The size of the user's view and of every pane, in pixels.
inline constexpr int32_t kRefViewWidth = 1200;
inline constexpr int32_t kRefViewHeight = 900;

struct RefRenderCamera {
    TesMatrix orientation;  // world to camera; the eye looks along -z
    TesMatrix projection;   // camera to clip space
    int32_t width = kRefViewWidth;
    int32_t height = kRefViewHeight;
};
