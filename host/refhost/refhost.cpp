#include "refhost.h"

#include <vector>

#include "os/sharedlibrary.h"
#include "servicelookup.h"

namespace {

constexpr const char* kPluginFileName = "libvespercomponent.so";

// Objects a loaded plug-in may reach until the process ends: it keeps raw
// pointers to the manager and function-static references to services.
void keepUntilExit(ITesUnknown* object) {
    static auto* kept = new std::vector<IPtr<ITesUnknown>>;
    kept->emplace_back(object);
}

}  // namespace

RefHost::RefHost()
    : manager_(new RefComponentManager), memoryManager_(new RefMemoryManager), errors_(new RefErrorService),
      asserts_(new RefAssertHandler), progress_(new RefProgress) {
    manager_->addService(memoryManager_.get(), {"ITesMManager"});
    manager_->addService(errors_.get(), {"ITesErrorService"});
    manager_->addService(asserts_.get(), {"ITesAssertHandlerCB"});
    manager_->addService(progress_.get(), {"ITesProgress"});
}

void RefHost::installInLibrary() {
    keepUntilExit(manager_.get());
    tesSetComponentManager(manager_.get());
}

RefLoadedComponent RefHost::loadComponent(const std::string& path) {
    RefLoadedComponent loaded;
    TesSharedLibrary library = tesLoadLibrary(path);
    if (library.handle == nullptr) {
        loaded.error = "cannot load plug-in: " + library.error;
        return loaded;
    }
    auto entryPoint = reinterpret_cast<TesEntryPointFn>(tesFindSymbol(library, kTesEntryPointName));
    if (entryPoint == nullptr) {
        loaded.error = "not a component (no EntryPoint): " + path;
        return loaded;
    }
    if (entryPoint(&loaded.interfaceVersion, &loaded.component) != 1 || loaded.component == nullptr) {
        loaded.error = "EntryPoint of " + path + " returned no component";
        return loaded;
    }
    keepUntilExit(manager_.get());
    keepUntilExit(loaded.component);
    loaded.internal = tesQuery<ITesCompInternal>(loaded.component, "ITesCompInternal");
    if (!loaded.component->initialize(manager_.get(), nullptr)) {
        loaded.error = "the component refused to initialise: " + path;
        return loaded;
    }
    manager_->addComponent(loaded.component);
    loaded.good = true;
    return loaded;
}

std::string refDefaultPluginPath() {
    const std::string folder = tesExecutableDirectory();
    return folder.empty() ? std::string(kPluginFileName) : folder + "/" + kPluginFileName;
}
