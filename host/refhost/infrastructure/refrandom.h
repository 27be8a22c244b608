// The reference host's random number generator ("ITesRandom"): a 32-bit
// Mersenne Twister, so a seed gives the same sequence on every platform.
#pragma once

#include <cstdint>
#include <random>

#include "hostapi/infrastructure.h"

class RefRandom : public ITesRandom {
public:
    // Seeded with std::mt19937's default seed until seed() is called.
    RefRandom() = default;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void seed(uint32_t seed) override;
    // Unbiased: draws below the largest multiple of `bound` are kept.
    int32_t below(int32_t bound) override;

private:
    std::mt19937 engine_;
};
