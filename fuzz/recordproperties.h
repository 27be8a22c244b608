// The property every record reader is fuzzed and replayed with: whatever the
// input, reading it does not crash, and a record that was read is written,
// read again (by its own class and by the other bit-set class) and compared.
#pragma once

#include <cstddef>
#include <cstdint>

// Once per process, before anything allocates: the reference host with its
// memory manager, so large records take the paged storage.
void installRecordHost();

// Null when the property holds for `data`, otherwise what went wrong.
const char* checkBitVectorRecord(const uint8_t* data, size_t size);
const char* checkBlockBitVectorRecord(const uint8_t* data, size_t size);
const char* checkIntArrayRecord(const uint8_t* data, size_t size);
