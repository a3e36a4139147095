#pragma once
// Our own rate control for the bit-rate mode: a quantiser per frame so that
// the movie's video comes out at the requested average bit rate. libavcodec's
// one-pass control for these encoders missed its target by 10 to 35 %.
//
// Model: a frame coded with quantiser q takes F + C / q bits. F is what it
// takes whatever the quantiser (picture header, a skip flag per macroblock:
// nearly all of a still frame), C its complexity (measured as the rest of its
// bits x q once coded). For a blend qc between 0 (bits spread evenly) and 1
// (constant quality), frame i gets
//     q_i = K x C_i^(1 - qc)
// and then takes F_i + C_i^qc / K bits, which fixes K for the bits each frame
// may have on average. A key frame counts as kKeyWeight frames and gets a
// finer quantiser.
//
// One pass: K comes from the frames seen so far (a frame's own complexity is
// guessed from the last frame of its kind), for what is left of the movie's
// budget over the frames still to come; until a frame that builds on a key
// frame is seen, 24 of them are guessed, so that the first key frame gets a
// key frame's share. With bits spread evenly, bits that frames could not take
// even at the finest quantiser (a still scene), or took beyond it at the
// coarsest (noise), are expected to recur in the same part in the rest of the
// movie: every frame is given that much more, or less, in advance, since what
// is left over at the end can no longer go anywhere. Towards constant quality
// less is given in advance: there a still scene takes little by design, and
// what it leaves is better kept for a busy scene to come.
//
// Two passes: with the measures of a first pass (SetKnownMeasures) K is
// solved for the whole movie, every quantiser within its limits, and solved
// again for the rest now and then during the second, with the model corrected
// by how far the frames coded so far strayed from it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct RateFrameMeasure {
    double complexity = 0; // the quantiser-dependent bits x quantiser
    double floorBits = 0;  // the bits taken whatever the quantiser
    bool key = false;
};

class CRateControl {
public:
    struct Setup {
        double bitsPerSecond = 900000;
        double framesPerSecond = 25;
        double qcompress = 0.5; // 0 .. 1
        int qmin = 2;
        int qmax = 31;
        int width = 0;
        int height = 0;
        // Frames the movie will have; 0 when unknown (then the budget is
        // steered back within `bufferMs` of bit rate, default one second).
        int64_t expectedFrames = 0;
        int bufferMs = 0;
    };

    explicit CRateControl(const Setup& setup);

    // What a first pass over the same frames measured of every one of them.
    void SetKnownMeasures(std::vector<RateFrameMeasure> measures);
    void SetExpectedFrames(int64_t frames) { m_setup.expectedFrames = frames; }
    // This pass only measures the frames for a second one.
    void SetFirstPass() { m_firstPass = true; }

    // The whole quantiser for the next frame.
    int NextQuantiser(bool key);
    // What that frame took.
    void FrameDone(int64_t bytes);

    // The measures of the frames so far (for a second pass).
    const std::vector<RateFrameMeasure>& Measures() const { return m_seen; }

private:
    // The bits a frame of this kind takes whatever the quantiser, at most.
    double FloorEstimate(bool key) const;
    RateFrameMeasure Guess(bool key) const;
    // Bits a frame may take on average from here on.
    double FrameBudget() const;
    double Weighted(double complexity, bool key) const;
    double Shape(double complexity, bool key) const;
    double OnePassQuantiser(const RateFrameMeasure& guess, double budget) const;
    double PlannedQuantiser(double k, size_t i) const;
    // Solves K for the known frames from `first` on so that they take `bits`.
    void Plan(size_t first, double bits);
    double PlannedQuantiserNow(size_t i);

    Setup m_setup;
    double m_bitsPerFrame = 0;
    bool m_firstPass = false;
    double m_macroblocks = 1;

    // Two passes.
    std::vector<RateFrameMeasure> m_known;
    std::vector<double> m_shape; // q_i / K of every known frame
    double m_knownK = 0;
    size_t m_planFrom = 0;      // the frame the current plan starts at
    double m_planBits = 0;      // the bits it shares out
    double m_planTotal = 0;     // the bits it expects them to take (less when the limits forbid)
    double m_plannedSince = 0;  // its bits of the frames coded since
    double m_spentSince = 0;    // what they really took
    double m_modelRatio = 1;    // real over modelled quantiser-dependent bits
    double m_modelledBits = 0;  // so far, as the model of the first pass said
    double m_variableBits = 0;  // so far, as they came
    std::vector<double> m_plan; // bits of every frame in the current plan

    // Both.
    std::vector<RateFrameMeasure> m_seen;
    double m_seenSum = 0; // weighted complexities of the frames so far
    double m_seenFloor = 0;
    double m_seenFrames = 0;
    RateFrameMeasure m_lastKey;
    RateFrameMeasure m_lastInter;
    double m_spentBits = 0;
    double m_unusable = 0;   // bits the limits kept frames from taking (negative: forced on them)
    double m_wantedBits = 0; // bits the frames were meant to take
    double m_carry = 0;      // rounding of the real quantiser carried to the next frame
    double m_lastKeyQ = 0;
    bool m_pendingKey = false;
    double m_pendingQ = 0;
    double m_pendingFreeQ = 0;  // the quantiser the nominal budget asked for, before the limits
    double m_pendingWanted = 0; // and the bits it meant the frame to take
};
