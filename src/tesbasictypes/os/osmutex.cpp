#include "osmutex.h"

#include <new>

#include "osownedmutex.h"
#include "ossharedmutex.h"

struct TesOsMutex {
    TesOsOwnedMutex* owned = nullptr;    // &own, or the one in shared memory
    TesOsOwnedMutex own;
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
    handle->owned = tesOsSharedMutexGet(handle->shared);
    return handle;
}

}  // namespace

TesOsMutex* tesOsMutexCreate() {
    auto* handle = new (std::nothrow) TesOsMutex;
    if (handle == nullptr) return nullptr;
    if (!tesOsOwnedMutexInit(handle->own, false)) {
        delete handle;
        return nullptr;
    }
    handle->owned = &handle->own;
    return handle;
}

TesOsMutex* tesOsMutexCreateNamed(const char* name, bool inheritable) { return openShared(name, true, inheritable); }

TesOsMutex* tesOsMutexOpenNamed(const char* name) { return openShared(name, false, false); }

void tesOsMutexClose(TesOsMutex* handle) {
    if (handle == nullptr) return;
    if (handle->shared != nullptr) {
        tesOsSharedMutexClose(handle->shared);
    } else {
        tesOsOwnedMutexDestroy(handle->own);
    }
    delete handle;
}

TesOsWait tesOsMutexWait(TesOsMutex* handle, uint32_t milliseconds) {
    if (handle == nullptr) return TesOsWait::failed;
    const TesOsWait result = tesOsOwnedMutexWait(*handle->owned, milliseconds);
    if (handle->shared != nullptr && tesOsWaitAcquired(result)) tesOsSharedMutexNoteAcquired(handle->shared);
    return result;
}

bool tesOsMutexRelease(TesOsMutex* handle) {
    if (handle == nullptr || !tesOsOwnedMutexRelease(*handle->owned)) return false;
    if (handle->shared != nullptr) tesOsSharedMutexNoteReleased(handle->shared);
    return true;
}
