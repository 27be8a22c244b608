// Infrastructure services of the host: error reporting, assertion handling,
// the progress display and the memory manager that serves pages and releases
// memory on demand.
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

// "ITesProgress": the host's progress display.
class ITesProgress : public ITesUnknown {
public:
    // `fraction` of the whole display, 0 ... 1; false asks the operation to stop.
    virtual bool report(float fraction) = 0;
    // True when the user asked to stop.
    virtual bool cancelRequested() = 0;
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
