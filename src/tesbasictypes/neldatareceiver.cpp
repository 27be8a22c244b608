#include "neldatareceiver.h"

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "NelDataReceiver";
}  // namespace

void NelDataReceiver::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, this, {{"ITesDataReceiver", static_cast<ITesDataReceiver*>(this)}}});
}

const char* NelDataReceiver::className() const { return kClassName; }

void NelDataReceiver::onBoolChanged(const char*, bool) {}
void NelDataReceiver::onIntChanged(const char*, int32_t) {}
void NelDataReceiver::onDoubleChanged(const char*, double) {}
void NelDataReceiver::onStringChanged(const char*, const char16_t*) {}
void NelDataReceiver::onBinaryChanged(const char*, const void*, int64_t) {}
void NelDataReceiver::onRemoved(const char*) {}
void NelDataReceiver::onStoreReset() {}
