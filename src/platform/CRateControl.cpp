#include "platform/CRateControl.h"

#include <algorithm>
#include <cmath>

namespace {
// A key frame is about this much more complex than the frames around it and
// counts as that many frames when the bits are shared out.
constexpr double kKeyWeight = 4.0;
// Key frames: a finer quantiser than the frames around them, since every
// later frame of their interval builds on them.
constexpr double kKeyFactor = 0.8;
// Another frame's quantiser in one pass: at least this part of its key frame's.
constexpr double kInterBelowKey = 0.5;
// First guess before anything was coded: bits per pixel of another frame at
// quantiser 1 (a key frame takes kKeyWeight times as many; detailed pictures
// took 1 to 3 bits per pixel at quantiser 1 as key frames, noise up to 10).
constexpr double kInterBitsPerPixelAtQ1 = 0.5;
// Frames that build on the first key frame, guessed before any is seen.
constexpr double kPriorInterFrames = 24;
// How far the budget per frame may stray from the nominal one.
constexpr double kMinBudget = 0.1;
constexpr double kMaxBudget = 4.0;
// How much of what the frames are meant to take they may be expected to leave
// (a still scene), or to take beyond it (noise), at most; the first for bits
// spread evenly, less towards constant quality.
constexpr double kMaxUnused = 0.6;
constexpr double kMinUnused = -1.0;
// Bits a frame takes whatever its quantiser: its header, and per macroblock
// a skip flag (another frame) or at least its DC terms (a key frame).
constexpr double kHeaderBits = 200;
constexpr double kInterBitsPerMacroblock = 1;
constexpr double kKeyBitsPerMacroblock = 10;
// The second pass plans again this often (in frames, at least), and at most
// this many times over the movie, so that planning stays linear in its length.
constexpr size_t kReplanFrames = 25;
constexpr size_t kMaxReplans = 200;
} // namespace

CRateControl::CRateControl(const Setup& setup) : m_setup(setup) {
    m_setup.qcompress = std::clamp(m_setup.qcompress, 0.0, 1.0);
    m_setup.qmin = std::clamp(m_setup.qmin, 1, 31);
    m_setup.qmax = std::clamp(m_setup.qmax, m_setup.qmin, 31);
    m_bitsPerFrame = m_setup.framesPerSecond > 0 ? m_setup.bitsPerSecond / m_setup.framesPerSecond : 0;
    m_macroblocks = std::max(1.0, std::ceil(m_setup.width / 16.0) * std::ceil(m_setup.height / 16.0));
}

double CRateControl::FloorEstimate(bool key) const {
    return kHeaderBits + m_macroblocks * (key ? kKeyBitsPerMacroblock : kInterBitsPerMacroblock);
}

double CRateControl::Weighted(double complexity, bool key) const {
    const double c = std::max(complexity, 1.0) / (key ? kKeyWeight : 1.0);
    return std::pow(c, m_setup.qcompress) * (key ? kKeyWeight : 1.0);
}

double CRateControl::Shape(double complexity, bool key) const {
    const double perFrame = std::max(complexity, 1.0) / (key ? kKeyWeight : 1.0);
    return std::pow(perFrame, 1.0 - m_setup.qcompress) * (key ? kKeyFactor : 1.0);
}

void CRateControl::SetKnownMeasures(std::vector<RateFrameMeasure> measures) {
    m_known = std::move(measures);
    m_setup.expectedFrames = static_cast<int64_t>(m_known.size());
    m_shape.clear();
    for (const RateFrameMeasure& m : m_known)
        m_shape.push_back(Shape(m.complexity, m.key));
    m_modelRatio = 1;
    Plan(0, m_bitsPerFrame * static_cast<double>(m_known.size()));
}

double CRateControl::PlannedQuantiser(double k, size_t i) const {
    return std::clamp(k * m_shape[i], double(m_setup.qmin), double(m_setup.qmax));
}

