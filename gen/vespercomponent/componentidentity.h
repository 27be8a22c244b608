// Who this component is: identifier, name, version, and the break flag the
// host may consult.
#pragma once

#include "classid.h"

inline constexpr TesClassId kComponentId = TesClassId::parse("96ab9943-0d0c-4a16-9e7b-a0a9db0470ac");
inline constexpr const char* kComponentName = "vespercomponent";
inline constexpr const char* kComponentVersion = "5.3.21.373382";
inline constexpr uint32_t kInterfaceVersion = 100;

// Read from TES_BREAK_ENABLED when the library loads: unset or any value but
// "0" gives true.
bool componentBreakEnabled();
void setComponentBreakEnabled(bool enabled);
