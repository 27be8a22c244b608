// The reference host's point-array services: "IRealPArrayFactory", which
// makes the library's TesVectorArray for its records, and
// "ITesPointExtraInfo", per-point colours kept as packed 32-bit values.
#pragma once

#include <cstdint>
#include <vector>

#include "hostapi/infrastructure.h"

// Colours packed one to a 32-bit value: red in bits 16 ... 23, green in
// 8 ... 15, blue in 0 ... 7, each 0 ... 255; the top byte is kept as stored
// but not shown. Float colours are limited to 0 ... 1 (NaN as 0) and rounded
// to the nearest 255th.
class RefPointExtraInfo : public ITesPointExtraInfo {
public:
    static uint32_t pack(const float* rgb);
    static void unpack(uint32_t value, float* rgb);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool isActive() const override { return active_; }
    int32_t count() const override { return count_; }
    // False for a negative count or storage that cannot be had.
    bool setCount(int32_t count) override;
    bool resize(int32_t count) override;
    void clear() override;
    bool isEmpty() const override { return !active_ && count_ == 0; }
    bool getColor(int32_t entry, float* rgb) const override;
    bool getColor(int32_t entry, double* rgb) const override;
    bool setColor(int32_t entry, const float* rgb) override;
    bool setColor(int32_t entry, const double* rgb) override;
    uint32_t packed(int32_t entry) const override;
    uint32_t* packedStorage() override { return count_ > 0 ? packed_.data() : nullptr; }
    ITesPointExtraInfo* clone() const override;
    ITesPointExtraInfo* createEmpty() const override { return new RefPointExtraInfo; }
    void assign(const ITesPointExtraInfo& other) override;
    bool equals(const ITesPointExtraInfo& other, int32_t count) const override;

private:
    bool contains(int32_t entry) const { return entry >= 0 && entry < count_; }
    // Storage for `count` entries at least, entries from count_ on black.
    bool makeRoom(int32_t count);

    std::vector<uint32_t> packed_;
    int32_t count_ = 0;
    bool active_ = false;
};

class RefRealPArrayFactory : public IRealPArrayFactory {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    // A TesVectorArray for a word with its tag (any version) and chunks of
    // 1024; null otherwise.
    IRealPArray* create(int32_t magicWord, int32_t chunkLength) override;
};
