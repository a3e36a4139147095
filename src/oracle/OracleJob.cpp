#include "oracle/OracleJob.h"

#include "jobs/CProgressTimer.h"
#include "jobs/CWorker.h"
#include "oracle/COracle.h"
#include "oracle/IOracleTimer.h"

#include <memory>

namespace {

// Feeds the worker's progress timer with the frame numbers of the measuring.
class CProgressTimerLink : public IOracleTimer {
public:
    explicit CProgressTimerLink(CProgressTimer& timer) : m_timer(timer) {}
    void SetTotal(int32_t total) override { m_timer.SetTotal(total); }
    void SetCurrent(int32_t current) override { m_timer.SetCurrent(current); }
    void Start() override { m_timer.Start(); }
    void Stop() override { m_timer.Stop(); }

private:
    CProgressTimer& m_timer;
};

} // namespace

CJobResult RunOracleJob(CWorker& worker, const CJobRequest& request, COracle& oracle, IOracleListSink& sink) {
    const OracleParameters& p = request.oracle;
    std::unique_ptr<CProgressTimerLink> link;
    if (worker.GetProgressTimer() != nullptr) {
        link = std::make_unique<CProgressTimerLink>(*worker.GetProgressTimer());
    }
    oracle.SetListSink(&sink);
    oracle.SetTimer(link.get());
    oracle.SetStepCheck([&worker] { return worker.PassPauseGate(); });
    const bool ok =
        oracle.RunJob(p.strOracleFile, p.dOracleValue, p.dComparisonValue, p.bSizeLimit, p.dSizeLimitKBytes);
    oracle.SetStepCheck(nullptr);
    oracle.SetTimer(nullptr);
    worker.SetNotify(true);
    if (oracle.WasStopped())
        return CJobResult::Stopped();
    return ok ? CJobResult::Done() : CJobResult::Failed("the oracle did not finish");
}

CJobRegistration RegisterOracleJob(CWorker& worker, COracle& oracle, IOracleListSink& sink) {
    return worker.RegisterJob(JobKind::JOB_ORACLE, [&oracle, &sink](CWorker& w, const CJobRequest& request) {
        return RunOracleJob(w, request, oracle, sink);
    });
}
