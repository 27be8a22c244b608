// Infrastructure services of the host: error reporting, assertion handling,
// the memory manager that serves pages and releases memory on demand, the
// string support for wide text, the progress display, the bucket memory pool
// shared by the host and its components, and the random number generator.
#pragma once

#include <cstdint>

#include "../tesobject.h"

// "ITesErrorService": reports a message with a level and a context (source).
class ITesErrorService : public virtual ITesUnknown {
public:
    virtual void report(const char* message, int32_t level, const char* context) = 0;
};

// "ITesAssertHandlerCB": receives failed assertions when no hook is set.
class ITesAssertHandlerCB : public virtual ITesUnknown {
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

// "ITesProgress": the host's progress display.
class ITesProgress : public virtual ITesUnknown {
public:
    // `fraction` of the whole display, 0 ... 1; false asks the operation to stop.
    virtual bool report(float fraction) = 0;
    // True when the user asked to stop.
    virtual bool cancelRequested() = 0;
};

// "ITesRandom": a seeded generator of uniformly distributed integers.
class ITesRandom : public virtual ITesUnknown {
public:
    // Restarts the sequence: the same seed gives the same numbers.
    virtual void seed(uint32_t seed) = 0;
    // An integer in [0, bound); 0 for a bound below 1.
    virtual int32_t below(int32_t bound) = 0;
};

namespace TesMM {

// "ITesMManager": the host's memory manager.
class ITesMManager : public virtual ITesUnknown {
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

// "ITesStrSupport": the host's locale-dependent work on wide text. Texts are
// zero-terminated 16-bit units; a null text is read as empty. Operations that
// produce text write at most outSize - 1 units or bytes and a terminator into
// `out` (when outSize > 0) and return the length of the whole result, as
// snprintf does, so a caller can retry with a larger buffer.
class ITesStrSupport : public ITesUnknown {
public:
    virtual void reservedSlot0() = 0;
    // The 8-bit form of `text`.
    virtual int32_t toNarrow(const char16_t* text, char* out, int32_t outSize) = 0;
    // Negative, 0 or positive as a orders before, with or after b; 0 only for
    // equal texts.
    virtual int32_t compare(const char16_t* a, const char16_t* b) = 0;
    virtual bool isSpace(char16_t unit) = 0;
    virtual bool isDigit(char16_t unit) = 0;
    virtual void reservedSlot5() = 0;
    virtual void reservedSlot6() = 0;
    virtual void reservedSlot7() = 0;
    // The lower-case form of `text`.
    virtual int32_t toLower(const char16_t* text, char16_t* out, int32_t outSize) = 0;
};
