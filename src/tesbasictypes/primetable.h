// Bucket counts of the library's hash maps.
#pragma once

#include <cstdint>

// The first entry of the prime table (2, 3, 5, 11, 17, 37, 67, 131, 257, ...)
// strictly greater than n among its first 31 entries, else 2147483659.
uint32_t tesNextPrime(uint32_t n);
