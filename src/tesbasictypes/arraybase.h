// A paged array: a table of pages that the host memory manager hands out on
// demand; a missing page reads as zeros to the types built on it.
#pragma once

#include <cstdint>

#include "hostapi/infrastructure.h"

namespace TesMM {

class ArrayBase {
public:
    // pageKind goes to the manager with each page request. Without a manager
    // pages come from the system allocator.
    ArrayBase(int32_t size, int32_t elementSize, int32_t pageLength, int32_t pageKind);
    ~ArrayBase();
    ArrayBase(const ArrayBase&) = delete;
    ArrayBase& operator=(const ArrayBase&) = delete;

    // The size becomes a whole number of pages covering newSize; pages past the
    // end are freed. With zeroTail, growth zeroes the unused end of the last
    // old page.
    void resize(int32_t newSize, bool zeroTail);
    // Takes the other array's size and page contents.
    void copyFrom(const ArrayBase& other);
    // False when a page could not be had.
    bool allocateAllPages(int32_t flag);
    bool allPagesAllocated() const;

    int32_t pageCount() const { return pageCount_; }
    int32_t size() const { return size_; }
    int32_t elementSize() const { return elementSize_; }
    int32_t pageLength() const { return pageLength_; }
    int32_t pageCapacity() const { return pageCapacity_; }

    // Null for a page not allocated.
    void* page(int32_t index) const { return pages_[index]; }
    // The table of pageCount() pages, null for those not allocated; valid
    // until the next resize.
    void* const* pageTable() const { return pages_; }
    // The page, allocated (zero-filled) when missing; null when memory is short.
    void* ensurePage(int32_t index);
    void freePage(int32_t index);

    // ceil(n / pageLength) in 32-bit signed arithmetic.
    int32_t pagesFor(int32_t elements) const { return (elements - 1 + pageLength_) / pageLength_; }

private:
    int32_t pageBytes() const { return pageLength_ * elementSize_; }
    void* newPage(int32_t flag);
    void setPageCount(int32_t count);

    ITesMManager* manager_;
    int32_t size_;
    int32_t elementSize_;
    int32_t pageLength_;
    int32_t pageKind_;
    void** pages_ = nullptr;
    int32_t pageCount_ = 0;
    int32_t pageCapacity_ = 0;
};

}  // namespace TesMM
