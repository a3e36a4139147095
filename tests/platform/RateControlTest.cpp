// The bit-rate mode's quantiser choice on a model encoder (a frame of
// complexity C takes C / q bits, and another frame at least a skip flag per
// macroblock): the budget is met, spread as asked, and steered back after a
// scene it could not foresee.

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

// What the model encoder takes for a frame of complexity c at quantiser q:
// 320x240 has 300 macroblocks, and even a still frame codes a skip flag for each.
double ModelBits(double c, int q, bool key) {
    return (key ? 0 : 300.0) + c / q;
}

Outcome Encode(CRateControl& control, const std::vector<double>& movie) {
    Outcome out;
    for (size_t i = 0; i < movie.size(); ++i) {
        const int q = control.NextQuantiser(i % 25 == 0);
        const double bits = ModelBits(movie[i], q, i % 25 == 0);
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

// The second pass of a movie after a first pass over it at the same rate.
Outcome TwoPasses(double qcompress, const std::vector<double>& movie) {
    CRateControl first(ModelSetup(qcompress, static_cast<int64_t>(movie.size())));
    Encode(first, movie);
    CRateControl second(ModelSetup(qcompress, 0));
    second.SetKnownMeasures(first.Measures());
    return Encode(second, movie);
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
    const Outcome q = TwoPasses(1.0, movie);
    EXPECT_NEAR(q.bits / Target(movie.size()), 1.0, 0.03);
    // The same quantiser in the calm and the busy half (key frames aside).
    EXPECT_NEAR(q.q[30], q.q[310], 1);

    const Outcome e = TwoPasses(0.0, movie);
    EXPECT_NEAR(e.bits / Target(movie.size()), 1.0, 0.03);
    // About the same bits for a calm and a busy frame.
    EXPECT_NEAR(e.frameBits[30] / e.frameBits[310], 1.0, 0.25);
}

TEST(RateControl, APlanLeavesTheBitsAStillSceneCannotUseToTheOthers) {
    // A still first half: at the finest quantiser its frames still take
    // almost nothing; the plan must give its share to the busy half.
    std::vector<double> movie = Movie(500);
    for (size_t i = 0; i < movie.size(); ++i) {
        if (i < 250 && i % 25 != 0)
            movie[i] = 300;
    }
    for (double qc : {0.0, 1.0}) {
        const Outcome out = TwoPasses(qc, movie);
        EXPECT_NEAR(out.bits / Target(movie.size()), 1.0, 0.03) << "qcompress " << qc;
        // Even bits would ask the still frames for far more than they can
        // take: the finest quantiser there.
        if (qc == 0.0) {
            EXPECT_EQ(out.q[30], 2);
        }
    }
}

TEST(RateControl, OnePassGivesInAdvanceWhatStillOrNoisyScenesCannotTakeOrGiveBack) {
    // Bits spread evenly over scenes that come back: still (next to nothing
    // even at the finest quantiser), ordinary, and noise (twice the budget
    // even at the coarsest). The movie ends in a still scene, where saved
    // bits could no longer go anywhere, or in an ordinary one.
    for (const double lastScene : {300.0, 100000.0}) {
        std::vector<double> movie;
        for (int i = 0; i < 1000; ++i) {
            const int scene = i / 125;
            const double base = scene == 7       ? lastScene
                                : scene % 3 == 0 ? 300
                                : scene % 3 == 1 ? 100000
                                                 : 1.0e6;
            movie.push_back(i % 25 == 0 ? base * 4 + 400000 : base);
        }
        CRateControl control(ModelSetup(0.0, 1000));
        const Outcome out = Encode(control, movie);
        EXPECT_NEAR(out.bits / Target(movie.size()), 1.0, 0.10) << lastScene;
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

TEST(RateControl, TheFirstKeyFrameIsNotStarvedForWantOfKnowledge) {
    // Nothing is known before the first frame; it must still get about the
    // share a key frame gets once the movie is known (a key frame's share,
    // not a single frame's), or its interval is spoiled at the coarsest
    // quantiser.
    const std::vector<double> movie = Movie(500);
    for (double qc : {0.0, 0.5, 1.0}) {
        CRateControl control(ModelSetup(qc, 500));
        const Outcome out = Encode(control, movie);
        EXPECT_LE(out.q[0], 2 * out.q[50]) << "qcompress " << qc;
        EXPECT_LE(out.q[0], 2 * out.q[75]) << "qcompress " << qc;
    }
}
