#include "arraybase.h"

#include <algorithm>
#include <cstring>

#include "memorymanager.h"
#include "nelrealloc.h"
#include "os/sysalloc.h"

namespace TesMM {

namespace {
constexpr int32_t kZeroFilled = 1;
}  // namespace

ArrayBase::ArrayBase(int32_t size, int32_t elementSize, int32_t pageLength, int32_t pageKind)
    : manager_(tesMemoryManager()), size_(size), elementSize_(elementSize), pageLength_(pageLength),
      pageKind_(pageKind) {
    setPageCount(std::max(1, pagesFor(size)));
}

ArrayBase::~ArrayBase() {
    for (int32_t index = pageCount_ - 1; index >= 0; --index) freePage(index);
    nelFree(pages_);
}

void* ArrayBase::newPage(int32_t flag) {
    if (manager_ != nullptr) return manager_->allocPage(pageKind_, flag);
    void* page = tesSysMalloc(static_cast<size_t>(pageBytes()));
    if (page != nullptr && flag == kZeroFilled) std::memset(page, 0, static_cast<size_t>(pageBytes()));
    return page;
}

void* ArrayBase::ensurePage(int32_t index) {
    if (pages_[index] == nullptr) pages_[index] = newPage(kZeroFilled);
    return pages_[index];
}

void ArrayBase::freePage(int32_t index) {
    void* page = pages_[index];
    if (page == nullptr) return;
    pages_[index] = nullptr;
    if (manager_ != nullptr) {
        manager_->freePage(page);
    } else {
        tesSysFree(page);
    }
}

// Grows the capacity by 1 while below 3 and by 40 % after that; new entries
// are null.
void ArrayBase::setPageCount(int32_t count) {
    if (count > pageCapacity_) {
        int32_t capacity = pageCapacity_;
        while (capacity < count) capacity += capacity < 3 ? 1 : capacity * 2 / 5;
        nelRealloc(pages_, pageCapacity_, capacity);
        std::fill(pages_ + pageCapacity_, pages_ + capacity, nullptr);
        pageCapacity_ = capacity;
    }
    std::fill(pages_ + std::min(pageCount_, count), pages_ + count, nullptr);
    pageCount_ = count;
}

void ArrayBase::resize(int32_t newSize, bool zeroTail) {
    const int32_t newPages = pagesFor(newSize);
    if (size_ == 0) {
        setPageCount(newPages);
        size_ = newPages * pageLength_;
        return;
    }
    for (int32_t index = pageCount_ - 1; index >= newPages; --index) freePage(index);
    const int32_t oldSize = size_;
    setPageCount(newPages);
    size_ = newPages * pageLength_;
    const int32_t usedInLastPage = oldSize % pageLength_;
    if (!zeroTail || newSize <= oldSize || usedInLastPage == 0) return;
    void* lastPage = pages_[oldSize / pageLength_];
    if (lastPage == nullptr) return;
    const int32_t zeroEnd = std::min(pageLength_, usedInLastPage + (newSize - oldSize));
    std::memset(static_cast<char*>(lastPage) + usedInLastPage * elementSize_, 0,
                static_cast<size_t>((zeroEnd - usedInLastPage) * elementSize_));
}

void ArrayBase::copyFrom(const ArrayBase& other) {
    resize(other.size_, false);
    const int32_t bytes = pageLength_ * elementSize_;
    for (int32_t index = 0; index < pageCount_ && index < other.pageCount_; ++index) {
        if (other.pages_[index] == nullptr) {
            freePage(index);
        } else if (void* page = ensurePage(index)) {
            std::memcpy(page, other.pages_[index], static_cast<size_t>(bytes));
        }
    }
}

bool ArrayBase::allocateAllPages(int32_t flag) {
    bool complete = true;
    for (int32_t index = 0; index < pageCount_; ++index) {
        if (pages_[index] == nullptr) pages_[index] = newPage(flag);
        complete = complete && pages_[index] != nullptr;
    }
    return complete;
}

bool ArrayBase::allPagesAllocated() const {
    return std::all_of(pages_, pages_ + pageCount_, [](void* page) { return page != nullptr; });
}

}  // namespace TesMM
