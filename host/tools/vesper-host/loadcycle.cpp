#include "loadcycle.h"

#include <vector>

#include "os/sharedlibrary.h"
#include "refhost.h"

namespace {

std::vector<TesClassId> classIds(ITesCompInternal& internal) {
    std::vector<TesClassId> ids;
    TesClassId id{};
    for (bool more = internal.firstClassId(&id); more; more = internal.nextClassId(&id)) ids.push_back(id);
    return ids;
}

// Everything between loading and unloading; the component and every object it
// made are released on return.
bool driveComponent(RefHost& host, TesSharedLibrary& library, const std::string& path, std::string& error) {
    auto entryPoint = reinterpret_cast<TesEntryPointFn>(tesFindSymbol(library, kTesEntryPointName));
    if (entryPoint == nullptr) {
        error = "not a component (no EntryPoint): " + path;
        return false;
    }
    uint32_t version = 0;
    ITesComponent* created = nullptr;
    if (entryPoint(&version, &created) != 1 || created == nullptr) {
        error = "EntryPoint of " + path + " returned no component";
        return false;
    }
    IPtr<ITesComponent> component(created);
    auto* internal = tesQuery<ITesCompInternal>(component.get(), "ITesCompInternal");
    if (!component->initialize(&host.manager(), nullptr) || internal == nullptr) {
        error = "the component refused to initialise: " + path;
        return false;
    }
    for (const TesClassId& id : classIds(*internal)) {
        ITesUnknown* object = nullptr;
        if (component->createInstance(id, &object) != 1 || object == nullptr) {
            const char* name = internal->classNameOf(id);
            error = std::string("the component did not create its class ") + (name != nullptr ? name : "?");
            return false;
        }
        IPtr<ITesUnknown> held(object);
    }
    return component->terminate();
}

bool runCycle(RefHost& host, const std::string& path, std::string& error) {
    TesSharedLibrary library = tesLoadLibrary(path);
    if (library.handle == nullptr) {
        error = "cannot load plug-in: " + library.error;
        return false;
    }
    const bool good = driveComponent(host, library, path, error);
    if (!tesUnloadLibrary(library)) {
        error = "cannot unload plug-in: " + library.error;
        return false;
    }
    if (good && tesLibraryLoaded(path)) {
        error = "the plug-in stayed mapped after it was unloaded: " + path;
        return false;
    }
    return good;
}

}  // namespace

bool runLoadCycles(RefHost& host, const std::string& pluginPath, int64_t count, std::string& error,
                      const std::function<void(int64_t cycle)>& after) {
    for (int64_t cycle = 1; cycle <= count; ++cycle) {
        if (!runCycle(host, pluginPath, error)) {
            error = "cycle " + std::to_string(cycle) + ": " + error;
            return false;
        }
        after(cycle);
    }
    return true;
}
