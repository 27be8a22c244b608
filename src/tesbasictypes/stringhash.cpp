// tesStringHash: hash = hash * 33 + byte over signed bytes, modulo 2^32. A run
// of n bytes adds to it as hash * 33^n plus the bytes' own sum of
// byte * 33^(n-1-k), which does not wait on the hash; taking the bytes in runs
// keeps the chain of dependent multiplies short and gives the same value.
#include <cstddef>
#include <cstring>

#include "servicelookup.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kHashStart = 5381;
constexpr uint32_t kHashFactor = 33;
constexpr size_t kHashStep = 8;

constexpr uint32_t hashFactorPower(size_t exponent) {
    uint32_t power = 1;
    for (size_t i = 0; i < exponent; ++i) power *= kHashFactor;
    return power;
}

uint32_t signedByte(char c) { return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c))); }

#if defined(__SSE2__)

constexpr size_t kWideStep = 32;

// The multiplier of each byte of a wide run, 33^(31-k), split as H * 2^16 + L
// with both halves signed 16-bit, so that 16-bit multiplies give
// byte * multiplier modulo 2^32 as byte * L + ((byte * H) << 16).
struct WidePowers {
    alignas(16) int16_t low[kWideStep];
    alignas(16) int16_t high[kWideStep];
};

constexpr WidePowers widePowers() {
    WidePowers powers{};
    for (size_t k = 0; k < kWideStep; ++k) {
        const uint32_t power = hashFactorPower(kWideStep - 1 - k);
        const auto low = static_cast<int16_t>(power & 0xFFFFu);
        powers.low[k] = low;
        powers.high[k] = static_cast<int16_t>((power - static_cast<uint32_t>(static_cast<int32_t>(low))) >> 16);
    }
    return powers;
}

constexpr WidePowers kWidePowers = widePowers();

// Sum of byte * multiplier over eight signed 16-bit bytes, in four 32-bit lanes.
__m128i weighted(__m128i bytes, size_t first) {
    const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(kWidePowers.low + first));
    const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(kWidePowers.high + first));
    return _mm_add_epi32(_mm_madd_epi16(bytes, low), _mm_slli_epi32(_mm_madd_epi16(bytes, high), 16));
}

// Sum of byte * 33^(31-k) over the 32 bytes at `run`, modulo 2^32.
uint32_t wideRunSum(const char* run) {
    __m128i sum = _mm_setzero_si128();
    for (size_t half = 0; half < kWideStep; half += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + half));
        // Each byte doubled into a 16-bit lane, then shifted down with its sign.
        const __m128i first = _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
        const __m128i second = _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8);
        sum = _mm_add_epi32(sum, _mm_add_epi32(weighted(first, half), weighted(second, half + 8)));
    }
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(sum));
}

uint32_t hashWideRuns(const char* text, size_t length, size_t& at, uint32_t hash) {
    constexpr uint32_t kRunFactor = hashFactorPower(kWideStep);
    for (; at + kWideStep <= length; at += kWideStep) hash = hash * kRunFactor + wideRunSum(text + at);
    return hash;
}

#else

uint32_t hashWideRuns(const char*, size_t, size_t&, uint32_t hash) { return hash; }

#endif

uint32_t hashRuns(const char* text, size_t length, size_t& at, uint32_t hash) {
    static constexpr uint32_t kPowers[kHashStep + 1] = {
        hashFactorPower(0), hashFactorPower(1), hashFactorPower(2), hashFactorPower(3), hashFactorPower(4),
        hashFactorPower(5), hashFactorPower(6), hashFactorPower(7), hashFactorPower(8)};
    for (; at + kHashStep <= length; at += kHashStep) {
        uint32_t run = 0;
        for (size_t k = 0; k < kHashStep; ++k) run += signedByte(text[at + k]) * kPowers[kHashStep - 1 - k];
        hash = hash * kPowers[kHashStep] + run;
    }
    return hash;
}

}  // namespace

uint32_t tesStringHash(const char* text) {
    if (text == nullptr) return 0;
    const size_t length = std::strlen(text);
    size_t at = 0;
    uint32_t hash = hashWideRuns(text, length, at, kHashStart);
    hash = hashRuns(text, length, at, hash);
    for (; at < length; ++at) hash = hash * kHashFactor + signedByte(text[at]);
    return hash;
}
