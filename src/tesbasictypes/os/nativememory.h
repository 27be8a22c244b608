// The memory status of the system and of this process, in bytes, in the terms
// of the Windows memory status the library's figures are defined by:
//   totalPhysical / availablePhysical   MemTotal / MemAvailable
//   totalPageFile / availablePageFile   physical memory plus swap (the commit
//                                       room), total and available
//   totalVirtual / availableVirtual     the process address space (the
//                                       address-space limit, else 128 TiB) and
//                                       what of it is not mapped
//   availableExtendedVirtual            always 0
#pragma once

#include <cstdint>

struct TesOsMemoryStatus {
    int64_t totalPhysical = 0;
    int64_t availablePhysical = 0;
    int64_t totalPageFile = 0;
    int64_t availablePageFile = 0;
    int64_t totalVirtual = 0;
    int64_t availableVirtual = 0;
    int64_t availableExtendedVirtual = 0;
};

// False when the system figures cannot be read.
bool tesOsMemoryStatus(TesOsMemoryStatus* status);

struct TesOsProcessMemory {
    int64_t workingSet = 0;      // resident now
    int64_t peakWorkingSet = 0;  // highest resident so far
};

// False when the process figures cannot be read.
bool tesOsProcessMemory(TesOsProcessMemory* memory);
