#include "srmlscanangle.h"

#include "queryinterface.h"
#include "srmlscanproperties.h"

namespace {
constexpr const char* kClassName = "SRMLScanAngle";
constexpr const char* kInterfaceName = "ITesSRMLScanAngle";
}  // namespace

void SRMLScanAngle::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{kInterfaceName, static_cast<ITesSRMLScanAngle*>(this)}}});
}

const char* SRMLScanAngle::className() const { return kClassName; }

bool sameScanAngle(ITesSRMLScanAngle* a, ITesSRMLScanAngle* b) {
    if (a == nullptr || b == nullptr) return a == b;
    if (a->angle() != b->angle() || a->resolution() != b->resolution()) return false;
    const SRMLScannerIds& scannersA = a->scanners();
    const SRMLScannerIds& scannersB = b->scanners();
    const SRMLScanPropertiesList& propertiesA = a->scannerProperties();
    const SRMLScanPropertiesList& propertiesB = b->scannerProperties();
    if (scannersA != scannersB || propertiesA.size() != propertiesB.size()) return false;
    for (size_t i = 0; i < propertiesA.size(); ++i) {
        if (!sameScanProperties(propertiesA[i].get(), propertiesB[i].get())) return false;
    }
    return true;
}
