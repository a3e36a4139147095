#include "oracle/SizeTargetChoice.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

namespace {

// The value array of the programme stays below 32 MB whatever the budget.
constexpr int64_t kMaxUnits = int64_t(1) << 22;

// Moving interval `index` from its smaller encoding to its better one costs
// `bytes` more and lowers the summed cost by `gain`.
struct Upgrade {
    size_t index = 0;
    int64_t bytes = 0;
    double gain = 0.0;
};

bool SmallerIsLow(const TargetInterval& interval) {
    if (interval.low.bytes != interval.fast.bytes)
        return interval.low.bytes < interval.fast.bytes;
    return interval.low.cost <= interval.fast.cost;
}

TargetChoice Evaluate(const std::vector<TargetInterval>& intervals, std::vector<bool> low) {
    TargetChoice choice;
    for (size_t i = 0; i < intervals.size(); ++i) {
        const TargetOption& option = low[i] ? intervals[i].low : intervals[i].fast;
        choice.bytes += option.bytes;
        choice.cost += option.cost;
    }
    choice.low = std::move(low);
    return choice;
}

// Takes upgrades in the order of their gain per byte while they fit: the
// answer of the Lagrangian relaxation, made whole.
void FillByRatio(const std::vector<Upgrade>& upgrades, std::vector<bool>& taken, int64_t room) {
    std::vector<size_t> order(upgrades.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        // gain_a / bytes_a > gain_b / bytes_b without dividing by zero.
        return upgrades[a].gain * double(upgrades[b].bytes) > upgrades[b].gain * double(upgrades[a].bytes);
    });
    for (size_t k : order) {
        if (!taken[k] && upgrades[k].bytes <= room) {
            taken[k] = true;
            room -= upgrades[k].bytes;
        }
    }
}

// 0/1 knapsack over the upgrades at a step of `step` bytes; sizes rounded up
// to whole steps, so what it takes always fits into `room`.
std::vector<bool> Programme(const std::vector<Upgrade>& upgrades, int64_t room, int64_t step) {
    const int64_t units = room / step;
    const size_t width = static_cast<size_t>(units) + 1;
    std::vector<double> best(width, 0.0);
    std::vector<uint64_t> takeBits((upgrades.size() * width + 63) / 64, 0);
    for (size_t k = 0; k < upgrades.size(); ++k) {
        const int64_t w = (upgrades[k].bytes + step - 1) / step;
        if (w > units)
            continue;
        for (int64_t u = units; u >= w; --u) {
            const double with = best[static_cast<size_t>(u - w)] + upgrades[k].gain;
            if (with > best[static_cast<size_t>(u)]) {
                best[static_cast<size_t>(u)] = with;
                const size_t bit = k * width + static_cast<size_t>(u);
                takeBits[bit / 64] |= uint64_t(1) << (bit % 64);
            }
        }
    }
    std::vector<bool> taken(upgrades.size(), false);
    int64_t u = units;
    for (size_t k = upgrades.size(); k-- > 0;) {
        const size_t bit = k * width + static_cast<size_t>(u);
        if ((takeBits[bit / 64] >> (bit % 64)) & 1U) {
            taken[k] = true;
            u -= (upgrades[k].bytes + step - 1) / step;
        }
    }
    return taken;
}

} // namespace

TargetChoice ChooseForSizeTarget(const std::vector<TargetInterval>& intervals, int64_t budgetBytes,
                                 int64_t maxCells) {
    std::vector<bool> base(intervals.size());
    int64_t baseBytes = 0;
    std::vector<Upgrade> upgrades;
    for (size_t i = 0; i < intervals.size(); ++i) {
        base[i] = SmallerIsLow(intervals[i]);
        const TargetOption& smaller = base[i] ? intervals[i].low : intervals[i].fast;
        const TargetOption& larger = base[i] ? intervals[i].fast : intervals[i].low;
        baseBytes += smaller.bytes;
        if (larger.cost < smaller.cost)
            upgrades.push_back({i, larger.bytes - smaller.bytes, smaller.cost - larger.cost});
    }
    if (baseBytes > budgetBytes) {
        TargetChoice smallest = Evaluate(intervals, base);
        smallest.fits = false;
        return smallest;
    }
    const int64_t room = budgetBytes - baseBytes;

    std::vector<std::vector<bool>> candidates;
    auto withUpgrades = [&](const std::vector<bool>& taken) {
        std::vector<bool> low = base;
        for (size_t k = 0; k < upgrades.size(); ++k)
            if (taken[k])
                low[upgrades[k].index] = !low[upgrades[k].index];
        return low;
    };
    if (!upgrades.empty()) {
        const int64_t perItem = std::max<int64_t>(1, maxCells / static_cast<int64_t>(upgrades.size()));
        const int64_t units = std::min({perItem, kMaxUnits, room + 1});
        const int64_t step = std::max<int64_t>(1, (room + units) / units);
        std::vector<bool> taken = Programme(upgrades, room, step);
        int64_t used = 0;
        for (size_t k = 0; k < upgrades.size(); ++k)
            used += taken[k] ? upgrades[k].bytes : 0;
        FillByRatio(upgrades, taken, room - used);
        candidates.push_back(withUpgrades(taken));
        std::vector<bool> greedy(upgrades.size(), false);
        FillByRatio(upgrades, greedy, room);
        candidates.push_back(withUpgrades(greedy));
    }
    candidates.push_back(base);
    candidates.emplace_back(intervals.size(), true);
    candidates.emplace_back(intervals.size(), false);

    TargetChoice chosen;
    bool have = false;
    for (std::vector<bool>& low : candidates) {
        TargetChoice candidate = Evaluate(intervals, std::move(low));
        if (candidate.bytes > budgetBytes)
            continue;
        if (!have || candidate.cost < chosen.cost ||
            (candidate.cost == chosen.cost && candidate.bytes < chosen.bytes)) {
            chosen = std::move(candidate);
            have = true;
        }
    }
    chosen.fits = true;
    return chosen;
}
