// The component factory and customizer that the component object delegates to.
#pragma once

class ITesComponent;
class ITesComponentManager;

class ITesComponentFactory {
public:
    virtual ~ITesComponentFactory() = default;
    // A new component object with count 0.
    virtual ITesComponent* createComponent() = 0;
};

class ITesComponentCustomizer {
public:
    virtual ~ITesComponentCustomizer() = default;
    virtual bool onInitialize(ITesComponentManager* manager, void* reserved) = 0;
    virtual bool onTerminate() = 0;
};

class TesStaticBaseComponentFact : public ITesComponentFactory {
public:
    ITesComponent* createComponent() override;
};

class vesperInternalComponentCustomizer : public ITesComponentCustomizer {
public:
    // Registers the component's classes; true.
    bool onInitialize(ITesComponentManager* manager, void* reserved) override;
    bool onTerminate() override;
};

// The process's instances, created when the library loads.
ITesComponentFactory* componentFactory();
ITesComponentCustomizer* componentCustomizer();
