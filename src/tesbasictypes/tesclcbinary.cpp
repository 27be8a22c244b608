#include "tesclcbinary.h"

#include <cstring>

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "TesClcBinary";
}  // namespace

TesClcBinary::TesClcBinary(const void* bytes, uint64_t size) : data_(new uint8_t[size]), size_(size) {
    if (size != 0) std::memcpy(data_, bytes, size);
}

TesClcBinary::~TesClcBinary() { delete[] data_; }

void TesClcBinary::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{"ITesClcBinary", static_cast<ITesClcBinary*>(this)}}});
}

const char* TesClcBinary::className() const { return kClassName; }
