// Infrastructure services of the host: error reporting, assertion handling,
// the memory manager that serves pages and releases memory on demand, the
// memory checker, the named directories, the string support for wide text,
// the progress display, the bucket memory pool shared by the host and its
// components, the translation of user-visible texts, the user's length unit,
// the random number generator, XML documents, and point arrays with their
// factory and per-point colours.
#pragma once

#include <cstdint>

#include "../tesobject.h"
#include "../tesstring.h"

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

// "IMemChecker": the host's own view of the memory situation.
class IMemChecker : public virtual ITesUnknown {
public:
    // False when the checker has no figures to give; callers then ask the
    // operating system.
    virtual bool available() = 0;
    // Free and total physical memory and swap, in units of `divisor` bytes;
    // 0, or -1 on failure.
    virtual int32_t memoryFigures(int64_t* systemFree, int64_t* systemTotal, int64_t* swapFree, int64_t* swapTotal,
                                  int64_t divisor) = 0;
    // Memory the process uses, in units of `divisor` bytes.
    virtual int64_t processMemory(int64_t divisor) = 0;
};

// "ITesDirService": the folders the host names ("temp", "logs", ...).
class ITesDirService : public virtual ITesUnknown {
public:
    // The folder called `name` as a path in the library's form ("" separators,
    // tespath.h), or null or empty for a name the host does not know. The text
    // stays valid for the life of the service.
    virtual const char16_t* directory(const char* name) = 0;
};

// "ITesStrSupport": the host's locale-dependent work on wide text. Texts are
// zero-terminated 16-bit units; a null text is read as empty. Operations that
// produce text write at most outSize - 1 units or bytes and a terminator into
// `out` (when outSize > 0) and return the length of the whole result, as
// snprintf does, so a caller can retry with a larger buffer.
class ITesStrSupport : public virtual ITesUnknown {
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

// "IUnitService": the length unit the user works in.
class IUnitService : public virtual ITesUnknown {
public:
    virtual int32_t currentUnit() = 0;
    // Lengths in the document's unit times this factor give lengths in `unit`.
    virtual double factor(int32_t unit) = 0;
};

// A key -> text look-up for user-visible texts. Keys are 8-bit (UTF-8), texts
// wide. Texts come back by value: host and component compile the same
// TesString, and a string buffer can be freed by either side's library. Only
// lookup reports through an out parameter, as its result tells whether the key
// was found.
class ITesTranslator : public virtual ITesUnknown {
public:
    // The text of `key` with the first "%i" for i = 1 ... count (the digits of
    // i, not followed by a further digit) replaced by arguments[i - 1]; a null
    // argument removes its placeholder; an argument without a placeholder is
    // ignored; other placeholders stay. Argument texts are not scanned again.
    virtual TesString translateList(const char* key, int32_t count, const TesString* const* arguments) = 0;
    // The text of `key` with every "%1" ... "%9" replaced by the argument of
    // that number; a placeholder without an argument is removed.
    virtual TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                                const TesString& a4, const TesString& a5, const TesString& a6) = 0;
    virtual TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                                const TesString& a4, const TesString& a5) = 0;
    virtual TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3,
                                const TesString& a4) = 0;
    virtual TesString translate(const char* key, const TesString& a1, const TesString& a2, const TesString& a3) = 0;
    virtual TesString translate(const char* key, const TesString& a1, const TesString& a2) = 0;
    virtual TesString translate(const char* key, const TesString& a1) = 0;
    // The text of `key`, placeholders left as they are; the key itself (as
    // UTF-8) when the translator has no text for it.
    virtual TesString translate(const char* key) = 0;
    // True when the translator has a table of texts.
    virtual bool isLoaded() = 0;
    // Sets `text` to the text of `key` and returns true. A translator with a
    // table returns false for a key it lacks, with `text` the key itself; the
    // trivial translator's text is the key for every key. A null key is empty.
    virtual bool lookup(const char* key, TesString& text) = 0;
};

