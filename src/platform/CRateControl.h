#pragma once
// Our own rate control for the bit-rate mode: a quantiser per frame so that
// the movie's video comes out at the requested average bit rate. libavcodec's
// one-pass control for these encoders missed its target by 10 to 35 %.
//
// Model: a frame coded with quantiser q takes about C / q bits, C being its
// complexity (measured as bits x q once coded). For a blend qc between 0
// (bits spread evenly) and 1 (constant quality), frame i gets
//     q_i = K x C_i^(1 - qc)
// and the frames then take (1 / K) x sum C^qc bits, which fixes K for the
// bits each frame may have on average. That average is what is left of the
// movie's budget over the frames still to come, so bits a calm scene could
// not use go to the scenes after it, and an overshoot is paid back before
// the end. In one pass the complexities are those seen so far (a frame's own
// is guessed from the last frame of its kind); with those of a first pass
// (SetKnownComplexities) K is known for the whole movie from the start. A key
// frame counts as kKeyWeight frames and gets a finer quantiser.

#include <cstddef>
#include <cstdint>
#include <vector>

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

    // The complexities and key flags of every frame of the movie, from a
    // first pass over the same frames.
    void SetKnownComplexities(std::vector<double> complexities, std::vector<bool> keys);
    void SetExpectedFrames(int64_t frames) { m_setup.expectedFrames = frames; }

    // The whole quantiser for the next frame.
    int NextQuantiser(bool key);
    // What that frame took.
    void FrameDone(int64_t bytes);

    // The complexities and key flags seen so far (for a second pass).
    const std::vector<double>& Complexities() const { return m_seen; }
    const std::vector<bool>& Keys() const { return m_seenKeys; }

private:
    double Guess(bool key) const;
    // Bits a frame may take on average from here on.
    double FrameBudget() const;
    double Weighted(double complexity, bool key) const;
    // Frame i's quantiser in the plan for K, within the limits.
    double PlannedQuantiser(double k, size_t i) const;

    Setup m_setup;
    double m_bitsPerFrame = 0;
    std::vector<double> m_known;
    std::vector<bool> m_knownKeys;
    double m_knownK = 0;
    std::vector<double> m_planned; // bits of every frame in the plan
    double m_knownSum = 0;         // their sum: the movie's budget, unless the limits forbid
    double m_plannedSoFar = 0;     // the part of it of the frames coded so far
    std::vector<double> m_seen;
    std::vector<bool> m_seenKeys;
    double m_seenSum = 0; // the same over the frames coded so far
    double m_seenFrames = 0;
    double m_lastKey = 0;
    double m_lastInter = 0;
    double m_spentBits = 0;
    double m_carry = 0; // rounding of the real quantiser carried to the next frame
    bool m_pendingKey = false;
    double m_pendingQ = 0;
};
