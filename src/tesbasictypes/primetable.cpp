#include "primetable.h"

namespace {
constexpr uint32_t kPrimes[] = {
    2,         3,         5,         11,        17,        37,        67,         131,
    257,       521,       1031,      2053,      4099,      8209,      16411,      32771,
    65537,     131101,    262147,    524309,    1048583,   2097169,   4194319,    8388617,
    16777259,  33554467,  67108879,  134217757, 268435459, 536870923, 1073741827, 2147483659u,
};
constexpr int kSearched = 31;
}  // namespace

uint32_t tesNextPrime(uint32_t n) {
    for (int i = 0; i < kSearched; ++i) {
        if (kPrimes[i] > n) return kPrimes[i];
    }
    return kPrimes[kSearched];
}
