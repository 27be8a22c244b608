// How the host writes an SRML document's values for people to read: settings
// a file may leave unset, resolutions, a camera's properties and a placement's origin.
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/srml.h"

// A value the file leaves unset (-1, or any negative) shows as "-".
std::string refSrmlSettingText(int32_t value);
std::string refSrmlResolutionText(int32_t resolution);
// "exposure E HDR H", or "no properties" for none.
std::string refSrmlPropertiesText(ITesSRMLScanProperties* properties);
// The placement's origin as "x y z".
std::string refSrmlOriginText(const TesMatrix& placement);
// The recipe's name as UTF-8.
std::string refSrmlRecipeName(ITesSRMLRecipe& recipe);
