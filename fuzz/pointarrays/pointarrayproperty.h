// The property the point-array reader is fuzzed and replayed with: whatever
// the input, reading a point record and the colour block after it does not
// crash, a failed read keeps no more points than the input held, and what was
// read is written (in both colour encodings), read again and written again to
// the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Once per process, before anything allocates: the reference host, whose
// memory manager serves the chunks and whose colour objects the reader makes.
void installPointArrayHost();

// Null when the property holds for `data`, otherwise what went wrong.
const char* checkPointArrayRecord(const uint8_t* data, size_t size);
