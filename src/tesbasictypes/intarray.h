// The paged array of signed 32-bit integers: 2048 entries to a page, a page
// allocated only when a non-zero value is written. Beside plain access it
// walks its non-zero entries, inverts a mapping, has a binary record, and
// holds equivalence classes as a disjoint-set forest: each entry is the index
// of its parent, a root holds its own index.
#pragma once

#include <cstdint>

#include "tesmmarray.h"

class BinInput;
class BinOutput;
class BitVector;

namespace TesMM {

class IntArray : public Array<int32_t, Splitter<int32_t>> {
public:
    // The most entries an array can have: one more page would overflow the
    // 32-bit page arithmetic.
    static constexpr int32_t kMaxEntries = INT32_MAX - kPageLength + 1;

    // Walks the entries whose value is not 0, in index order. The index starts
    // at -1; reset() and advance() move it to the next non-zero entry, or to
    // the size when none is left.
    class NonZeroIter {
    public:
        explicit NonZeroIter(const IntArray& array) : array_(&array) {}
        void reset();
        void advance();
        int32_t index() const { return index_; }
        int32_t value() const { return array_->get(index_); }
        bool atEnd() const { return index_ >= array_->size(); }

    private:
        const IntArray* array_;
        int32_t index_ = -1;
    };

    explicit IntArray(int32_t size = 0) : Array(size) {}
    IntArray(const IntArray&) = delete;
    IntArray& operator=(const IntArray&) = delete;

    // Writes entry `index`, growing the array by the library's capacity rule
    // (new entries 0) when it is beyond the size. False for a negative index,
    // one of kMaxEntries or more, or a page that could not be had.
    bool set(int32_t index, int32_t value);

    // Every entry agrees, entries beyond either size counting as 0.
    bool operator==(const IntArray& other) const;

    // Entry i = i for first <= i <= last (last < 0: size - 1), growing as
    // needed.
    void identity(int32_t first, int32_t last = -1);
    // Entry i = i for every set bit i of `bits`.
    void identity(const BitVector& bits);
    // For every entry i holding v != 0: target's entry v = i (negative v skipped).
    void inverseInto(IntArray& target) const;
    // For every i below moves.size(), with v = moves[i]: v = 0 clears entry i;
    // otherwise a non-zero entry i moves to entry v. An empty `moves` leaves
    // one zero entry.
    void relocate(const IntArray& moves);

    // The root of i's class (the first index on the path i -> entry i -> ...
    // that holds itself); entry i is then set to it, and only entry i. -1 for
    // a negative i or a path that never reaches a root (a cycle in read data),
    // changing nothing.
    int32_t find(int32_t index);
    // Joins the classes of a and b: the larger root is pointed at the smaller.
    // Answers the smaller root (a's root when they are equal), -1 when either
    // find fails.
    int32_t join(int32_t a, int32_t b);

    // The count (the size, or the smaller of size and limit when limit >= 0),
    // then that many entries, signed 32-bit; the stream's status.
    bool write(BinOutput& out, int32_t limit = -1) const;
    // Reads a record written by write. A negative count, one above
    // kMaxEntries, or one the rest of an input of known length cannot hold,
    // answers false before anything changes. Otherwise the array is resized to
    // the count (new entries 0) and the entries read; false when they run out.
    bool read(BinInput& in);
};

}  // namespace TesMM
