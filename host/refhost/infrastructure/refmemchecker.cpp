#include "infrastructure/refmemchecker.h"

#include "queryinterface.h"

namespace {
constexpr const char* kClassName = "RefMemChecker";
constexpr int32_t kFailed = -1;
}  // namespace

void RefMemChecker::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kClassName, this, this, {{"IMemChecker", static_cast<IMemChecker*>(this)}}});
}

const char* RefMemChecker::className() const { return kClassName; }

int32_t RefMemChecker::memoryFigures(int64_t* systemFree, int64_t* systemTotal, int64_t* swapFree, int64_t* swapTotal,
                                     int64_t divisor) {
    if (!scripted_ || divisor < 1) return kFailed;
    *systemFree = bytes_.systemFree / divisor;
    *systemTotal = bytes_.systemTotal / divisor;
    *swapFree = bytes_.swapFree / divisor;
    *swapTotal = bytes_.swapTotal / divisor;
    return 0;
}

int64_t RefMemChecker::processMemory(int64_t divisor) { return divisor >= 1 ? processBytes_ / divisor : 0; }

void RefMemChecker::script(const TesMemoryFigures& bytes, int64_t processBytes) {
    bytes_ = bytes;
    processBytes_ = processBytes;
    scripted_ = true;
}
