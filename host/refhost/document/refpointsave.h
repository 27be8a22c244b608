// An object's points where they stand in the world, as a data-model file:
// the object's name, its pose (a matrix), the corners of the points' box and
// a block of x, y, z doubles (kRefPointsTag), for tools such as tesdump and
// for other programs to read back.
#pragma once

#include <string>

#include "document/refdocument.h"

inline constexpr uint32_t kRefPointsTag = 0x20000;

// The mesh's vertices or the points of `object`, each through `pose`. The
// file is written beside `path` and renamed over it when complete, so a
// failure leaves what was there. False with `error` saying why.
bool refSavePoints(RefObject& object, const TesMatrix& pose, const std::string& path, std::string& error);
