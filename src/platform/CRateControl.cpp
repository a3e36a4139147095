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
// First guess before anything was coded: bits per pixel of another frame at
// quantiser 1.
constexpr double kInterBitsPerPixelAtQ1 = 1.5;
// How far the budget per frame may stray from the nominal one.
constexpr double kMinBudget = 0.1;
constexpr double kMaxBudget = 4.0;
} // namespace

CRateControl::CRateControl(const Setup& setup) : m_setup(setup) {
    m_setup.qcompress = std::clamp(m_setup.qcompress, 0.0, 1.0);
    m_setup.qmin = std::clamp(m_setup.qmin, 1, 31);
    m_setup.qmax = std::clamp(m_setup.qmax, m_setup.qmin, 31);
    m_bitsPerFrame = m_setup.framesPerSecond > 0 ? m_setup.bitsPerSecond / m_setup.framesPerSecond : 0;
}

double CRateControl::Weighted(double complexity, bool key) const {
    const double c = std::max(complexity, 1.0) / (key ? kKeyWeight : 1.0);
    return std::pow(c, m_setup.qcompress) * (key ? kKeyWeight : 1.0);
}

void CRateControl::SetKnownComplexities(std::vector<double> complexities, std::vector<bool> keys) {
    m_known = std::move(complexities);
    m_knownKeys = std::move(keys);
    m_knownKeys.resize(m_known.size(), false);
    m_setup.expectedFrames = static_cast<int64_t>(m_known.size());
    // K such that the whole movie, every quantiser within its limits, takes
    // the budget: the bits of a frame fall as K grows, so halve the range.
    const double budget = m_bitsPerFrame * static_cast<double>(m_known.size());
    double low = 1e-12;
    double high = 1e12;
    for (int step = 0; step < 200 && high / low > 1.0 + 1e-9; ++step) {
        const double k = std::sqrt(low * high);
        double bits = 0;
        for (size_t i = 0; i < m_known.size(); ++i)
            bits += std::max(m_known[i], 1.0) / PlannedQuantiser(k, i);
        (bits > budget ? low : high) = k;
    }
    m_knownK = high;
    m_planned.clear();
    m_knownSum = 0;
    for (size_t i = 0; i < m_known.size(); ++i) {
        m_planned.push_back(std::max(m_known[i], 1.0) / PlannedQuantiser(m_knownK, i));
        m_knownSum += m_planned.back();
    }
}

double CRateControl::PlannedQuantiser(double k, size_t i) const {
    const bool key = m_knownKeys[i];
    const double perFrame = std::max(m_known[i], 1.0) / (key ? kKeyWeight : 1.0);
    const double q = k * std::pow(perFrame, 1.0 - m_setup.qcompress) * (key ? kKeyFactor : 1.0);
    return std::clamp(q, double(m_setup.qmin), double(m_setup.qmax));
}

double CRateControl::Guess(bool key) const {
    const size_t i = m_seen.size();
    if (i < m_known.size())
        return m_known[i];
    const double last = key ? m_lastKey : m_lastInter;
    if (last > 0)
        return last;
    if (key && m_lastInter > 0)
        return m_lastInter * kKeyWeight;
    if (!key && m_lastKey > 0)
        return m_lastKey / kKeyWeight;
    const double pixels = std::max(1.0, double(m_setup.width) * double(m_setup.height));
    return pixels * kInterBitsPerPixelAtQ1 * (key ? kKeyWeight : 1.0);
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

int CRateControl::NextQuantiser(bool key) {
    const double qc = m_setup.qcompress;
    const double c = Guess(key);
    double q = m_setup.qmax;
    const size_t i = m_seen.size();
    if (m_bitsPerFrame > 0 && i < m_known.size()) {
        // The plan of the first pass; what was spent off it so far is made
        // good on the rest.
        q = PlannedQuantiser(m_knownK, i);
        const double plannedLeft = m_knownSum - m_plannedSoFar;
        const double left = m_knownSum - m_spentBits;
        if (plannedLeft > 0 && left > 0)
            q /= std::clamp(left / plannedLeft, 0.5, 2.0);
        else if (left <= 0)
            q = m_setup.qmax;
    } else if (m_bitsPerFrame > 0) {
        // K from the frames so far with this one as guessed.
        const double sum = m_seenSum + Weighted(c, key);
        const double frames = m_seenFrames + 1.0;
        const double k = sum / frames / FrameBudget();
        const double perFrame = std::max(c, 1.0) / (key ? kKeyWeight : 1.0);
        q = k * std::pow(perFrame, 1.0 - qc) * (key ? kKeyFactor : 1.0);
    }
    q = std::clamp(q, double(m_setup.qmin), double(m_setup.qmax));
    // Whole quantisers only: the rest is carried over, so that over a few
    // frames the mean is the real value.
    const double wanted = q + m_carry;
    const int whole = std::clamp(static_cast<int>(std::lround(wanted)), m_setup.qmin, m_setup.qmax);
    m_carry = key ? 0 : std::clamp(wanted - whole, -0.5, 0.5);
    m_pendingKey = key;
    m_pendingQ = whole;
    return whole;
}

void CRateControl::FrameDone(int64_t bytes) {
    const double bits = static_cast<double>(std::max<int64_t>(bytes, 1)) * 8.0;
    const double c = bits * m_pendingQ;
    m_seen.push_back(c);
    m_seenKeys.push_back(m_pendingKey);
    m_seenSum += Weighted(c, m_pendingKey);
    if (m_seen.size() <= m_planned.size())
        m_plannedSoFar += m_planned[m_seen.size() - 1];
    m_seenFrames += 1.0;
    m_spentBits += bits;
    if (m_pendingKey)
        m_lastKey = c;
    else
        m_lastInter = c;
}
