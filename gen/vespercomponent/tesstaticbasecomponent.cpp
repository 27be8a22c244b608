#include "tesstaticbasecomponent.h"

#include "classregistry.h"
#include "componentcustomizer.h"
#include "componentidentity.h"
#include "componentselftests.h"
#include "queryinterface.h"
#include "servicelookup.h"
#include "tesclcbinary.h"
#include "teshostlink.h"

namespace {

constexpr const char* kStaticClassName = "TesStaticBaseComponent";
constexpr const char* kBaseClassName = "TesBaseComponent";

// The descriptor's 16 bytes: the component name with its terminating zero.
constexpr char kDescriptorBytes[16] = "vespercomponent";

}  // namespace

TesComponentObject::~TesComponentObject() { tesReleaseHostLinks(); }

bool TesComponentObject::initialize(ITesComponentManager* manager, void* reserved) {
    tesSetComponentManager(manager);
    return componentCustomizer()->onInitialize(manager, reserved);
}

bool TesComponentObject::terminate() { return componentCustomizer()->onTerminate(); }

int32_t TesComponentObject::createInstance(const TesClassId& classId, ITesUnknown** out) {
    ITesClassFactory* registry = tesClassRegistry();
    if (registry == nullptr) {
        *out = nullptr;
        return 0;
    }
    return registry->createInstance(classId, out);
}

ITesClcBinary* TesComponentObject::descriptor() {
    // Holds its own reference so the host's release never frees it.
    static ITesClcBinary* blob = [] {
        auto* created = new TesClcBinary(kDescriptorBytes, sizeof(kDescriptorBytes));
        created->addRef();
        return created;
    }();
    return blob;
}

const TesClassId* TesComponentObject::componentId() { return &kComponentId; }

const char* TesComponentObject::componentName() { return kComponentName; }

int32_t TesComponentObject::classCount() {
    ITesClassFactory* registry = tesClassRegistry();
    return registry != nullptr ? registry->classCount() : 0;
}

bool TesComponentObject::firstClassId(TesClassId* out) {
    ITesClassFactory* registry = tesClassRegistry();
    return registry != nullptr && registry->firstClassId(out);
}

bool TesComponentObject::nextClassId(TesClassId* out) {
    ITesClassFactory* registry = tesClassRegistry();
    return registry != nullptr && registry->nextClassId(out);
}

const char* TesComponentObject::classNameOf(const TesClassId& classId) {
    ITesClassFactory* registry = tesClassRegistry();
    return registry != nullptr ? registry->classNameOf(classId) : nullptr;
}

void TesComponentObject::runTests(ITesTestCallback* callback) { runComponentTests(callback); }

void TesComponentObject::setTestServiceName(const char* name) { tesSetTestServiceName(name); }

const char* TesComponentObject::testServiceName() { return tesTestServiceName(); }

void TesComponentObject::setBreakEnabled(bool enabled) { setComponentBreakEnabled(enabled); }

bool TesComponentObject::breakEnabled() { return componentBreakEnabled(); }

void TesComponentObject::answerQuery(const char* name, void** out, const char* className) {
    tesAnswerQuery(name, out,
                   {className,
                    this,
                    static_cast<ITesComponent*>(this),
                    {{"ITesComponent", static_cast<ITesComponent*>(this)},
                     {"ITesCompInternal", static_cast<ITesCompInternal*>(this)}}});
}

void TesStaticBaseComponent::queryInterface(const char* name, void** out) {
    answerQuery(name, out, kStaticClassName);
}

const char* TesStaticBaseComponent::className() const { return kStaticClassName; }

const char* TesStaticBaseComponent::version() { return kComponentVersion; }

void TesBaseComponent::queryInterface(const char* name, void** out) { answerQuery(name, out, kBaseClassName); }

const char* TesBaseComponent::className() const { return kBaseClassName; }
