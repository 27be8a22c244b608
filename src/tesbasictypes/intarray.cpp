#include "intarray.h"

#include <algorithm>
#include <array>

#include "binio.h"
#include "bitvector.h"
#include "nelrealloc.h"

namespace TesMM {

namespace {

constexpr int32_t kEntryBytes = 4;

// Zeros for the pages an array does not have.
const std::array<int32_t, IntArray::kPageLength>& zeroPage() {
    static const std::array<int32_t, IntArray::kPageLength> zeros{};
    return zeros;
}

// True when an input of known length holds `count` more 32-bit values.
bool inputHolds(BinInput& in, int64_t count) {
    if (in.length() <= 0) return true;
    return count * kEntryBytes <= in.length() - in.tell();
}

// get() with the page table and the size read once, and one unsigned
// comparison for both ends: fewer instructions a step let more steps of other
// paths wait on memory at the same time.
class EntryReader {
public:
    explicit EntryReader(const IntArray& array)
        : pages_(array.pageTable()), size_(static_cast<uint32_t>(array.size())) {}
    int32_t operator()(int32_t index) const {
        const auto at = static_cast<uint32_t>(index);
        if (at >= size_) return 0;
        const auto* entries = static_cast<const int32_t*>(pages_[at >> Splitter<int32_t>::kPageShift]);
        return entries != nullptr ? entries[at & Splitter<int32_t>::kOffsetMask] : 0;
    }

private:
    void* const* pages_;
    uint32_t size_;
};

// A path longer than the array plus the step to entry 0 must go round a
// cycle, which only read data can hold.
int64_t maxPathSteps(const IntArray& array) { return int64_t{array.size()} + 2; }

// The root of index's path, whose first entry `next` is read already; -1 when
// the path goes round a cycle.
int32_t rootFrom(const EntryReader& entry, int32_t index, int32_t next, int64_t maxSteps) {
    for (int64_t step = 0; next != index; ++step) {
        if (step == maxSteps) return -1;
        index = next;
        next = entry(index);
    }
    return index;
}

}  // namespace

void IntArray::NonZeroIter::reset() {
    index_ = -1;
    advance();
}

void IntArray::NonZeroIter::advance() {
    const int32_t size = array_->size();
    int32_t index = index_ + 1;
    while (index < size) {
        const int32_t* entries = array_->pageEntries(Splitter<int32_t>::page(index));
        if (entries == nullptr) {
            index = (Splitter<int32_t>::page(index) + 1) * kPageLength;
            continue;
        }
        const int32_t pageEnd = std::min(size, (Splitter<int32_t>::page(index) + 1) * kPageLength);
        for (; index < pageEnd; ++index) {
            if (entries[Splitter<int32_t>::offset(index)] != 0) {
                index_ = index;
                return;
            }
        }
    }
    index_ = size;
}

bool IntArray::set(int32_t index, int32_t value) {
    if (index >= 0 && index < size()) return put(index, value);
    if (index < 0 || index >= kMaxEntries) return false;
    const int64_t grown = tesGrowCapacity(int64_t{index} + 1, size(), kEntryBytes);
    resize(static_cast<int32_t>(std::min<int64_t>(grown, kMaxEntries)), true);
    return put(index, value);
}

bool IntArray::operator==(const IntArray& other) const {
    const int32_t pages = std::max(pageCount(), other.pageCount());
    for (int32_t page = 0; page < pages; ++page) {
        const int32_t* mine = pageEntries(page);
        const int32_t* theirs = other.pageEntries(page);
        if (mine == nullptr && theirs == nullptr) continue;
        const int32_t first = page * kPageLength;
        for (int32_t index = first; index < first + kPageLength; ++index) {
            if (get(index) != other.get(index)) return false;
        }
    }
    return true;
}

void IntArray::identity(int32_t first, int32_t last) {
    if (last < 0) last = size() - 1;
    for (int32_t index = std::max(first, 0); index <= last && index < kMaxEntries; ++index) set(index, index);
}

void IntArray::identity(const BitVector& bits) {
    for (int32_t index = bits.nextSet(-1); index >= 0; index = bits.nextSet(index)) set(index, index);
}

void IntArray::inverseInto(IntArray& target) const {
    NonZeroIter entry(*this);
    for (entry.reset(); !entry.atEnd(); entry.advance()) {
        if (entry.value() > 0) target.set(entry.value(), entry.index());
    }
}

void IntArray::relocate(const IntArray& moves) {
    if (moves.size() == 0) {
        resize(0, false);
        resize(1, true);
        return;
    }
    for (int32_t index = 0; index < moves.size(); ++index) {
        const int32_t target = moves.get(index);
        const int32_t value = get(index);
        if (target == 0) {
            if (value != 0) put(index, 0);
        } else if (value != 0 && target > 0) {
            put(index, 0);
            set(target, value);
        }
    }
}

// Within the array set() is put().
int32_t IntArray::find(int32_t index) {
    if (index < 0) return -1;
    const EntryReader entry(*this);
    const int32_t next = entry(index);
    const int32_t root = rootFrom(entry, index, next, maxPathSteps(*this));
    if (root < 0) return root;
    if (index >= size()) {
        set(index, root);
    } else if (next != root) {
        put(index, root);
    }
    return root;
}

// With a and b within the array, shortening a's path points an entry at that
// path's own root and cannot change b's root, so both paths are walked first,
// their first entries read together so that the two reads overlap, and the
// entries written after, in find's order. An index beyond the size grows the
// array in find(), which the other find must see. Two different roots each
// hold themselves, so the larger is not 0 and lies within the array.
int32_t IntArray::join(int32_t a, int32_t b) {
    int32_t rootA = -1;
    int32_t rootB = -1;
    if (a >= 0 && b >= 0 && a < size() && b < size()) {
        const EntryReader entry(*this);
        const int32_t nextA = entry(a);
        const int32_t nextB = entry(b);
        rootA = rootFrom(entry, a, nextA, maxPathSteps(*this));
        rootB = rootFrom(entry, b, nextB, maxPathSteps(*this));
        if (rootA >= 0 && nextA != rootA) put(a, rootA);
        if (rootB >= 0 && nextB != rootB && get(b) != rootB) put(b, rootB);
    } else {
        rootA = find(a);
        rootB = find(b);
    }
    if (rootA < 0 || rootB < 0) return -1;
    if (rootA == rootB) return rootA;
    const int32_t smaller = std::min(rootA, rootB);
    put(std::max(rootA, rootB), smaller);
    return smaller;
}

bool IntArray::write(BinOutput& out, int32_t limit) const {
    const int32_t count = limit >= 0 ? std::min(size(), limit) : size();
    bool good = out.write(&count, 1);
    for (int32_t first = 0; first < count && good; first += kPageLength) {
        const int32_t* entries = pageEntries(Splitter<int32_t>::page(first));
        if (entries == nullptr) entries = zeroPage().data();
        good = out.write(entries, static_cast<size_t>(std::min(kPageLength, count - first)));
    }
    return good;
}

bool IntArray::read(BinInput& in) {
    int32_t count = 0;
    if (!in.read(&count, 1) || count < 0 || count > kMaxEntries || !inputHolds(in, count)) return false;
    resize(count, true);
    std::array<int32_t, kPageLength> values;
    for (int32_t first = 0; first < count; first += kPageLength) {
        const int32_t length = std::min(kPageLength, count - first);
        values.fill(0);
        const bool complete = in.read(values.data(), static_cast<size_t>(length));
        for (int32_t offset = 0; offset < length; ++offset) put(first + offset, values[offset]);
        if (!complete) return false;
    }
    return true;
}

}  // namespace TesMM
