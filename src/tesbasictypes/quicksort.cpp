#include "quicksort.h"

#include "quicksorter.h"

namespace {

// The steps through the two callback interfaces.
class VirtualSteps {
public:
    VirtualSteps(QuickSort_Compare& compare, QuickSort_Assign& assign) : compare_(compare), assign_(assign) {}
    int compare(int32_t i, int32_t j) { return compare_.compare(i, j); }
    void assign(int32_t destination, int32_t source) { assign_.assign(destination, source); }

private:
    QuickSort_Compare& compare_;
    QuickSort_Assign& assign_;
};

}  // namespace

QuickSort_Compare::~QuickSort_Compare() = default;
QuickSort_Assign::~QuickSort_Assign() = default;

void tesQuickSort(int32_t first, int32_t last, QuickSort_Compare& compare, QuickSort_Assign& assign) {
    if (first < 0 || last <= first) return;
    VirtualSteps steps(compare, assign);
    tesquicksort::QuickSorter<VirtualSteps>(steps).sort(first, last);
}
