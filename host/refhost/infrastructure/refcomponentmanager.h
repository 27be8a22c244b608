// The reference host's component manager: services by interface name, loaded
// components by name, service classes, and the atomic counting that objects
// use once a component is initialised.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostapi/component.h"
#include "iptr.h"

struct RefClassInfo {
    std::string componentName;
    TesClassId classId;
    std::string className;
};

class RefComponentManager : public ITesComponentManager {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t registerServiceClass(const char* interfaceName, const TesClassId* classId) override;
    int32_t getService(const char* interfaceName, void** out) override;
    const char* statusText() override;
    void atomicIncrement(uint32_t* count) override;
    bool atomicDecrement(uint32_t* count) override;
    ITesServiceProvider* getComponent(const char* name, int32_t reserved) override;

    // Offers `service` under every name in `interfaceNames`; the manager keeps
    // a reference. A later registration under the same name replaces it.
    void addService(ITesUnknown* service, const std::vector<std::string>& interfaceNames);
    // Withdraws the service, factory and service class of that name.
    void removeService(const std::string& interfaceName);
    // Answers every lookup of `interfaceName` with a new object from `make`
    // (count 0, which the caller takes), unless a service of that name was
    // added too: that one wins.
    void addServiceFactory(const std::string& interfaceName, std::function<ITesUnknown*()> make);
    // Makes `provider` reachable through getComponent(name).
    void addServiceProvider(const std::string& name, ITesServiceProvider* provider);
    // A component loaded and initialised by the host.
    void addComponent(ITesComponent* component);

    // Every class of every component, in each component's enumeration order.
    std::vector<RefClassInfo> classes();
    // Creates a class of any component; null when no component has it.
    IPtr<ITesUnknown> createInstance(const TesClassId& classId);
    const std::map<std::string, TesClassId>& serviceClasses() const { return serviceClasses_; }

    int64_t serviceLookups() const { return serviceLookups_; }
    int serviceClassRegistrations() const { return serviceClassRegistrations_; }

private:
    // A new object of `classId` seen as `interfaceName` (count 0), or null.
    void* createFace(const TesClassId& classId, const char* interfaceName);
    // `created` (count 0) seen as `interfaceName`; released when it has no such face.
    static void* madeFace(ITesUnknown* created, const char* interfaceName);

    std::map<std::string, IPtr<ITesUnknown>> services_;
    std::map<std::string, std::function<ITesUnknown*()>> serviceFactories_;
    std::map<std::string, IPtr<ITesServiceProvider>> providers_;
    std::map<std::string, TesClassId> serviceClasses_;
    std::vector<IPtr<ITesComponent>> components_;
    std::string status_;
    int64_t serviceLookups_ = 0;
    int serviceClassRegistrations_ = 0;
};
