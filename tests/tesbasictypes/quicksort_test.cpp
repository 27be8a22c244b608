#include "quicksort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Sorts ints through the two callbacks; an index outside the vector fails the
// test. An inconsistent one answers comparisons at random.
struct IntSteps : QuickSort_Compare, QuickSort_Assign {
    explicit IntSteps(std::vector<int> input, bool random = false) : values(std::move(input)), inconsistent(random) {}

    // Element `index`, or the temporary for -1 when `temporaryAllowed`.
    int& slot(int32_t index, bool temporaryAllowed) {
        if (temporaryAllowed && index == -1) return temporary;
        const bool inside = index >= 0 && index < static_cast<int32_t>(values.size());
        EXPECT_TRUE(inside) << index;
        return inside ? values[index] : temporary;
    }
    int compare(int32_t i, int32_t j) override {
        const int a = slot(i, false), b = slot(j, false);
        return inconsistent ? static_cast<int>(random() % 3) - 1 : (a > b) - (a < b);
    }
    void assign(int32_t destination, int32_t source) override { slot(destination, true) = slot(source, true); }

    std::vector<int> values;
    bool inconsistent;
    int temporary = 0;
    std::mt19937 random{7};
};

std::vector<int> sorted(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values;
}

TEST(QuickSort, SortsEveryShapeOfInput) {
    std::mt19937 random(11);
    std::vector<std::vector<int>> inputs = {{}, {1}, {2, 1}, {3, 3, 3}};
    // 12 is finished by insertion alone, 13 takes one partition.
    for (int n : {12, 13, 1000}) {
        std::vector<int> ascending(n), few(n), any(n);
        for (int i = 0; i < n; ++i) {
            ascending[i] = i;
            few[i] = static_cast<int>(random() % 3);
            any[i] = static_cast<int>(random() % 100000) - 50000;
        }
        const std::vector<int> descending(ascending.rbegin(), ascending.rend());
        inputs.insert(inputs.end(), {ascending, descending, std::vector<int>(n, 4), few, any});
    }
    for (const std::vector<int>& input : inputs) {
        IntSteps steps(input);
        tesQuickSort(0, static_cast<int32_t>(input.size()) - 1, steps, steps);
        EXPECT_EQ(steps.values, sorted(input)) << input.size();
    }
}

TEST(QuickSort, SortsOnlyTheRangeAndSurvivesInconsistentAnswers) {
    IntSteps part({9, 8, 7, 6, 5, 4});
    tesQuickSort(1, 4, part, part);
    tesQuickSort(3, 2, part, part);
    tesQuickSort(-1, 3, part, part);
    EXPECT_EQ(part.values, (std::vector<int>{9, 5, 6, 7, 8, 4})) << "an empty or negative range does nothing";

    std::vector<int> input(500);
    for (int i = 0; i < 500; ++i) input[i] = (i * 37) % 101;
    IntSteps random(input, true);
    tesQuickSort(0, 499, random, random);
    EXPECT_EQ(sorted(random.values), sorted(input)) << "a comparison that answers at random still permutes";
}

}  // namespace
