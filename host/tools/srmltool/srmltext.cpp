#include "srmltext.h"

#include <cstdio>

std::string srmlSettingText(int32_t value) { return value < 0 ? "-" : std::to_string(value); }

std::string srmlResolutionText(int32_t resolution) {
    static const char* const kNames[] = {"Low", "Medium", "High"};
    return resolution >= 0 && resolution < 3 ? kNames[resolution] : "resolution " + std::to_string(resolution);
}

std::string srmlPropertiesText(ITesSRMLScanProperties* properties) {
    if (properties == nullptr) return "no properties";
    return "exposure " + srmlSettingText(properties->exposure()) + " HDR " + srmlSettingText(properties->hdr());
}

std::string srmlOriginText(const TesMatrix& placement) {
    const TesVector origin = placement.translation();
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g", origin.x, origin.y, origin.z);
    return text;
}

std::string srmlRecipeName(ITesSRMLRecipe& recipe) {
    TesString name;
    return recipe.name(name).toUtf8();
}
