// Reports of broken preconditions: the expression text, the source name and the
// line go to the hook, else to the host's "ITesAssertHandlerCB"; without either
// the process ends with exit code 255. Otherwise execution continues.
#pragma once

using TesAssertHook = void (*)(void* context, const char* expression, const char* source, int line);

void tesSetAssertHook(TesAssertHook hook, void* context);
void tesAssertReport(const char* expression, const char* source, int line);

// Checks `condition` and reports `text` with the unit's kTesSourceName and the
// current line. Each unit that asserts defines kTesSourceName.
#define TES_ASSERT(condition, text) \
    ((condition) ? static_cast<void>(0) : tesAssertReport(text, kTesSourceName, __LINE__))
