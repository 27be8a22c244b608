// Sorting through two callbacks: one compares two elements by index, the other
// moves an element from one index to another. Index -1 names a temporary slot
// the Assign object keeps, so a container only has to offer these two steps to
// be sorted in place.
#pragma once

#include <cstdint>

class QuickSort_Compare {
public:
    virtual ~QuickSort_Compare();
    // Negative, 0 or positive as element i orders before, with or after
    // element j. Indices are never -1.
    virtual int compare(int32_t i, int32_t j) = 0;
};

class QuickSort_Assign {
public:
    virtual ~QuickSort_Assign();
    // Element `destination` takes the value of element `source`; either may be
    // -1, the temporary.
    virtual void assign(int32_t destination, int32_t source) = 0;
};

// Sorts elements first ... last (inclusive) ascending. Not stable. Any answers
// of `compare`, even inconsistent ones (a NaN comparing equal to everything),
// keep every index within first ... last and the elements a permutation.
void tesQuickSort(int32_t first, int32_t last, QuickSort_Compare& compare, QuickSort_Assign& assign);
