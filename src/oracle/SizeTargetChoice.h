#pragma once
// The choice of LOW or FAST per interval that keeps the total size at or
// under a budget while the summed cost (the measured difference to the
// source) is smallest: a 0/1 knapsack over the "upgrades" from each
// interval's smaller encoding to its better one.

#include <cstdint>
#include <vector>

struct TargetOption {
    int64_t bytes = 0;
    double cost = 0.0;
};

struct TargetInterval {
    TargetOption low;
    TargetOption fast;
};

struct TargetChoice {
    // One per interval: true for LOW.
    std::vector<bool> low;
    int64_t bytes = 0;
    double cost = 0.0;
    // False when not even the smallest encoding of every interval fits; the
    // choice then takes exactly those.
    bool fits = false;
};

// The best choice found under `budgetBytes`. The dynamic programme runs over
// the budget in steps of whole bytes, as fine as `maxCells` (steps x
// intervals to decide) allows; every upgrade's size is rounded up to whole
// steps, so the result never exceeds the budget, and the slack that the
// rounding leaves is filled afterwards by the exact sizes. All of LOW and
// all of FAST are candidates too: when one of them fits the result is never
// worse than it.
TargetChoice ChooseForSizeTarget(const std::vector<TargetInterval>& intervals, int64_t budgetBytes,
                                 int64_t maxCells = int64_t(1) << 28);
