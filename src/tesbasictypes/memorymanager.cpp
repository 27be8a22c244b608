#include "memorymanager.h"

#include "iptr.h"

TesMM::ITesMManager* tesMemoryManager() {
    // The static-initialisation guard is the critical section of the lookup.
    // Kept to process exit.
    static const IPtr<TesMM::ITesMManager>* manager = new SPtr<TesMM::ITesMManager>("ITesMManager");
    return manager->get();
}
