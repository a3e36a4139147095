#include "oracle/SizeTargetChoice.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Best {
    double cost = 0.0;
    bool found = false;
};

// Every LOW/FAST combination that fits.
Best BruteForce(const std::vector<TargetInterval>& intervals, int64_t budget) {
    Best best;
    const size_t n = intervals.size();
    for (uint32_t mask = 0; mask < (1U << n); ++mask) {
        int64_t bytes = 0;
        double cost = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const TargetOption& o = (mask >> i) & 1U ? intervals[i].low : intervals[i].fast;
            bytes += o.bytes;
            cost += o.cost;
        }
        if (bytes <= budget && (!best.found || cost < best.cost)) {
            best.cost = cost;
            best.found = true;
        }
    }
    return best;
}

TargetChoice Uniform(const std::vector<TargetInterval>& intervals, bool low) {
    TargetChoice c;
    for (const TargetInterval& i : intervals) {
        const TargetOption& o = low ? i.low : i.fast;
        c.bytes += o.bytes;
        c.cost += o.cost;
    }
    return c;
}

std::vector<TargetInterval> RandomIntervals(std::mt19937& rng, size_t n, int64_t maxBytes) {
    std::uniform_int_distribution<int64_t> bytes(0, maxBytes);
    std::uniform_real_distribution<double> cost(0.0, 1000.0);
    std::vector<TargetInterval> intervals(n);
    for (TargetInterval& i : intervals) {
        i.low = {bytes(rng), cost(rng)};
        i.fast = {bytes(rng), cost(rng)};
    }
    return intervals;
}

// The checks every choice must pass, whatever its step.
void ExpectSound(const std::vector<TargetInterval>& intervals, int64_t budget, const TargetChoice& choice) {
    ASSERT_EQ(choice.low.size(), intervals.size());
    int64_t bytes = 0;
    double cost = 0.0;
    for (size_t i = 0; i < intervals.size(); ++i) {
        const TargetOption& o = choice.low[i] ? intervals[i].low : intervals[i].fast;
        bytes += o.bytes;
        cost += o.cost;
    }
    EXPECT_EQ(bytes, choice.bytes);
    EXPECT_NEAR(cost, choice.cost, 1e-6);
    if (!choice.fits)
        return;
    EXPECT_LE(choice.bytes, budget);
    for (bool low : {true, false}) {
        const TargetChoice all = Uniform(intervals, low);
        if (all.bytes <= budget) {
            EXPECT_LE(choice.cost, all.cost + 1e-9) << (low ? "all LOW" : "all FAST");
        }
    }
}

} // namespace

TEST(SizeTargetChoice, FindsTheBruteForceOptimumAtByteSteps) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 400; ++round) {
        const size_t n = 1 + rng() % 12;
        const auto intervals = RandomIntervals(rng, n, 5000);
        const int64_t budget = std::uniform_int_distribution<int64_t>(0, int64_t(n) * 5000)(rng);
        const TargetChoice choice = ChooseForSizeTarget(intervals, budget);
        ExpectSound(intervals, budget, choice);
        const Best best = BruteForce(intervals, budget);
        ASSERT_EQ(choice.fits, best.found) << "round " << round;
        if (best.found) {
            EXPECT_NEAR(choice.cost, best.cost, 1e-6) << "round " << round;
        }
    }
}

TEST(SizeTargetChoice, CoarseStepsNeverExceedTheBudgetNorLoseToAFittingInput) {
    // Few cells force steps of many bytes: rounding must keep the choice
    // under the budget, and the fill must keep it close to the optimum.
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 2 + rng() % 11;
        const auto intervals = RandomIntervals(rng, n, 1'000'000);
        const int64_t budget = std::uniform_int_distribution<int64_t>(0, int64_t(n) * 1'000'000)(rng);
        const TargetChoice choice = ChooseForSizeTarget(intervals, budget, 64);
        ExpectSound(intervals, budget, choice);
        const Best best = BruteForce(intervals, budget);
        ASSERT_EQ(choice.fits, best.found);
    }
}

TEST(SizeTargetChoice, ABudgetBelowTheSmallestChoiceTakesTheSmallerOfEach) {
    const std::vector<TargetInterval> intervals = {{{100, 1.0}, {50, 9.0}}, {{30, 5.0}, {80, 1.0}}};
    const TargetChoice choice = ChooseForSizeTarget(intervals, 79);
    EXPECT_FALSE(choice.fits);
    EXPECT_EQ(choice.low, (std::vector<bool>{false, true}));
    EXPECT_EQ(choice.bytes, 80);
    // Exactly the smallest fits; one byte more buys nothing that fits.
    EXPECT_TRUE(ChooseForSizeTarget(intervals, 80).fits);
    // Room for both upgrades gives the better encoding everywhere.
    const TargetChoice roomy = ChooseForSizeTarget(intervals, 180);
    EXPECT_EQ(roomy.low, (std::vector<bool>{true, false}));
    EXPECT_DOUBLE_EQ(roomy.cost, 2.0);
}

TEST(SizeTargetChoice, AnEmptyMovieFitsAnyBudget) {
    const TargetChoice choice = ChooseForSizeTarget({}, 0);
    EXPECT_TRUE(choice.fits);
    EXPECT_EQ(choice.bytes, 0);
}
