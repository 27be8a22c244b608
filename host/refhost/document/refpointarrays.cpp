#include "document/refpointarrays.h"

#include <algorithm>
#include <new>

#include "queryinterface.h"
#include "tesvectorarray.h"

namespace {

constexpr const char* kColorsClass = "RefPointExtraInfo";
constexpr const char* kColorsInterface = "ITesPointExtraInfo";
constexpr const char* kFactoryClass = "RefRealPArrayFactory";
constexpr const char* kFactoryInterface = "IRealPArrayFactory";
constexpr float kChannelMax = 255.0f;
constexpr uint32_t kChannelMask = 0xFF;
constexpr int kShifts[3] = {16, 8, 0};

uint32_t channel(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return kChannelMask;
    return static_cast<uint32_t>(value * kChannelMax + 0.5f);
}

}  // namespace

uint32_t RefPointExtraInfo::pack(const float* rgb) {
    uint32_t value = 0;
    for (int i = 0; i < 3; ++i) value |= channel(rgb[i]) << kShifts[i];
    return value;
}

void RefPointExtraInfo::unpack(uint32_t value, float* rgb) {
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>((value >> kShifts[i]) & kChannelMask) / kChannelMax;
}

void RefPointExtraInfo::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kColorsClass, this, this, {{kColorsInterface, static_cast<ITesPointExtraInfo*>(this)}}});
}

const char* RefPointExtraInfo::className() const { return kColorsClass; }

bool RefPointExtraInfo::makeRoom(int32_t count) {
    try {
        if (packed_.size() < static_cast<size_t>(count)) packed_.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (count > count_) std::fill(packed_.begin() + count_, packed_.begin() + count, 0);
    return true;
}

bool RefPointExtraInfo::setCount(int32_t count) {
    if (count < 0 || !makeRoom(count)) return false;
    count_ = count;
    active_ = true;
    return true;
}

bool RefPointExtraInfo::resize(int32_t count) {
    if (!setCount(count)) return false;
    packed_.resize(static_cast<size_t>(count));
    packed_.shrink_to_fit();
    return true;
}

void RefPointExtraInfo::clear() {
    packed_.clear();
    packed_.shrink_to_fit();
    count_ = 0;
    active_ = false;
}

bool RefPointExtraInfo::getColor(int32_t entry, float* rgb) const {
    if (!contains(entry)) return false;
    unpack(packed_[static_cast<size_t>(entry)], rgb);
    return true;
}

bool RefPointExtraInfo::getColor(int32_t entry, double* rgb) const {
    float values[3];
    if (!getColor(entry, values)) return false;
    std::copy(values, values + 3, rgb);
    return true;
}

bool RefPointExtraInfo::setColor(int32_t entry, const float* rgb) {
    if (!contains(entry)) return false;
    packed_[static_cast<size_t>(entry)] = pack(rgb);
    return true;
}

bool RefPointExtraInfo::setColor(int32_t entry, const double* rgb) {
    const float values[3] = {static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2])};
    return setColor(entry, values);
}

uint32_t RefPointExtraInfo::packed(int32_t entry) const {
    return contains(entry) ? packed_[static_cast<size_t>(entry)] : 0;
}

ITesPointExtraInfo* RefPointExtraInfo::clone() const {
    auto* copy = new RefPointExtraInfo;
    copy->assign(*this);
    return copy;
}

void RefPointExtraInfo::assign(const ITesPointExtraInfo& other) {
    if (&other == this) return;
    clear();
    if (!other.isActive() && other.count() == 0) return;
    if (!resize(other.count())) return;
    for (int32_t entry = 0; entry < count_; ++entry) packed_[static_cast<size_t>(entry)] = other.packed(entry);
    active_ = other.isActive();
}

bool RefPointExtraInfo::equals(const ITesPointExtraInfo& other, int32_t count) const {
    for (int32_t entry = 0; entry < count; ++entry) {
        if (packed(entry) != other.packed(entry)) return false;
    }
    return true;
}

void RefRealPArrayFactory::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kFactoryClass, this, this, {{kFactoryInterface, static_cast<IRealPArrayFactory*>(this)}}});
}

const char* RefRealPArrayFactory::className() const { return kFactoryClass; }

IRealPArray* RefRealPArrayFactory::create(int32_t magicWord, int32_t chunkLength) {
    if (!TesVectorArray::isVectorArrayMagic(magicWord) || chunkLength != TesVectorArray::kChunkLength) return nullptr;
    return new TesVectorArray;
}
