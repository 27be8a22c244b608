// Infrastructure services of the host: error reporting, assertion handling,
// the memory manager that serves pages and releases memory on demand, the
// string support for wide text, the progress display, the bucket memory pool
// shared by the host and its components, the random number generator, and
// point arrays with their factory and per-point colours.
#pragma once

#include <cstdint>

#include "../tesobject.h"

class BinInput;
class BitVector;
struct TesVector;

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

// Per-point colours of a point array ("ITesPointExtraInfo" offers an empty
// one to copy from). Entries are numbered from 0; entry k is the colour of
// point k + 1. A colour is three floats r, g, b in 0 ... 1 or one packed
// 32-bit value; how the object stores them is its own affair.
class ITesPointExtraInfo : public virtual ITesUnknown {
public:
    // True while the object holds colours (after resize or setCount, until
    // clear).
    virtual bool isActive() const = 0;
    virtual int32_t count() const = 0;
    // The number of entries in use, storage kept when it drops; new entries
    // are black. False, changing nothing, when the storage cannot be had.
    virtual bool setCount(int32_t count) = 0;
    // Storage for exactly `count` entries; new entries are black.
    virtual bool resize(int32_t count) = 0;
    // Drops every entry; the object becomes inactive.
    virtual void clear() = 0;
    // Inactive and without entries.
    virtual bool isEmpty() const = 0;
    // False for an entry outside 0 ... count - 1 (nothing is written then).
    virtual bool getColor(int32_t entry, float* rgb) const = 0;
    virtual bool getColor(int32_t entry, double* rgb) const = 0;
    virtual bool setColor(int32_t entry, const float* rgb) = 0;
    virtual bool setColor(int32_t entry, const double* rgb) = 0;
    // The packed value of an entry; 0 outside 0 ... count - 1.
    virtual uint32_t packed(int32_t entry) const = 0;
    // The count() packed values in a row, written through to the colours;
    // null without entries.
    virtual uint32_t* packedStorage() = 0;
    // A new object with the same entries and state (count 0, the caller
    // takes it), and a new empty one.
    virtual ITesPointExtraInfo* clone() const = 0;
    virtual ITesPointExtraInfo* createEmpty() const = 0;
    // Takes the other's entries and state.
    virtual void assign(const ITesPointExtraInfo& other) = 0;
    // Entries 0 ... count - 1 agree (an entry beyond either object counting
    // as packed 0).
    virtual bool equals(const ITesPointExtraInfo& other, int32_t count) const = 0;
};

// "IRealPArray": an array of points (three doubles), numbered from 1, with
// optional per-point colours. Reads of indices outside 1 ... count() do not
// fail; what they deliver is the implementation's (a stored value or the
// origin, never memory outside the array).
class IRealPArray : public virtual ITesUnknown {
public:
    virtual int32_t count() const = 0;
    // count() becomes 0; storage is kept.
    virtual void clear() = 0;
    virtual void reserve(int32_t count) = 0;
    // A new array of the same kind with the same points and a copy of the
    // colours (count 0, the caller takes it).
    virtual IRealPArray* clone() const = 0;
    // The appending operations return the new point's index, the new count.
    virtual int32_t add(const TesVector& point) = 0;
    // The float forms of add and set are optional: the library's own arrays
    // answer them with an assertion.
    virtual int32_t add(const float* xyz) = 0;
    // A null pointer appends the origin.
    virtual int32_t add(const double* xyz) = 0;
    virtual int32_t add(double x, double y, double z) = 0;
    // Sets the count; the stored points stay as they are.
    virtual void setCount(int32_t count) = 0;
    virtual void set(int32_t index, const TesVector& point) = 0;
    virtual void set(int32_t index, const float* xyz) = 0;
    // Creates storage as needed; a null pointer stores the origin.
    virtual void set(int32_t index, const double* xyz) = 0;
    virtual void set(int32_t index, double x, double y, double z) = 0;
    virtual void get(int32_t index, TesVector& point) const = 0;
    virtual void get(int32_t index, float* xyz) const = 0;
    virtual void get(int32_t index, double* xyz) const = 0;
    virtual void get(int32_t index, double& x, double& y, double& z) const = 0;
    // Switches colours on (one black entry per point) or off; false when they
    // already were in that state.
    virtual bool enableColors(bool on) = 0;
    // False without colours or for a point without a colour entry.
    virtual bool getColor(int32_t index, float* rgb) const = 0;
    virtual bool getColor(int32_t index, double* rgb) const = 0;
    virtual bool getColor(int32_t index, double& r, double& g, double& b) const = 0;
    virtual bool hasColors() const = 0;
    // Per coordinate, the least and greatest over the points whose bit is set
    // in `selection` (over all points without one). An empty array gives the
    // origin twice; no point selected leaves min at +1e42 and max at -1e42.
    virtual void boundingBox(TesVector& min, TesVector& max, const BitVector& selection) const = 0;
    virtual void boundingBox(TesVector& min, TesVector& max) const = 0;
    // Applies the 4 x 4 matrix `matrix` (row order) to every point, dividing by
    // w when w is not exactly 1.
    virtual void transform(const double* matrix) = 0;
    // Replaces the points with the record in `in`; false when it is not one of
    // this kind or is cut short.
    virtual bool read(BinInput& in) = 0;
    // Unused slots; the library's arrays answer them with an assertion.
    virtual void reservedSlot26() = 0;
    virtual void reservedSlot27() = 0;
};

// "IRealPArrayFactory": makes point arrays by the type of their record.
class IRealPArrayFactory : public virtual ITesUnknown {
public:
    // A new empty array for records that open with `magicWord`, storing
    // `chunkLength` points to a chunk (count 0, the caller takes it); null for
    // a kind the factory does not know.
    virtual IRealPArray* create(int32_t magicWord, int32_t chunkLength) = 0;
};
