// A read-only binary blob with a kind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tesobject.h"

class ITesClcBinary : public virtual ITesUnknown {
public:
    virtual int32_t kind() const = 0;
    virtual const uint8_t* data() const = 0;
    virtual uint64_t size() const = 0;
};

class TesClcBinary : public ITesClcBinary {
public:
    // Copies `size` bytes; kind is 1.
    TesClcBinary(const void* bytes, uint64_t size);
    ~TesClcBinary() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t kind() const override { return kind_; }
    const uint8_t* data() const override { return data_; }
    uint64_t size() const override { return size_; }

private:
    int32_t kind_ = 1;
    uint8_t* data_;
    uint64_t size_;
};
