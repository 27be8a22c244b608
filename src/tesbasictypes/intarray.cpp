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

int32_t IntArray::find(int32_t index) {
    if (index < 0) return -1;
    // A path longer than the array plus the step to entry 0 must go round a
    // cycle, which only read data can hold.
    const int64_t maxSteps = int64_t{size()} + 2;
    int32_t root = index;
    for (int64_t step = 0; get(root) != root; ++step) {
        if (step == maxSteps) return -1;
        root = get(root);
    }
    if (index >= size() || get(index) != root) set(index, root);
    return root;
}

int32_t IntArray::join(int32_t a, int32_t b) {
    const int32_t rootA = find(a);
    const int32_t rootB = find(b);
    if (rootA < 0 || rootB < 0) return -1;
    if (rootA == rootB) return rootA;
    const int32_t smaller = std::min(rootA, rootB);
    set(std::max(rootA, rootB), smaller);
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
