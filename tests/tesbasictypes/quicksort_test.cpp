#include "quicksort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Sorts a vector of ints through the two callbacks, counting the steps and
// failing on any index outside the range.
class IntSteps : public QuickSort_Compare, public QuickSort_Assign {
public:
    explicit IntSteps(std::vector<int> values, bool inconsistent = false)
        : values(std::move(values)), inconsistent_(inconsistent) {}

    int compare(int32_t i, int32_t j) override {
        EXPECT_TRUE(inside(i) && inside(j)) << i << ", " << j;
        if (!inside(i) || !inside(j)) return 0;
        if (inconsistent_) return static_cast<int>(random_() % 3) - 1;
        return values[i] < values[j] ? -1 : (values[i] > values[j] ? 1 : 0);
    }
    void assign(int32_t destination, int32_t source) override {
        EXPECT_TRUE((destination == -1 || inside(destination)) && (source == -1 || inside(source)));
        int value = source == -1 ? temporary_ : values[source];
        if (destination == -1) {
            temporary_ = value;
        } else if (inside(destination)) {
            values[destination] = value;
        }
    }

    std::vector<int> values;

private:
    bool inside(int32_t index) const { return index >= 0 && index < static_cast<int32_t>(values.size()); }

    bool inconsistent_;
    int temporary_ = 0;
    std::mt19937 random_{7};
};

TEST(QuickSort, SortsEveryShapeOfInput) {
    std::mt19937 random(11);
    std::vector<std::vector<int>> inputs = {{}, {1}, {2, 1}, {3, 3, 3}, {5, 4, 3, 2, 1}};
    for (int n : {12, 13, 100, 1000}) {
        std::vector<int> ascending(n), equal(n, 4), few(n), any(n);
        for (int i = 0; i < n; ++i) {
            ascending[i] = i;
            few[i] = static_cast<int>(random() % 3);
            any[i] = static_cast<int>(random() % 100000) - 50000;
        }
        std::vector<int> descending(ascending.rbegin(), ascending.rend());
        inputs.insert(inputs.end(), {ascending, descending, equal, few, any});
    }
    for (const std::vector<int>& input : inputs) {
        IntSteps steps(input);
        tesQuickSort(0, static_cast<int32_t>(input.size()) - 1, steps, steps);
        std::vector<int> expected = input;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(steps.values, expected) << input.size();
    }
}

TEST(QuickSort, SortsOnlyTheRangeAndSurvivesInconsistentAnswers) {
    IntSteps part({9, 8, 7, 6, 5, 4});
    tesQuickSort(1, 4, part, part);
    EXPECT_EQ(part.values, (std::vector<int>{9, 5, 6, 7, 8, 4}));
    tesQuickSort(3, 2, part, part);
    tesQuickSort(-1, 3, part, part);
    EXPECT_EQ(part.values, (std::vector<int>{9, 5, 6, 7, 8, 4})) << "an empty or negative range does nothing";

    std::vector<int> input(500);
    for (int i = 0; i < 500; ++i) input[i] = (i * 37) % 101;
    IntSteps random(input, true);
    tesQuickSort(0, 499, random, random);
    std::vector<int> sorted = random.values;
    std::sort(sorted.begin(), sorted.end());
    std::sort(input.begin(), input.end());
    EXPECT_EQ(sorted, input) << "a comparison that answers at random still permutes";
}

}  // namespace
