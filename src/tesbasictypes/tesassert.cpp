#include "tesassert.h"

#include <cstdlib>

#include "hostapi/infrastructure.h"
#include "iptr.h"

namespace {
constexpr int kExitCodeNoHandler = 255;

struct Hook {
    TesAssertHook function = nullptr;
    void* context = nullptr;
};

Hook& hook() {
    static Hook value;
    return value;
}
}  // namespace

void tesSetAssertHook(TesAssertHook function, void* context) { hook() = Hook{function, context}; }

void tesAssertReport(const char* expression, const char* source, int line) {
    if (hook().function != nullptr) {
        hook().function(hook().context, expression, source, line);
        return;
    }
    SPtr<ITesAssertHandlerCB> handler("ITesAssertHandlerCB");
    if (handler) {
        handler->onAssert(expression, source, line);
        return;
    }
    std::exit(kExitCodeNoHandler);
}
