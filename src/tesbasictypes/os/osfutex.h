// Waits and wakes on a 32-bit word private to this process (Linux futexes):
// a thread sleeps in the kernel only while the word still holds the value it
// saw, so a wake between its check and its sleep is never lost. Internal to
// os/.
#pragma once

#include <atomic>
#include <cstdint>

#include "oswaitlist.h"

// Sleeps while `word` holds `expected`, until woken or the deadline passes.
// False only when the deadline passed; a wake-up may be spurious, so callers
// check the word again.
bool tesOsFutexWait(std::atomic<uint32_t>& word, uint32_t expected, const TesOsDeadline& deadline);

// Wakes up to `count` threads sleeping on `word`.
void tesOsFutexWake(std::atomic<uint32_t>& word, int32_t count);
