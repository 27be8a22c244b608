// Big-endian byte strings built value by value, so that expected records read like their layout.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "memorystreams.h"
#include "tesvectorarray.h"

struct PointBytes {
    std::vector<uint8_t> bytes;

    PointBytes& word(uint64_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    PointBytes& single(float value) { return word(std::bit_cast<uint32_t>(value)); }
    PointBytes& point(double x, double y, double z) {
        for (double value : {x, y, z}) word(std::bit_cast<uint64_t>(value) >> 32).word(std::bit_cast<uint64_t>(value));
        return *this;
    }
    // The record header of a TesVectorArray of `count` points.
    PointBytes& header(int32_t count, uint32_t version = 0) {
        return word((uint32_t{TesVectorArray::kMagicTag} << 8) | version).word(static_cast<uint32_t>(count));
    }
    operator const std::vector<uint8_t>&() const { return bytes; }  // NOLINT: reads like a byte string
};

// The record `array` writes.
inline std::vector<uint8_t> recordBytes(const TesVectorArray& array) {
    MemoryOutput out;
    EXPECT_TRUE(array.write(out));
    out.flush();
    return out.bytes;
}
