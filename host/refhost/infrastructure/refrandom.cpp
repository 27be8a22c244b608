#include "infrastructure/refrandom.h"

#include "queryinterface.h"

namespace {
constexpr const char* kRandomClass = "RefRandom";
constexpr uint64_t kDrawRange = uint64_t{1} << 32;  // std::mt19937 gives 32 bits
}  // namespace

void RefRandom::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kRandomClass, this, this, {{"ITesRandom", static_cast<ITesRandom*>(this)}}});
}

const char* RefRandom::className() const { return kRandomClass; }

void RefRandom::seed(uint32_t seed) { engine_.seed(seed); }

int32_t RefRandom::below(int32_t bound) {
    if (bound < 1) return 0;
    const uint64_t range = static_cast<uint64_t>(bound);
    const uint64_t accepted = kDrawRange - kDrawRange % range;
    uint64_t draw = engine_();
    while (draw >= accepted) draw = engine_();
    return static_cast<int32_t>(draw % range);
}
