// Big-endian byte strings for the point-array record tests, built value by
// value so that expected records read like their layout.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "binio.h"
#include "tesvectorarray.h"

class PointBytes {
public:
    PointBytes& word(uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    PointBytes& real(double value) {
        const auto bits = std::bit_cast<uint64_t>(value);
        for (int shift = 56; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(bits >> shift));
        return *this;
    }
    PointBytes& single(float value) { return word(std::bit_cast<uint32_t>(value)); }
    PointBytes& point(double x, double y, double z) { return real(x).real(y).real(z); }
    // The record header of a TesVectorArray of `count` points.
    PointBytes& header(int32_t count, uint32_t version = 0) {
        return word((uint32_t{TesVectorArray::kMagicTag} << 8) | version).word(static_cast<uint32_t>(count));
    }

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    operator const std::vector<uint8_t>&() const { return bytes_; }  // NOLINT: reads like a byte string

private:
    std::vector<uint8_t> bytes_;
};