void CRateControl::Plan(size_t first, double bits) {
    auto take = [&](double k) {
        double sum = 0;
        for (size_t i = first; i < m_known.size(); ++i)
            sum += m_known[i].floorBits +
                   m_modelRatio * std::max(m_known[i].complexity, 1.0) / PlannedQuantiser(k, i);
        return sum;
    };
    // The frames' bits fall as K grows: halve the range (geometrically).
    double low = 1e-12;
    double high = 1e12;
    for (int step = 0; step < 100 && high / low > 1.0 + 1e-6; ++step) {
        const double k = std::sqrt(low * high);
        (take(k) > bits ? low : high) = k;
    }
    m_knownK = high;
    m_planFrom = first;
    m_planBits = bits;
    m_plannedSince = 0;
    m_spentSince = 0;
    m_plan.assign(m_known.size(), 0);
    m_planTotal = 0;
    for (size_t i = first; i < m_known.size(); ++i) {
        m_plan[i] = m_known[i].floorBits +
                    m_modelRatio * std::max(m_known[i].complexity, 1.0) / PlannedQuantiser(m_knownK, i);
        m_planTotal += m_plan[i];
    }
}

double CRateControl::PlannedQuantiserNow(size_t i) {
    const size_t every = std::max(kReplanFrames, m_known.size() / kMaxReplans);
    if (i - m_planFrom >= every) {
        if (m_modelledBits > 0)
            m_modelRatio = std::clamp(m_variableBits / m_modelledBits, 0.5, 2.0);
        Plan(i, std::max(m_bitsPerFrame * static_cast<double>(m_known.size()) - m_spentBits, 0.0));
    }
    double q = PlannedQuantiser(m_knownK, i);
    // What the frames since the plan took off it is made good on the rest.
    const double plannedLeft = m_planTotal - m_plannedSince;
    const double left = m_planBits - m_spentSince;
    if (plannedLeft > 0 && left > 0)
        q /= std::clamp(left / plannedLeft, 0.5, 2.0);
    else if (left <= 0)
        q = m_setup.qmax;
    return q;
}

RateFrameMeasure CRateControl::Guess(bool key) const {
    const RateFrameMeasure& last = key ? m_lastKey : m_lastInter;
    if (last.complexity > 0)
        return last;
    RateFrameMeasure guess;
    guess.key = key;
    guess.floorBits = FloorEstimate(key);
    const RateFrameMeasure& other = key ? m_lastInter : m_lastKey;
    if (other.complexity > 0)
        guess.complexity = key ? other.complexity * kKeyWeight : other.complexity / kKeyWeight;
    else
        guess.complexity = std::max(1.0, double(m_setup.width) * double(m_setup.height)) *
                           kInterBitsPerPixelAtQ1 * (key ? kKeyWeight : 1.0);
    return guess;
}

double CRateControl::FrameBudget() const {
    const double done = static_cast<double>(m_seen.size());
    const double total = static_cast<double>(m_setup.expectedFrames);
    double budget = m_bitsPerFrame;
    if (total > done) {
        budget = (total * m_bitsPerFrame - m_spentBits) / (total - done);
    } else if (done > 0) {
        // Unknown length: what was spent above the target makes the frames
        // after it leaner, doubling the quantiser per buffer of overshoot.
        const double buffer =
            m_setup.bitsPerSecond * (m_setup.bufferMs > 0 ? m_setup.bufferMs : 1000) / 1000.0;
        budget = m_bitsPerFrame / std::pow(2.0, (m_spentBits - done * m_bitsPerFrame) / buffer);
    }
    return std::clamp(budget, m_bitsPerFrame * kMinBudget, m_bitsPerFrame * kMaxBudget);
}

double CRateControl::OnePassQuantiser(const RateFrameMeasure& guess, double budget) const {
    // K from the frames so far with this one as guessed.
    double frames = m_seenFrames + 1.0;
    double sum = m_seenSum + Weighted(guess.complexity, guess.key);
    double floorSum = m_seenFloor + guess.floorBits;
    if (m_lastInter.complexity <= 0) {
        // No frame that builds on a key frame seen yet: the ones to come are
        // guessed, so that a key frame gets its weight's share of the bits
        // rather than a single frame's (which took the first key frame of a
        // movie to the coarsest quantiser).
        const RateFrameMeasure inter = Guess(false);
        frames += kPriorInterFrames;
        sum += kPriorInterFrames * Weighted(inter.complexity, false);
        floorSum += kPriorInterFrames * inter.floorBits;
    }
    const double floor = floorSum / frames;
    const double k = sum / frames / std::max(budget - floor, budget * kMinBudget);
    return k * Shape(guess.complexity, guess.key);
}

