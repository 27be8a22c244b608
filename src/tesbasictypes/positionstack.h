// A growable stack of 64-bit stream positions: the open blocks of a
// data-model reader or writer. Grows by the library's capacity rule.
#pragma once

#include <cstdint>

class TesPositionStack {
public:
    TesPositionStack() = default;
    TesPositionStack(const TesPositionStack&) = delete;
    TesPositionStack& operator=(const TesPositionStack&) = delete;
    ~TesPositionStack();

    int32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void push(int64_t position);
    // The top entry; requires a non-empty stack.
    int64_t top() const { return positions_[size_ - 1]; }
    // Does nothing on an empty stack.
    void pop();
    void clear() { size_ = 0; }

private:
    int64_t* positions_ = nullptr;
    int32_t size_ = 0;
    int32_t capacity_ = 0;
};
