// The shared part of a named mutex. Internal to os/.
//
// Mechanism: a robust, process-shared pthread mutex (with its owner record,
// osownedmutex.h) in a POSIX shared-memory object named after the mutex (in
// /dev/shm on Linux).
// - A holder that dies, a whole process or one thread, does not leave the mutex
//   locked: the next waiter acquires it and its wait reports `abandoned`. The
//   data the mutex guards may be half updated, as with any abandoned mutex.
// - The object disappears when its last handle in any process closes. Each
//   process keeps one record per name, shared by its handles, and the record
//   holds a shared lock on byte 1 of the object (an open-file-description lock,
//   which the kernel drops when the process dies); opening and closing hold an
//   exclusive lock on byte 0, so the closer that finds byte 1 free removes the
//   name while nobody can be opening it. When every holder died instead of
//   closing, the name stays until the next handle on it closes: openNamed still
//   finds it meanwhile.
// - A record whose mutex is still held by a thread of this process when its
//   last handle closes stays mapped to the end of the process: the kernel
//   needs the memory to report the holder's death, and the holder's list of
//   robust mutexes runs through it.
// - Objects are created with mode 0600: only the same user shares them.
// - Names: bytes outside [A-Za-z0-9._-] are written as %XX; a name too long for
//   the file system is cut and followed by a hash of the whole name.
// - A forked child may lock a handle it inherited (the mutex lives in shared
//   memory); its own opens get a record of their own, and closing an inherited
//   handle leaves the parent's registration alone.
#pragma once

#include "osownedmutex.h"

struct TesOsSharedMutex;

// With `create`, creates the object when it does not exist. Handles that are
// not inheritable close on exec. Null when the name is null or empty, the
// object does not exist (without `create`) or the system refuses.
TesOsSharedMutex* tesOsSharedMutexOpen(const char* name, bool create, bool inheritable);

// Ends one handle's use of the record.
void tesOsSharedMutexClose(TesOsSharedMutex* shared);

TesOsOwnedMutex* tesOsSharedMutexGet(TesOsSharedMutex* shared);

// Every acquisition and release through a handle, so that closing knows
// whether the mutex is still held in this process.
void tesOsSharedMutexNoteAcquired(TesOsSharedMutex* shared);
void tesOsSharedMutexNoteReleased(TesOsSharedMutex* shared);
