// A mutex owned by the thread that locks it and recursive within that thread,
// optionally named so that processes share it. It holds one handle, null until
// created or opened. The calls that return bool return false when there is no
// handle.
//
// A holder that ends without unlocking (its thread or, for a named mutex, its
// process) does not leave the mutex locked: the next locker acquires it. Named
// mutexes live in shared memory (see os/ossharedmutex.h for the mechanism and
// its limits). Names are 8-bit strings; any byte but NUL may appear.
#pragma once

struct TesOsMutex;

class TesMutex {
public:
    enum class Creation {
        unnamed,  // create an unnamed mutex now
        none,     // no handle yet: call createNamed, openNamed or create
    };

    explicit TesMutex(Creation creation = Creation::unnamed);
    ~TesMutex();
    TesMutex(const TesMutex&) = delete;
    TesMutex& operator=(const TesMutex&) = delete;

    // An unnamed mutex; false when a handle exists or creation failed.
    bool create();
    // Creates the named mutex, or opens it when it exists, with a handle that
    // child processes inherit across exec. False when a handle exists (kept),
    // the name is null or empty, or the system refuses.
    bool createNamed(const char* name);
    // Opens an existing named mutex; false when a handle exists (kept), the
    // name is null or empty, or no mutex has that name.
    bool openNamed(const char* name);

    // Waits without time limit.
    bool lock();
    // True when acquired without waiting.
    bool tryLock();
    // Waits up to `seconds` (see tesWaitMilliseconds: at least 1 ms); true when
    // acquired.
    bool lockFor(double seconds);
    // Releases one level; false also when the calling thread does not hold it.
    bool unlock();

    bool isNull() const { return handle_ == nullptr; }
    // Drops the handle; a lock the caller holds is not released by this.
    bool close();

    TesOsMutex* handle() const { return handle_; }

private:
    TesOsMutex* handle_ = nullptr;
};
