#include "prealignhost.h"

#include <cstdint>
#include <string_view>

namespace {

constexpr uint8_t kNotRead = 255;

// `cached` starts as kNotRead; afterwards 1 when the switch holds "true".
bool registrySwitch(uint8_t& cached, const char* key) {
    if (cached == kNotRead) {
        SPtr<ITesRegistry> registry("ITesRegistry");
        cached = registry && registry->valueIs(key, "true") ? 1 : 0;
    }
    return cached == 1;
}

}  // namespace

bool preAlignInspectionProfile() {
    static uint8_t cached = kNotRead;
    return registrySwitch(cached, "APP/AllowInspection");
}

bool preAlignRecordsAutomation() {
    static uint8_t cached = kNotRead;
    return registrySwitch(cached, "APP/AllowAutomation");
}

IPtr<ITesDoc> preAlignDocument() { return SPtr<ITesDoc>("ITesDoc"); }

IGfxDoc* graphicsDocument() { return tesProcessService<IGfxDoc>("IGfxDoc"); }

ITesObjectVisibilityMgr* objectVisibility() {
    return tesProcessService<ITesObjectVisibilityMgr>("ITesObjectVisibilityMgr");
}

IDataStore* preAlignSettings() { return tesProcessService<IDataStore>("IDataStore"); }

IGuiThemeMgr* themeManager() { return tesProcessService<IGuiThemeMgr>("IGuiThemeMgr"); }

ITesPoints* objectPoints(ITesObject* object) {
    return tesQuery<ITesPoints>(tesQuery<ITesUnknown>(object, "PointModel"), "ITesPoints");
}

bool isOfType(ITesObject* object, const char* type) {
    return object != nullptr && std::string_view(object->type()) == type;
}

TesString textOf(const char16_t* text) { return TesString(text != nullptr ? text : u""); }
