// A lightweight lock for short sections within one process. With a positive
// spin count, entering retries that many times before the thread sleeps.
#pragma once

#include <cstdint>

struct TesOsCriticalSection;

// A negative spin count means no spinning (reported as -1).
TesOsCriticalSection* tesOsCriticalSectionCreate(int32_t spinCount);
void tesOsCriticalSectionClose(TesOsCriticalSection* section);

void tesOsCriticalSectionEnter(TesOsCriticalSection* section);
void tesOsCriticalSectionLeave(TesOsCriticalSection* section);

int32_t tesOsCriticalSectionSpinCount(const TesOsCriticalSection* section);
