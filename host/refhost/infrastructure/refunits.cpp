#include "infrastructure/refunits.h"

#include "queryinterface.h"

namespace {
struct Unit {
    const char* name;
    double factor;
};
constexpr Unit kUnits[] = {{"mm", 1.0}, {"cm", 0.1}, {"m", 0.001}, {"in", 1.0 / 25.4}, {"um", 1000.0}};
constexpr int32_t kUnitCount = static_cast<int32_t>(sizeof(kUnits) / sizeof(kUnits[0]));
}  // namespace

void RefUnitService::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {"RefUnitService", this, this, {{"IUnitService", static_cast<IUnitService*>(this)}}});
}

const char* RefUnitService::className() const { return "RefUnitService"; }

double RefUnitService::factor(int32_t unit) { return unit >= 0 && unit < kUnitCount ? kUnits[unit].factor : 1.0; }

bool RefUnitService::choose(const std::string& name) {
    for (int32_t i = 0; i < kUnitCount; ++i) {
        if (name == kUnits[i].name) {
            unit_ = i;
            return true;
        }
    }
    return false;
}
