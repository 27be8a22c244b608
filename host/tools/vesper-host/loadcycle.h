// Loading and unloading the plug-in over and over, as a host does that loads
// a component only while it needs it. One cycle: load the library, call
// EntryPoint, initialise the component with the host's manager, create every
// class it offers and release the object, release the component, unload the
// library and check that the system unmapped it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class RefHost;

// Runs `count` cycles in `host`, calling `after(cycle)` after each (1-based).
// False with `error` at the first cycle that fails.
bool runLoadCycles(RefHost& host, const std::string& pluginPath, int64_t count, std::string& error,
                      const std::function<void(int64_t cycle)>& after);