int CRateControl::NextQuantiser(bool key) {
    double q = m_setup.qmax;
    const size_t i = m_seen.size();
    m_pendingFreeQ = 0;
    if (m_bitsPerFrame > 0 && i < m_known.size()) {
        q = PlannedQuantiserNow(i);
    } else if (m_bitsPerFrame > 0) {
        const RateFrameMeasure guess = Guess(key);
        const double budget = FrameBudget();
        double expected = budget;
        if (m_setup.expectedFrames > static_cast<int64_t>(i) && m_wantedBits > 0) {
            // The part of what frames were meant to take that they did not
            // (or took beyond) is expected of the rest of the movie too.
            // Only bits spread evenly need this in one pass: at constant
            // quality a still scene takes little by design, and what it leaves
            // stays in the budget for whatever comes (spending it ahead took a
            // pan to the finest quantiser and left the busy scene after it at
            // the coarsest). The first of two passes expects it whatever the
            // blend: its measures, taken nearer the quantisers the second pass
            // will choose, let that pass meet its rate (3.5 % under without).
            const double most = m_firstPass ? kMaxUnused : kMaxUnused * (1.0 - m_setup.qcompress);
            const double unused = std::clamp(m_unusable / m_wantedBits, kMinUnused, most);
            expected =
                std::clamp(budget / (1.0 - unused), m_bitsPerFrame * kMinBudget, m_bitsPerFrame * kMaxBudget);
        }
        q = OnePassQuantiser(guess, expected);
        // Not much finer than the key frame the frame builds on: the frame
        // after a coarse key frame would otherwise code the picture anew at
        // the finest quantiser, guessed as cheap as the still frame before.
        if (!key && m_lastKeyQ > 0)
            q = std::max(q, m_lastKeyQ * kInterBelowKey);
        m_pendingFreeQ = OnePassQuantiser(guess, budget);
        m_pendingWanted = guess.floorBits + std::max(guess.complexity, 1.0) / std::max(m_pendingFreeQ, 1e-9);
    }
    q = std::clamp(q, double(m_setup.qmin), double(m_setup.qmax));
    // Whole quantisers only: the rest is carried over, so that over a few
    // frames the mean is the real value.
    const double wanted = q + m_carry;
    const int whole = std::clamp(static_cast<int>(std::lround(wanted)), m_setup.qmin, m_setup.qmax);
    m_carry = key ? 0 : std::clamp(wanted - whole, -0.5, 0.5);
    m_pendingKey = key;
    m_pendingQ = whole;
    if (key)
        m_lastKeyQ = whole;
    return whole;
}

void CRateControl::FrameDone(int64_t bytes) {
    const double bits = static_cast<double>(std::max<int64_t>(bytes, 1)) * 8.0;
    RateFrameMeasure m;
    m.key = m_pendingKey;
    m.floorBits = std::min(bits, FloorEstimate(m_pendingKey));
    m.complexity = std::max(bits - m.floorBits, 1.0) * m_pendingQ;
    const size_t i = m_seen.size();
    if (i < m_known.size()) {
        m_plannedSince += m_plan[i];
        m_spentSince += bits;
        m_modelledBits += std::max(m_known[i].complexity, 1.0) / m_pendingQ;
        m_variableBits += std::max(bits - m_known[i].floorBits, 0.0);
    }
    // What the nominal budget meant this frame to take and the limits did not
    // let it (or made it take beyond).
    if (m_pendingFreeQ > 0)
        m_wantedBits += m_pendingWanted;
    if (m_pendingFreeQ > 0 && m_pendingFreeQ < m_setup.qmin)
        m_unusable += std::max(m_pendingWanted - bits, 0.0);
    else if (m_pendingFreeQ > m_setup.qmax)
        m_unusable -= std::max(bits - m_pendingWanted, 0.0);
    m_seen.push_back(m);
    m_seenSum += Weighted(m.complexity, m.key);
    m_seenFloor += m.floorBits;
    m_seenFrames += 1.0;
    m_spentBits += bits;
    (m.key ? m_lastKey : m_lastInter) = m;
}
