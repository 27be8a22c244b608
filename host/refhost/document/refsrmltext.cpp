#include "document/refsrmltext.h"

#include <cstdio>

std::string refSrmlSettingText(int32_t value) { return value < 0 ? "-" : std::to_string(value); }

std::string refSrmlResolutionText(int32_t resolution) {
    static const char* const kNames[] = {"Low", "Medium", "High"};
    return resolution >= 0 && resolution < 3 ? kNames[resolution] : "resolution " + std::to_string(resolution);
}

std::string refSrmlPropertiesText(ITesSRMLScanProperties* properties) {
    if (properties == nullptr) return "no properties";
    return "exposure " + refSrmlSettingText(properties->exposure()) + " HDR " + refSrmlSettingText(properties->hdr());
}

std::string refSrmlOriginText(const TesMatrix& placement) {
    const TesVector origin = placement.translation();
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g", origin.x, origin.y, origin.z);
    return text;
}

std::string refSrmlRecipeName(ITesSRMLRecipe& recipe) {
    TesString name;
    return recipe.name(name).toUtf8();
}
