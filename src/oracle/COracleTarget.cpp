// The size target of COracle: the choice itself is SizeTargetChoice's; here
// the intervals' values become costs and the budget is what the audio leaves.

#include "oracle/COracle.h"

#include "media/IHost.h"
#include "oracle/SizeTargetChoice.h"

#include <cmath>
#include <cstdio>

bool COracle::MeetSizeTarget(double targetKBytes) {
    m_host.SetStatusText("Optimizing...");
    std::vector<TargetInterval> targets;
    targets.reserve(m_intervals.size());
    int64_t audioBytes = 0;
    for (const OracleInterval& interval : m_intervals) {
        // The values are per frame of the interval; the cost is the interval's
        // whole difference, so that long intervals weigh more.
        const double frames = static_cast<double>(interval.end - interval.start);
        targets.push_back({{interval.lowBytes, interval.lowValue * frames},
                           {interval.fastBytes, interval.fastValue * frames}});
        audioBytes += interval.audioBytes;
    }
    // One KByte is 1000 bytes, as for the size limit.
    const int64_t budget = static_cast<int64_t>(std::floor(targetKBytes * 1000.0)) - audioBytes;
    const TargetChoice choice = ChooseForSizeTarget(targets, budget);
    for (size_t i = 0; i < m_intervals.size(); ++i) {
        m_intervals[i].choice = choice.low[i] ? OracleInterval::CHOICE_LOW : OracleInterval::CHOICE_FAST;
        m_intervals[i].decidedBySize = false;
    }
    ListChoices();
    if (!choice.fits) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "The target size of %.0f KBytes cannot be reached: the smaller encoding of every "
                      "interval with the audio gives %.0f KBytes.",
                      targetKBytes, static_cast<double>(choice.bytes + audioBytes) * 0.001);
        m_host.ShowWarning(text);
        m_host.SetStatusText("Reached minimal size!");
        return false;
    }
    m_host.SetStatusText("Waiting!");
    return true;
}
