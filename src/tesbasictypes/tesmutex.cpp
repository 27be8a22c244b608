#include "tesmutex.h"

#include "os/osmutex.h"
#include "teswaittime.h"

TesMutex::TesMutex(Creation creation) {
    if (creation == Creation::unnamed) create();
}

TesMutex::~TesMutex() { close(); }

bool TesMutex::create() {
    if (handle_ != nullptr) return false;
    handle_ = tesOsMutexCreate();
    return handle_ != nullptr;
}

bool TesMutex::createNamed(const char* name) {
    if (handle_ != nullptr) return false;
    handle_ = tesOsMutexCreateNamed(name, true);
    return handle_ != nullptr;
}

bool TesMutex::openNamed(const char* name) {
    if (handle_ != nullptr) return false;
    handle_ = tesOsMutexOpenNamed(name);
    return handle_ != nullptr;
}

bool TesMutex::lock() { return tesOsWaitAcquired(tesOsMutexWait(handle_, kTesOsInfinite)); }

bool TesMutex::tryLock() { return tesOsWaitAcquired(tesOsMutexWait(handle_, 0)); }

bool TesMutex::lockFor(double seconds) {
    return tesOsWaitAcquired(tesOsMutexWait(handle_, tesWaitMilliseconds(seconds)));
}

bool TesMutex::unlock() { return tesOsMutexRelease(handle_); }

bool TesMutex::close() {
    if (handle_ == nullptr) return false;
    tesOsMutexClose(handle_);
    handle_ = nullptr;
    return true;
}
