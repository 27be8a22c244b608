#include "componentcustomizer.h"

#include "classtable.h"
#include "tesstaticbasecomponent.h"

ITesComponent* TesStaticBaseComponentFact::createComponent() { return new TesStaticBaseComponent; }

bool vesperInternalComponentCustomizer::onInitialize(ITesComponentManager*, void*) {
    registerComponentClasses();
    return true;
}

bool vesperInternalComponentCustomizer::onTerminate() { return true; }

namespace {
vesperInternalComponentCustomizer customizer;
TesStaticBaseComponentFact factory;
}  // namespace

ITesComponentFactory* componentFactory() { return &factory; }

ITesComponentCustomizer* componentCustomizer() { return &customizer; }
