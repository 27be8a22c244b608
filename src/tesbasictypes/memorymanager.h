// The host's memory manager, looked up once per process.
#pragma once

#include "hostapi/infrastructure.h"

// "ITesMManager", or null. The first call looks it up under a process-wide
// lock; the answer, null included, holds for the rest of the process, so the
// host must register it before anything allocates.
TesMM::ITesMManager* tesMemoryManager();