// "ITesTranslatorService": hands each component its translator.
class ITesTranslatorService : public virtual ITesUnknown {
public:
    // The translator for the component named `componentName` (the name the
    // component reports in its identity, e.g. "vespercomponent"), or null when
    // the host has none for it. Adds no reference: a caller that keeps the
    // translator takes it into an IPtr.
    virtual ITesTranslator* translatorFor(const char* componentName) = 0;
};

// The host's XML document service. Names, attribute values and texts are wide
// (UTF-16 inside the interfaces; the host decides the encoding on disk). An
// element belongs to the document that created it.
//
// Objects handed out as results are new (count 0) unless stated otherwise:
// the caller takes them into an IPtr. Every element keeps its document alive.

class ITesXmlElement;

// Walks the child elements of one element in document order. Only elements
// are visited: text, white space, comments and processing instructions
// between them are not.
class ITesXmlIterator : public virtual ITesUnknown {
public:
    // Back to the first child element.
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool isDone() = 0;
    // The element at the cursor, null when done. Adds no reference: the
    // pointer stays valid until the next call of first() or next() unless the
    // caller takes it into an IPtr.
    virtual ITesXmlElement* current() = 0;
};

class ITesXmlElement : public virtual ITesUnknown {
public:
    virtual TesString name() = 0;
    // The value of attribute `name`; empty when the attribute is absent.
    virtual TesString attribute(const char16_t* name) = 0;
    // Adds the attribute after the existing ones, or replaces its value.
    virtual void setAttribute(const char16_t* name, const char16_t* value) = 0;
    // The element's first run of character data; empty without one.
    virtual TesString text() = 0;
    // attribute() and text() into the caller's string, whose buffer is kept
    // when the new text fits: a reader of many values then allocates once.
    virtual void readAttribute(const char16_t* name, TesString& value) { value = attribute(name); }
    virtual void readText(TesString& text) { text = this->text(); }
    // Replaces that run, or adds one after the children.
    virtual void setText(const char16_t* text) = 0;
    // The first child element called `name`, or null.
    virtual ITesXmlElement* firstChild(const char16_t* name) = 0;
    // A new iterator over the child elements, at the first of them.
    virtual ITesXmlIterator* children() = 0;
    // Moves `child` (an element of the same document, wherever it is) to the
    // end of this element's children. False, changing nothing, for a null
    // child, one of another document, this element or one of its ancestors.
    virtual bool appendChild(ITesXmlElement* child) = 0;
};

// "ITesDOMXmlV2": one XML document in memory. Every lookup of the service
// yields a new, empty document (count 0): keep it in an IPtr for one load or
// one save, not in a function static.
class ITesDOMXmlV2 : public virtual ITesUnknown {
public:
    // The declaration written before the document element, e.g. target "xml"
    // with text `version="1.0" encoding="UTF-8"`; replaces an earlier one.
    // An empty target removes it.
    virtual void setDeclaration(const char16_t* target, const char16_t* text) = 0;
    // A new element of this document, not yet in its tree.
    virtual ITesXmlElement* createElement(const char16_t* name) = 0;
    // Makes `element` (of this document) the root; the previous root leaves
    // the tree. False for null or an element of another document.
    virtual bool setDocumentElement(ITesXmlElement* element) = 0;
    // The root, null when there is none.
    virtual ITesXmlElement* documentElement() = 0;
    // A new iterator over the root's child elements; one that is done at once
    // when there is no root.
    virtual ITesXmlIterator* documentChildren() = 0;
    // Writes the declaration and the root, UTF-8, indented. A failed save
    // leaves an existing file at `path` untouched.
    virtual bool save(const char16_t* path) = 0;
    // Replaces the document by the file's. False, leaving the document empty,
    // when the file cannot be read or is not well-formed XML with a root.
    virtual bool load(const char16_t* path) = 0;
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

// "ITesProgressSplit": the progress of work done in equal parts.
class ITesProgressSplit : public virtual ITesUnknown {
public:
    virtual void split(int32_t parts) = 0;
    // One part is done; false when the user asked to stop.
    virtual bool advance() = 0;
};
