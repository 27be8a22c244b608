#include "tesconditionvariable.h"

#include "os/osconditionvariable.h"
#include "tesmutex.h"
#include "teswaittime.h"

TesConditionVariable::TesConditionVariable() : handle_(tesOsConditionVariableCreate()) {}

TesConditionVariable::~TesConditionVariable() { tesOsConditionVariableClose(handle_); }

bool TesConditionVariable::wait(TesMutex& held) {
    return tesOsConditionVariableWait(handle_, held.handle(), kTesOsInfinite) == TesOsWait::acquired;
}

bool TesConditionVariable::waitFor(TesMutex& held, double seconds) {
    return tesOsConditionVariableWait(handle_, held.handle(), tesWaitMilliseconds(seconds)) == TesOsWait::acquired;
}

void TesConditionVariable::wakeOne() { tesOsConditionVariableWake(handle_); }

void TesConditionVariable::wakeAll() { tesOsConditionVariableWakeAll(handle_); }
