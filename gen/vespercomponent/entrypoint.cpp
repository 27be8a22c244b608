// The one exported function of the plug-in.
#include "componentcustomizer.h"
#include "componentidentity.h"
#include "hostapi/component.h"

namespace {
ITesComponent* processComponent = nullptr;
}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t EntryPoint(uint32_t* version,
                                                                     ITesComponent** component) {
    if (component == nullptr) return 0;
    try {
        ITesComponentFactory* factory = componentFactory();
        if (factory == nullptr) return 0;
        ITesComponent* created = factory->createComponent();
        processComponent = created;
        *component = created;
        if (version != nullptr) *version = kInterfaceVersion;
        return 1;
    } catch (...) {
        if (version != nullptr) *version = 0;
        *component = nullptr;
        return 0;
    }
}
