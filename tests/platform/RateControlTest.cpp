// The bit-rate mode's quantiser choice on a model encoder (a frame of
// complexity C takes C / q bits): the budget is met, spread as asked, and
// steered back after a scene it could not foresee.

#include "platform/CRateControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
constexpr double kFps = 25;
constexpr double kRate = 400000;

CRateControl::Setup ModelSetup(double qcompress, int64_t frames) {
    CRateControl::Setup s;
    s.bitsPerSecond = kRate;
    s.framesPerSecond = kFps;
    s.qcompress = qcompress;
    s.width = 320;
    s.height = 240;
    s.expectedFrames = frames;
    return s;
}

// Complexities of a movie: a calm first half and a busy second half, a key
// frame every second about four times as complex as the frames around it.
std::vector<double> Movie(int frames) {
    std::vector<double> c;
    for (int i = 0; i < frames; ++i) {
        const double base = i < frames / 2 ? 60000 : 240000;
        c.push_back(i % 25 == 0 ? 4 * base : base);
    }
    return c;
}

struct Outcome {
    double bits = 0;
    std::vector<int> q;
    std::vector<double> frameBits;
};

Outcome Encode(CRateControl& control, const std::vector<double>& movie) {
    Outcome out;
    for (size_t i = 0; i < movie.size(); ++i) {
        const int q = control.NextQuantiser(i % 25 == 0);
        const double bits = movie[i] / q;
        control.FrameDone(static_cast<int64_t>(bits / 8));
        out.bits += bits;
        out.q.push_back(q);
        out.frameBits.push_back(bits);
    }
    return out;
}

double Target(size_t frames) {
    return kRate * static_cast<double>(frames) / kFps;
}
} // namespace

TEST(RateControl, OnePassMeetsTheBudgetDespiteALateBusyScene) {
    const std::vector<double> movie = Movie(500);
    for (double qc : {0.0, 0.5, 1.0}) {
        CRateControl control(ModelSetup(qc, 500));
        const Outcome out = Encode(control, movie);
        EXPECT_NEAR(out.bits / Target(movie.size()), 1.0, 0.10) << "qcompress " << qc;
    }
}

TEST(RateControl, KnownComplexitiesGiveConstantQualityOrEvenBits) {
    const std::vector<double> movie = Movie(500);
    std::vector<bool> keys;
    for (size_t i = 0; i < movie.size(); ++i)
        keys.push_back(i % 25 == 0);

    CRateControl constant(ModelSetup(1.0, 0));
    constant.SetKnownComplexities(movie, keys);
    const Outcome q = Encode(constant, movie);
    EXPECT_NEAR(q.bits / Target(movie.size()), 1.0, 0.03);
    // The same quantiser in the calm and the busy half (key frames aside).
    EXPECT_NEAR(q.q[30], q.q[310], 1);

    CRateControl even(ModelSetup(0.0, 0));
    even.SetKnownComplexities(movie, keys);
    const Outcome e = Encode(even, movie);
    EXPECT_NEAR(e.bits / Target(movie.size()), 1.0, 0.03);
    // About the same bits for a calm and a busy frame.
    EXPECT_NEAR(e.frameBits[30] / e.frameBits[310], 1.0, 0.25);
}

TEST(RateControl, APlanLeavesTheBitsAStillSceneCannotUseToTheOthers) {
    // A still first half: at the finest quantiser its frames still take
    // almost nothing; the plan must give its share to the busy half.
    std::vector<double> movie = Movie(500);
    std::vector<bool> keys;
    for (size_t i = 0; i < movie.size(); ++i) {
        if (i < 250 && i % 25 != 0)
            movie[i] = 300;
        keys.push_back(i % 25 == 0);
    }
    for (double qc : {0.0, 1.0}) {
        CRateControl control(ModelSetup(qc, 0));
        control.SetKnownComplexities(movie, keys);
        const Outcome out = Encode(control, movie);
        EXPECT_NEAR(out.bits / Target(movie.size()), 1.0, 0.03) << "qcompress " << qc;
        // Even bits would ask the still frames for far more than they can
        // take: the finest quantiser there.
        if (qc == 0.0) {
            EXPECT_EQ(out.q[30], 2);
        }
    }
}

TEST(RateControl, QuantisersStayWithinTheirLimits) {
    // Far too few bits for the movie: the coarsest quantiser, never beyond.
    CRateControl::Setup s = ModelSetup(0.5, 100);
    s.bitsPerSecond = 1000;
    s.qmax = 20;
    CRateControl starved(s);
    for (int i = 0; i < 100; ++i) {
        const int q = starved.NextQuantiser(i % 25 == 0);
        EXPECT_EQ(q, 20);
        starved.FrameDone(5000);
    }
    // Far more bits than it can use: the finest, never below.
    s.bitsPerSecond = 1e9;
    s.qmin = 3;
    s.qmax = 31;
    CRateControl rich(s);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(rich.NextQuantiser(i % 25 == 0), 3);
        rich.FrameDone(100);
    }
}
