// Infrastructure services of the host: error reporting, assertion handling, the
// memory manager that serves pages and releases memory on demand, and the
// bucket memory pool shared by the host and its components.
#pragma once

#include <cstdint>

#include "../tesobject.h"

// "ITesErrorService": reports a message with a level and a context (source).
class ITesErrorService : public ITesUnknown {
public:
    virtual void report(const char* message, int32_t level, const char* context) = 0;
};

// "ITesAssertHandlerCB": receives failed assertions when no hook is set.
class ITesAssertHandlerCB : public ITesUnknown {
public:
    virtual void onAssert(const char* expression, const char* source, int32_t line) = 0;
};

// "IBucketMemoryPool": small blocks recycled through size-class free lists.
// Every block carries an 8-byte header naming the allocator able to free it.
class IBucketMemoryPool : public virtual ITesUnknown {
public:
    // Gives every free block back to the memory manager; true.
    virtual bool purge() = 0;
    // A block of at least `size` bytes; *usable receives the bytes it really has
    // (the size to free it with). Null only for a request no block can hold.
    virtual void* allocate(uint32_t size, uint32_t* usable) = 0;
    // Takes *block (allocated with a usable size of `size`) and nulls the
    // caller's pointer; false, changing nothing, for a null block or size 0.
    virtual bool deallocate(uint32_t size, void** block) = 0;
    // Switches pooling off (every block straight from and back to the memory
    // manager) or on again; true.
    virtual bool setPooling(bool on) = 0;
};

namespace TesMM {

// "ITesMManager": the host's memory manager.
class ITesMManager : public ITesUnknown {
public:
    // A page of `pageKind` bytes; `flag` 1 asks for zero-filled memory. Null
    // when no memory is left.
    virtual void* allocPage(int32_t pageKind, int32_t flag) = 0;
    virtual void freePage(void* page) = 0;
    // True when the manager released memory that a new attempt may use.
    virtual bool releaseMemory() = 0;
    // Figures for the memory log, in the manager's own units.
    virtual int64_t coreLimit() = 0;
    virtual int64_t swapLimit() = 0;
    virtual int64_t swapNow() = 0;
    virtual int64_t coreNow() = 0;
};

}  // namespace TesMM
