#include "tesevent.h"

#include "os/osevent.h"
#include "teswaittime.h"

TesEvent::TesEvent() : handle_(tesOsEventCreate(true, false)) {}

TesEvent::~TesEvent() { tesOsEventClose(handle_); }

bool TesEvent::set() { return tesOsEventSet(handle_); }

bool TesEvent::reset() { return tesOsEventReset(handle_); }

bool TesEvent::wait() { return tesOsEventWait(handle_, kTesOsInfinite) == TesOsWait::acquired; }

bool TesEvent::waitFor(double seconds) {
    return tesOsEventWait(handle_, tesWaitMilliseconds(seconds)) == TesOsWait::acquired;
}

bool TesEvent::isSet() { return tesOsEventWait(handle_, 0) == TesOsWait::acquired; }
