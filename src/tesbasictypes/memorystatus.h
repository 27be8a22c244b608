// Queries of the memory situation. Each takes a divisor that scales byte
// counts (1024 gives kilobytes; a divisor below 1 counts as 1). Figures come
// from the host's "IMemChecker" when it is there and reports itself
// available, else from the operating system (os/nativememory.h).
#pragma once

#include <cstdint>

struct TesMemoryFigures {
    int64_t systemFree = 0;   // available physical memory
    int64_t systemTotal = 0;  // total physical memory
    int64_t swapFree = 0;
    int64_t swapTotal = 0;
};

// From the operating system: system total and free are the physical figures;
// swap total = min(total page file, total virtual - total physical) and swap
// free = min(swap total, available page file, available virtual - available
// physical). False, with zero figures, when neither source can say.
bool tesMemoryFigures(TesMemoryFigures* figures, int64_t divisor);

// system free + fraction x swap free. Creates the memory limit listener. Here
// and below a fraction is clamped to 0..1, NaN counting as 0.
int64_t tesUsableMemory(double fraction, int64_t divisor);

// system free. Creates the memory limit listener.
int64_t tesFreePhysicalMemory(int64_t divisor);

// From the operating system only: (available page file x fraction +
// min(available physical, available virtual + available extended virtual)),
// the min alone when fraction is 0; 1843200 bytes when the status is unknown.
int64_t tesAvailableMemory(double fraction, int64_t divisor);

// Available virtual memory; 1843200 bytes when the status is unknown.
int64_t tesAvailableVirtualMemory(int64_t divisor);

// The memory checker's figure, else the working set, else total virtual -
// available virtual; 0 when nothing is known.
int64_t tesProcessMemory(int64_t divisor);

// The process's current and peak working set; false (zeros) when unknown.
bool tesWorkingSet(int64_t* current, int64_t* peak, int64_t divisor);
bool tesWorkingSet(int64_t* current, int64_t divisor);

// The limit of the process-wide MemLimitListener, created on first call.
int64_t tesMemoryLimit();
