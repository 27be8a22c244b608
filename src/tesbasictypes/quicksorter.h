// The quicksort of tesQuickSort over any steps type that offers
// compare(i, j) and assign(destination, source) as QuickSort_Compare and
// QuickSort_Assign do, so that a caller whose steps need no virtual call gets
// them inlined. Every steps type sees the same calls in the same order.
#pragma once

#include <cstdint>

namespace tesquicksort {

constexpr int32_t kTemporary = -1;
// Ranges this short are finished by insertion.
constexpr int32_t kInsertionLength = 12;

template <class Steps>
class QuickSorter {
public:
    explicit QuickSorter(Steps& steps) : steps_(steps) {}

    void sort(int32_t first, int32_t last) {
        // Recursing into the shorter part keeps the depth below log2(n).
        while (last - first + 1 > kInsertionLength) {
            const int32_t pivot = partition(first, last);
            if (pivot - first < last - pivot) {
                sort(first, pivot - 1);
                first = pivot + 1;
            } else {
                sort(pivot + 1, last);
                last = pivot - 1;
            }
        }
        insertion(first, last);
    }

private:
    void swap(int32_t a, int32_t b) {
        if (a == b) return;
        steps_.assign(kTemporary, a);
        steps_.assign(a, b);
        steps_.assign(b, kTemporary);
    }

    bool less(int32_t a, int32_t b) { return steps_.compare(a, b) < 0; }

    // Leaves the median of first, middle and last at `last`.
    void medianToLast(int32_t first, int32_t last) {
        const int32_t middle = first + (last - first) / 2;
        if (less(middle, first)) swap(middle, first);
        if (less(last, first)) swap(last, first);
        if (less(middle, last)) swap(middle, last);
    }

    // The pivot stays at `last` while both scans run, so every comparison is
    // between two real elements; both scans stop on equal elements, which
    // splits runs of equal keys evenly. Returns the pivot's final index.
    int32_t partition(int32_t first, int32_t last) {
        medianToLast(first, last);
        int32_t low = first;
        int32_t high = last - 1;
        while (true) {
            while (low < last && less(low, last)) ++low;
            while (high > low && less(last, high)) --high;
            if (low >= high) break;
            swap(low, high);
            ++low;
            --high;
        }
        swap(low, last);
        return low;
    }

    void insertion(int32_t first, int32_t last) {
        for (int32_t i = first + 1; i <= last; ++i) {
            for (int32_t j = i; j > first && less(j, j - 1); --j) swap(j, j - 1);
        }
    }

    Steps& steps_;
};

}  // namespace tesquicksort
