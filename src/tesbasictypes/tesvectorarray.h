// TesVectorArray: the library's point array. Points are three doubles kept in
// chunks of 1024 from the host memory manager (24576 bytes each), chunk
// i >> 10 holding element i at i & 1023; element 0 exists but is never a
// point, so chunk 0 holds points 1 ... 1023. A chunk is allocated only when a
// point other than the origin is stored in it, and growing never moves stored
// points. Reading an element outside the storage or in a missing chunk gives
// the origin.
//
// The binary record, big-endian: the BinMagic word (tag 0x0B916B, version 0),
// the count (signed 32), then points 1 ... count as x, y, z doubles.
#pragma once

#include <cstdint>

#include "realparray.h"
#include "tesmmarray.h"

// Element i lives in chunk i >> 10 at position i & 1023.
struct VectorArraySplitter {
    static constexpr int32_t kPageShift = 10;
    static constexpr int32_t kPageLength = 1 << kPageShift;
    static constexpr int32_t kOffsetMask = kPageLength - 1;

    static int32_t page(int32_t index) { return index >> kPageShift; }
    static int32_t offset(int32_t index) { return index & kOffsetMask; }
};

class TesVectorArray : public RealPArray {
public:
    using Storage = TesMM::Array<TesVector, VectorArraySplitter>;
    static constexpr int32_t kChunkLength = VectorArraySplitter::kPageLength;
    static constexpr int32_t kChunkBytes = Storage::kPageKind;
    static constexpr int32_t kMagicTag = 0x0B916B;
    static constexpr int32_t kMagicVersion = 0;
    // The most elements the chunk table holds in 32-bit page arithmetic, and
    // so the highest index that can be stored (2^31 - 1025).
    static constexpr int32_t kMaxElements = INT32_MAX - kChunkLength + 1;
    static constexpr int32_t kMaxIndex = kMaxElements - 1;

    TesVectorArray() = default;
    ~TesVectorArray() override;
    // Copies the storage, count and capacity; the colours as RealPArray does.
    TesVectorArray(const TesVectorArray& other, bool cloneColors = true);
    TesVectorArray& operator=(const TesVectorArray& other);

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    int32_t count() const override { return count_; }
    void clear() override { count_ = 0; }
    // Grows the storage to `count` elements when that exceeds the capacity.
    void reserve(int32_t count) override;
    IRealPArray* clone() const override;
    // Count + 1, growing the capacity to max(16, 2 x capacity) while the
    // count reaches it; stores the point at the new count. 0, changing
    // nothing, once the count is at kMaxIndex.
    int32_t add(const TesVector& point) override;
    // A negative count is taken as 0.
    void setCount(int32_t count) override { count_ = count > 0 ? count : 0; }
    // Stores at `index` (0 ... kMaxIndex, else nothing), extending the chunk
    // table and the capacity to cover it; the origin is not stored in a
    // missing chunk. The count is not changed.
    void set(int32_t index, const TesVector& point) override;
    // Element `index` whatever the count: the stored point, or the origin.
    void get(int32_t index, TesVector& point) const override;
    using RealPArray::add;
    using RealPArray::boundingBox;
    using RealPArray::get;
    using RealPArray::set;

    void boundingBox(TesVector& min, TesVector& max) const override;
    // Points 1 ... count, chunk by chunk; missing chunks are created.
    void transform(const double* matrix) override;
    // Clears, then reads a record of tag 0x0B916B version 0. The count is set
    // before the points are read and chunks are allocated only for points
    // that arrive. A short record is a failure: unlike a literal reading of
    // the input's state (which ignores the end of the input), reading stops
    // at the first point that cannot be read complete and answers false, the
    // count then being the points read. Bytes after the points are left for
    // the next reader. Progress is reported per chunk; a stop from the
    // display ends the read the same way.
    bool read(BinInput& in) override;
    // The record; false when the output fails or the progress display asks
    // to stop.
    bool write(BinOutput& out) const;

    // False outside 1 ... count (point set to the origin), else get.
    bool getChecked(int32_t index, TesVector& point) const;
    TesVector at(int32_t index) const;
    // Stores at `index`, first raising the count to it when it is not below.
    void setGrow(int32_t index, const TesVector& point);
    // Inserts at `index`, moving the points from there on up by one. An index
    // beyond the count appends. Returns the index the point went to; 0, for
    // an index below 1, changing nothing.
    int32_t insert(int32_t index, const TesVector& point);
    // Removes point `index` (the last one for an index beyond the count),
    // moving each element above it down by one, element count + 1 included.
    // Nothing for an index below 1.
    void remove(int32_t index);
    // The new count, count - min(n, count); a negative n removes nothing.
    int32_t removeLast(int32_t n);
    // Count 0 and every chunk and the table given back.
    void clearAndFree();
    // Exchanges storage, capacity and count; colours stay.
    void swap(TesVectorArray& other) noexcept;
    void reverse();
    int32_t capacity() const { return capacity_; }
    // Bytes held: the allocated chunks and the chunk table.
    int64_t storageBytes() const;

    TesVectorArray* createEmpty() const { return new TesVectorArray; }
    static bool isVectorArrayMagic(int32_t word);

private:
    friend struct TesVectorArrayPoints;
    friend void tesQuickSort(int32_t first, int32_t last, RealPArray::Compare& compare, RealPArray::Assign& assign);

    TesVector fetch(int64_t index) const;
    bool store(int64_t index, const TesVector& point);
    // Storage and capacity for `elements` elements (at most kMaxElements).
    void growTo(int64_t elements);
    TesVector* chunk(int32_t page) const { return storage_ != nullptr ? storage_->pageEntries(page) : nullptr; }
    // Sorts points first ... last in a copy of one block and copies them back:
    // the order and the temporary that sorting in place gives, without a page
    // lookup per step. False, changing nothing, when a page of the range is
    // missing or the block cannot be had.
    bool sortInOneBlock(int32_t first, int32_t last, TesVector& temporary);
    // Reads points first ... last (one chunk) straight into their chunk;
    // the points read.
    int32_t readChunk(BinInput& in, int32_t first, int32_t last);

    Storage* storage_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};

// tesQuickSort with RealPArray's steps. When both steps work on one
// TesVectorArray (not a subclass, which may store points its own way), its
// points are compared and moved without virtual calls, in the same order and
// with the same results; otherwise the steps are called as tesQuickSort does.
void tesQuickSort(int32_t first, int32_t last, RealPArray::Compare& compare, RealPArray::Assign& assign);
