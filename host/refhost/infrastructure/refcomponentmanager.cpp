#include "infrastructure/refcomponentmanager.h"

#include <atomic>

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "RefComponentManager";

ITesCompInternal* internalOf(ITesComponent* component) {
    return tesQuery<ITesCompInternal>(component, "ITesCompInternal");
}
}  // namespace

void RefComponentManager::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, this, {{"ITesComponentManager", static_cast<ITesComponentManager*>(this)}}});
}

const char* RefComponentManager::className() const { return kClassName; }

int32_t RefComponentManager::registerServiceClass(const char* interfaceName, const TesClassId* classId) {
    ++serviceClassRegistrations_;
    if (interfaceName == nullptr || classId == nullptr) return 0;
    serviceClasses_[interfaceName] = *classId;
    return 1;
}

// A service factory and a service class answer with a new object on every
// lookup; the caller takes it (count 0) into an IPtr like any other service.
int32_t RefComponentManager::getService(const char* interfaceName, void** out) {
    ++serviceLookups_;
    if (interfaceName == nullptr) return 0;
    void* face = nullptr;
    auto found = services_.find(interfaceName);
    if (found != services_.end()) {
        found->second->queryInterface(interfaceName, &face);
    } else if (auto factory = serviceFactories_.find(interfaceName); factory != serviceFactories_.end()) {
        face = madeFace(factory->second(), interfaceName);
    } else if (auto serviceClass = serviceClasses_.find(interfaceName); serviceClass != serviceClasses_.end()) {
        face = createFace(serviceClass->second, interfaceName);
    }
    if (face == nullptr) return 0;
    *out = face;
    return 1;
}

void* RefComponentManager::createFace(const TesClassId& classId, const char* interfaceName) {
    for (const IPtr<ITesComponent>& component : components_) {
        ITesUnknown* created = nullptr;
        if (component->createInstance(classId, &created) != 1 || created == nullptr) continue;
        return madeFace(created, interfaceName);
    }
    return nullptr;
}

void* RefComponentManager::madeFace(ITesUnknown* created, const char* interfaceName) {
    if (created == nullptr) return nullptr;
    void* face = nullptr;
    created->queryInterface(interfaceName, &face);
    if (face == nullptr) IPtr<ITesUnknown> discard(created);
    return face;
}

const char* RefComponentManager::statusText() {
    status_ = "refhost: " + std::to_string(components_.size()) + " component(s), " +
              std::to_string(services_.size()) + " service(s), " + std::to_string(serviceClasses_.size()) +
              " service class(es)";
    return status_.c_str();
}

void RefComponentManager::atomicIncrement(uint32_t* count) {
    std::atomic_ref<uint32_t>(*count).fetch_add(1, std::memory_order_relaxed);
}

bool RefComponentManager::atomicDecrement(uint32_t* count) {
    return std::atomic_ref<uint32_t>(*count).fetch_sub(1, std::memory_order_acq_rel) == 1;
}

ITesServiceProvider* RefComponentManager::getComponent(const char* name, int32_t) {
    if (name == nullptr) return nullptr;
    auto found = providers_.find(name);
    return found != providers_.end() ? found->second.get() : nullptr;
}

void RefComponentManager::addService(ITesUnknown* service, const std::vector<std::string>& interfaceNames) {
    for (const std::string& name : interfaceNames) services_[name] = service;
}

void RefComponentManager::removeService(const std::string& interfaceName) {
    services_.erase(interfaceName);
    serviceFactories_.erase(interfaceName);
    serviceClasses_.erase(interfaceName);
}

void RefComponentManager::addServiceFactory(const std::string& interfaceName, std::function<ITesUnknown*()> make) {
    serviceFactories_[interfaceName] = std::move(make);
}

void RefComponentManager::addServiceProvider(const std::string& name, ITesServiceProvider* provider) {
    providers_[name] = provider;
}

void RefComponentManager::addComponent(ITesComponent* component) { components_.emplace_back(component); }

std::vector<RefClassInfo> RefComponentManager::classes() {
    std::vector<RefClassInfo> result;
    for (const IPtr<ITesComponent>& component : components_) {
        ITesCompInternal* internal = internalOf(component.get());
        if (internal == nullptr) continue;
        const char* componentName = internal->componentName();
        TesClassId id{};
        for (bool more = internal->firstClassId(&id); more; more = internal->nextClassId(&id)) {
            const char* className = internal->classNameOf(id);
            result.push_back({componentName != nullptr ? componentName : "", id, className != nullptr ? className : ""});
        }
    }
    return result;
}

IPtr<ITesUnknown> RefComponentManager::createInstance(const TesClassId& classId) {
    for (const IPtr<ITesComponent>& component : components_) {
        ITesUnknown* created = nullptr;
        if (component->createInstance(classId, &created) == 1) return IPtr<ITesUnknown>(created);
    }
    return {};
}


