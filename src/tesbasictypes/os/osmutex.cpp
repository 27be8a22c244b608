#include "osmutex.h"

#include <new>

#include "osfutexmutex.h"
#include "osownedmutex.h"
#include "ossharedmutex.h"

// Unnamed mutexes take the futex mutex of this process; named ones the robust
// pthread mutex in shared memory, whose holder's death the kernel reports.
struct TesOsMutex {
    TesOsFutexMutex local;
    TesOsSharedMutex* shared = nullptr;  // named mutexes only
    TesOsOwnedMutex* owned = nullptr;    // the one in shared memory
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

TesOsMutex* tesOsMutexCreate() { return new (std::nothrow) TesOsMutex; }

TesOsMutex* tesOsMutexCreateNamed(const char* name, bool inheritable) { return openShared(name, true, inheritable); }

TesOsMutex* tesOsMutexOpenNamed(const char* name) { return openShared(name, false, false); }

void tesOsMutexClose(TesOsMutex* handle) {
    if (handle == nullptr) return;
    if (handle->shared != nullptr) {
        tesOsSharedMutexClose(handle->shared);
    } else {
        tesOsFutexMutexDestroy(handle->local);
    }
    delete handle;
}

TesOsWait tesOsMutexWait(TesOsMutex* handle, uint32_t milliseconds) {
    if (handle == nullptr) return TesOsWait::failed;
    if (handle->shared == nullptr) return tesOsFutexMutexWait(handle->local, milliseconds);
    const TesOsWait result = tesOsOwnedMutexWait(*handle->owned, milliseconds);
    if (tesOsWaitAcquired(result)) tesOsSharedMutexNoteAcquired(handle->shared);
    return result;
}

bool tesOsMutexRelease(TesOsMutex* handle) {
    if (handle == nullptr) return false;
    if (handle->shared == nullptr) return tesOsFutexMutexRelease(handle->local);
    if (!tesOsOwnedMutexRelease(*handle->owned)) return false;
    tesOsSharedMutexNoteReleased(handle->shared);
    return true;
}
