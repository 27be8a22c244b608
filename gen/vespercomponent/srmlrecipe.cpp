#include "srmlrecipe.h"

#include <algorithm>

#include "queryinterface.h"
#include "srmlscanproperties.h"

namespace {
constexpr const char* kClassName = "SRMLRecipe";
constexpr const char* kInterfaceName = "ITesSRMLRecipe";
constexpr int32_t kEditorExposure = 70;
constexpr int32_t kEditorHdr = 0;
}  // namespace

SRMLRecipe::SRMLRecipe() : defaults_(new SRMLScanProperties) {}

void SRMLRecipe::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kInterfaceName, static_cast<ITesSRMLRecipe*>(this)}}});
}

const char* SRMLRecipe::className() const { return kClassName; }

TesString& SRMLRecipe::name(TesString& out) {
    out = name_;
    return out;
}

// A null angle sorts first, so the sort never dereferences one.
void SRMLRecipe::sortAngles() {
    std::sort(angles_.begin(), angles_.end(), [](const IPtr<ITesSRMLScanAngle>& a, const IPtr<ITesSRMLScanAngle>& b) {
        if (!a || !b) return !a && b;
        return a->angle() < b->angle();
    });
}

void SRMLRecipe::rename(const TesString& name, bool withDefaults) {
    name_ = name;
    if (!withDefaults) return;
    if (!defaults_) defaults_ = new SRMLScanProperties;
    defaults_->setExposure(kEditorExposure);
    defaults_->setHdr(kEditorHdr);
}
