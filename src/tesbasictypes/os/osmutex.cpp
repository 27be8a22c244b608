#include "osmutex.h"

#include <pthread.h>

#include <cerrno>
#include <new>

#include "ossharedmutex.h"
#include "oswaitlist.h"

struct TesOsMutex {
    pthread_mutex_t* mutex = nullptr;  // &own, or the one in shared memory
    pthread_mutex_t own;
    TesOsSharedMutex* shared = nullptr;  // named mutexes only
};

namespace {

TesOsMutex* openShared(const char* name, bool create, bool inheritable) {
    auto* handle = new (std::nothrow) TesOsMutex;
    if (handle == nullptr) return nullptr;
    handle->shared = tesOsSharedMutexOpen(name, create, inheritable);
    if (handle->shared == nullptr) {
        delete handle;
        return nullptr;
    }
    handle->mutex = tesOsSharedMutexGet(handle->shared);
    return handle;
}

TesOsWait classify(TesOsMutex* handle, int error) {
    switch (error) {
        case 0:
            return TesOsWait::acquired;
        case EOWNERDEAD:
            pthread_mutex_consistent(handle->mutex);
            return TesOsWait::abandoned;
        case EBUSY:
        case ETIMEDOUT:
            return TesOsWait::timeout;
        default:
            return TesOsWait::failed;
    }
}

TesOsWait resultOf(TesOsMutex* handle, int error) {
    const TesOsWait result = classify(handle, error);
    if (handle->shared != nullptr && tesOsWaitAcquired(result)) tesOsSharedMutexNoteAcquired(handle->shared);
    return result;
}

}  // namespace

TesOsMutex* tesOsMutexCreate() {
    auto* handle = new (std::nothrow) TesOsMutex;
    if (handle == nullptr) return nullptr;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const bool initialised = pthread_mutex_init(&handle->own, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    if (!initialised) {
        delete handle;
        return nullptr;
    }
    handle->mutex = &handle->own;
    return handle;
}

TesOsMutex* tesOsMutexCreateNamed(const char* name, bool inheritable) { return openShared(name, true, inheritable); }

TesOsMutex* tesOsMutexOpenNamed(const char* name) { return openShared(name, false, false); }

void tesOsMutexClose(TesOsMutex* handle) {
    if (handle == nullptr) return;
    if (handle->shared != nullptr) {
        tesOsSharedMutexClose(handle->shared);
    } else {
        pthread_mutex_destroy(&handle->own);
    }
    delete handle;
}

TesOsWait tesOsMutexWait(TesOsMutex* handle, uint32_t milliseconds) {
    if (handle == nullptr) return TesOsWait::failed;
    if (milliseconds == kTesOsInfinite) return resultOf(handle, pthread_mutex_lock(handle->mutex));
    if (milliseconds == 0) return resultOf(handle, pthread_mutex_trylock(handle->mutex));
    const timespec deadline = tesOsRealtimeAfter(milliseconds);
    return resultOf(handle, pthread_mutex_timedlock(handle->mutex, &deadline));
}

bool tesOsMutexRelease(TesOsMutex* handle) {
    if (handle == nullptr || pthread_mutex_unlock(handle->mutex) != 0) return false;
    if (handle->shared != nullptr) tesOsSharedMutexNoteReleased(handle->shared);
    return true;
}
