// The process identity, the high-resolution counter, sleeping, and the
// system message box, which on this port is a report on stderr.
#pragma once

#include <cstdint>

uint32_t tesOsProcessId();

// Nanoseconds of a monotonic clock. Strictly increasing within the process,
// so two reads never give the same value.
uint64_t tesOsPerformanceCounter();

// Sleeps at least `milliseconds` (nothing for 0 or less).
void tesOsSleep(int64_t milliseconds);

// Shows `message` under `title`: two lines on stderr, "title" then "message".
void tesOsMessageBox(const char* title, const char* message);
