#include "componentidentity.h"

#include <cstdlib>
#include <cstring>

#include "servicelookup.h"

namespace {

bool readBreakFlag() {
    const char* value = std::getenv("TES_BREAK_ENABLED");
    return value == nullptr || std::strcmp(value, "0") != 0;
}

bool& breakFlag() {
    static bool flag = readBreakFlag();
    return flag;
}

// Load-time state: the identity enumerations report, and the break flag.
[[maybe_unused]] const bool kIdentitySet = (tesSetComponentIdentity(kComponentName, kComponentId), breakFlag(), true);

}  // namespace

bool componentBreakEnabled() { return breakFlag(); }

void setComponentBreakEnabled(bool enabled) { breakFlag() = enabled; }
