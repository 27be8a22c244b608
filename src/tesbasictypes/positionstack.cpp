#include "positionstack.h"

#include "nelrealloc.h"

TesPositionStack::~TesPositionStack() { nelFree(positions_); }

void TesPositionStack::push(int64_t position) {
    if (size_ == capacity_) {
        const auto capacity = static_cast<int32_t>(
            tesGrowCapacity(size_ + 1, capacity_, static_cast<int32_t>(sizeof(int64_t))));
        capacity_ = nelRealloc(positions_, capacity_, capacity);
    }
    positions_[size_++] = position;
}

void TesPositionStack::pop() {
    if (size_ > 0) --size_;
}
