#include "srmlscanproperties.h"

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "SRMLScanProperties";
constexpr const char* kInterfaceName = "ITesSRMLScanProperties";
}  // namespace

void SRMLScanProperties::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kInterfaceName, static_cast<ITesSRMLScanProperties*>(this)}}});
}

const char* SRMLScanProperties::className() const { return kClassName; }

bool sameScanProperties(ITesSRMLScanProperties* a, ITesSRMLScanProperties* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->exposure() == b->exposure() && a->hdr() == b->hdr();
}
