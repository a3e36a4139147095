#pragma once
// How a job (or a step of one: a paste, an encoding, a whole creation) ended:
// done, failed, or stopped by the user. A failed result carries its reason,
// the first error met: the job stops there and its host has been told once,
// in the job's own words. Callers decide from the result alone, never from
// the messages a host was shown.

#include <string>
#include <utility>

enum class EJobOutcome { Done, Failed, Stopped };

class CJobResult {
public:
    CJobResult() = default;

    static CJobResult Done() { return CJobResult(EJobOutcome::Done, ""); }
    static CJobResult Failed(std::string reason) {
        return CJobResult(EJobOutcome::Failed, std::move(reason));
    }
    static CJobResult Stopped() { return CJobResult(EJobOutcome::Stopped, ""); }

    EJobOutcome GetOutcome() const { return m_eOutcome; }
    bool IsDone() const { return m_eOutcome == EJobOutcome::Done; }
    bool IsFailed() const { return m_eOutcome == EJobOutcome::Failed; }
    bool IsStopped() const { return m_eOutcome == EJobOutcome::Stopped; }
    // The first error's text; empty unless failed.
    const std::string& GetReason() const { return m_strReason; }

    // "done", "failed: <reason>" or "stopped" (for logs and test output).
    std::string Describe() const {
        switch (m_eOutcome) {
        case EJobOutcome::Done:
            return "done";
        case EJobOutcome::Stopped:
            return "stopped";
        case EJobOutcome::Failed:
            break;
        }
        return "failed: " + m_strReason;
    }

private:
    CJobResult(EJobOutcome outcome, std::string reason)
        : m_eOutcome(outcome), m_strReason(std::move(reason)) {}

    EJobOutcome m_eOutcome = EJobOutcome::Done;
    std::string m_strReason;
};
