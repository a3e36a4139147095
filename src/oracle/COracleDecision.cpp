// The deciding half of COracle: the rule per interval, the runs of equal
// decisions, and the size limit. Works on values only; decodes nothing.

#include "oracle/COracle.h"

#include "media/IHost.h"
#include "oracle/IOracleListSink.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double VideoKBytes(const OracleInterval& interval) {
    if (interval.choice == OracleInterval::CHOICE_LOW) {
        return static_cast<double>(interval.lowBytes) * 0.001;
    }
    if (interval.choice == OracleInterval::CHOICE_FAST) {
        return static_cast<double>(interval.fastBytes) * 0.001;
    }
    return 0.0;
}

} // namespace

bool COracle::RunJob(const std::string& oracleFile, double oracleValue, double comparisonValue,
                     bool limitFlag, double limitKBytes) {
    if (m_pSink != nullptr) {
        m_pSink->ClearRows();
    }
    m_oracleValue = oracleValue;
    m_comparisonValue = comparisonValue;
    const bool measured = RunOracle(oracleFile);
    if (!measured && !m_bError) {
        DecideAll();
    }
    if (m_bError) {
        return false;
    }
    if (limitFlag) {
        OptimiseSize(limitKBytes);
    } else {
        m_host.SetStatusText("Waiting!");
    }
    return true;
}

bool COracle::DecideInterval(OracleInterval& interval) const {
    const double epsilon = 1e-8;
    // By how many percent lowValue exceeds fastValue.
    const double p = 100.0 / (interval.fastValue + epsilon) * (interval.lowValue + epsilon) - 100.0;
    const bool voteLow = p <= m_oracleValue;

    // Qualities closer than the tolerance count as identical; the smaller
    // interval wins then. The difference is cut to whole units; compared as
    // a double so that differences beyond 32 bits stay different.
    const double d = std::trunc(std::fabs(interval.lowValue - interval.fastValue));
    const double t = static_cast<double>(interval.end - interval.start) * m_comparisonValue;
    if (t > d) {
        interval.decidedBySize = true;
        return interval.lowBytes < interval.fastBytes;
    }
    interval.decidedBySize = false;
    return voteLow;
}

void COracle::ClearRunState() {
    m_nRunKind = -1;
    m_nRunStart = 0;
    m_nRunEnd = 0;
}

void COracle::AppendRun(OracleInterval& interval, bool isLow) {
    const int kind = isLow ? OracleInterval::CHOICE_LOW : OracleInterval::CHOICE_FAST;
    if (m_nRunKind == -1) {
        m_nRunKind = kind;
    } else if (m_nRunKind != kind) {
        if (m_pSink != nullptr) {
            m_pSink->AddRun(m_nRunKind == OracleInterval::CHOICE_LOW, m_nRunStart, m_nRunEnd);
        }
        m_nRunKind = kind;
        m_nRunStart = m_nRunEnd;
    }
    m_nRunEnd = interval.end;
    interval.choice = kind;
}

void COracle::CloseRun() {
    if (m_nRunStart < m_nRunEnd && m_pSink != nullptr) {
        m_pSink->AddRun(m_nRunKind == OracleInterval::CHOICE_LOW, m_nRunStart, m_nRunEnd);
    }
}

void COracle::DecideAll() {
    m_host.SetProgressRange(0, 10000);
    ShowProgress(0);
    ClearRunState();
    const int n = static_cast<int>(m_intervals.size());
    for (int k = 1; k <= n; ++k) {
        ShowProgress(static_cast<int>(k * (10000.0 / n)));
        m_host.SetStatusText(FormatStatus("Asking Oracle for intervall %d of %d ...   ", k, n));
        OracleInterval& interval = m_intervals[size_t(k) - 1];
        AppendRun(interval, DecideInterval(interval));
    }
    CloseRun();
    ShowProgress(10000);
}

double COracle::EstimateSize() {
    double total = 0.0;
    for (const OracleInterval& interval : m_intervals) {
        total += static_cast<double>(interval.audioBytes) * 0.001;
        if (interval.choice != OracleInterval::CHOICE_LOW && interval.choice != OracleInterval::CHOICE_FAST) {
            m_host.ShowError("Oracle Error in getting final AVI size!");
            continue;
        }
        total += VideoKBytes(interval);
    }
    return total;
}

void COracle::OptimiseSize(double limitKBytes) {
    m_host.SetProgressRange(0, 10000);
    ShowProgress(0);
    m_candidates.clear();
    m_nCandidatesLeft = 0;

    const int n = static_cast<int>(m_intervals.size());
    for (int k = 1; k <= n; ++k) {
        ShowProgress(static_cast<int>(k * (10000.0 / n)));
        m_host.SetStatusText(FormatStatus("Sorting intervall %d of %d ...   ", k, n));
        OracleInterval& interval = m_intervals[size_t(k) - 1];
        if (interval.decidedBySize) {
            continue;
        }
        // Before the first candidate that lies further apart: equal distances
        // keep movie order.
        auto at = std::find_if(m_candidates.begin(), m_candidates.end(), [&](const OracleInterval* c) {
            return c->valueDistance > interval.valueDistance;
        });
        m_candidates.insert(at, &interval);
        ++m_nCandidatesLeft;
    }
    ShowProgress(10000);

    double total = EstimateSize();
    m_host.SetStatusText("Optimizing...");
    for (OracleInterval* candidate : m_candidates) {
        if (total <= limitKBytes) {
            break;
        }
        total -= VideoKBytes(*candidate);
        candidate->choice = candidate->lowBytes < candidate->fastBytes ? OracleInterval::CHOICE_LOW
                                                                       : OracleInterval::CHOICE_FAST;
        total += VideoKBytes(*candidate);
        candidate->decidedBySize = true;
        --m_nCandidatesLeft;
    }

    if (m_pSink != nullptr) {
        m_pSink->ClearRows();
    }
    ClearRunState();
    for (OracleInterval& interval : m_intervals) {
        AppendRun(interval, interval.choice == OracleInterval::CHOICE_LOW);
    }
    CloseRun();
    m_host.SetStatusText(m_nCandidatesLeft == 0 ? "Reached minimal size!" : "Waiting!");
}
