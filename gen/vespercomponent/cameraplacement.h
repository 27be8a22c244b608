// Placing a camera from an eye frame, shared by Camera Position and the
// camera selection of visible surface.
#pragma once

#include "hostapi/gfx.h"
#include "tesmatrix.h"

// The point the host's view transformation (IGenGfxService 4, 2, 0, -1) maps
// to the eye; the origin when the host has none.
TesVector viewOrigin();

// Turns `camera` to the frame whose axes are `right`, `up` and `back` (the
// orientation is the inverse of that frame at the origin and keeps the
// camera's translation), then moves it so that the view origin goes to
// `position`. Nothing for a null camera.
void placeCamera(IGfxCamera* camera, const TesVector& right, const TesVector& up, const TesVector& back,
                 const TesVector& position);
