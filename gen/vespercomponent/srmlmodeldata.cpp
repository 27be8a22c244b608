#include "srmlmodeldata.h"

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "SRMLModelData";
constexpr const char* kInterfaceName = "ITesSRMLModelData";
}  // namespace

void SRMLModelData::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kInterfaceName, static_cast<ITesSRMLModelData*>(this)}}});
}

const char* SRMLModelData::className() const { return kClassName; }

TesMatrix& SRMLModelData::turntableTransform(TesMatrix& out) {
    out = turntable_;
    return out;
}
