#include "memorymanager.h"

#include "teshostlink.h"

namespace {
constinit TesHostService<TesMM::ITesMManager> manager("ITesMManager");
}  // namespace

TesMM::ITesMManager* tesMemoryManager() { return manager.get(); }
