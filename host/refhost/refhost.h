// The reference host: a component manager with the core services registered,
// and the loading of plug-ins through their EntryPoint.
#pragma once

#include <cstdint>
#include <string>

#include "iptr.h"
#include "refcomponentmanager.h"
#include "refdiagnostics.h"
#include "refmemorymanager.h"
#include "refprogress.h"

struct RefLoadedComponent {
    bool good = false;
    std::string error;  // why loading failed
    ITesComponent* component = nullptr;
    ITesCompInternal* internal = nullptr;
    uint32_t interfaceVersion = 0;
};

class RefHost {
public:
    RefHost();

    RefComponentManager& manager() { return *manager_; }
    RefMemoryManager& memoryManager() { return *memoryManager_; }
    RefErrorService& errors() { return *errors_; }
    RefAssertHandler& asserts() { return *asserts_; }
    RefProgress& progress() { return *progress_; }

    // Makes the host's own copy of the library count and look up services
    // through this manager, as the plug-in does after initialize.
    void installInLibrary();

    // Loads the plug-in at `path`, calls its EntryPoint and initialises the
    // component with this host's manager. The library stays loaded, and the
    // manager alive, until the process ends.
    RefLoadedComponent loadComponent(const std::string& path);

private:
    IPtr<RefComponentManager> manager_;
    IPtr<RefMemoryManager> memoryManager_;
    IPtr<RefErrorService> errors_;
    IPtr<RefAssertHandler> asserts_;
    IPtr<RefProgress> progress_;
};

// libvespercomponent.so in the folder of the running executable.
std::string refDefaultPluginPath();
