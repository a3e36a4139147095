#include "cli/CCliJobRunner.h"

#include "cli/CInterrupts.h"
#include "cli/Commands.h"

#include <cstdio>

CCliJobRunner::CCliJobRunner() {
    CInterrupts::SetStopAction([this] {
        Say("Interrupted: stopping after the current frame ...");
        m_runner.RequestStop();
    });
}

CCliJobRunner::~CCliJobRunner() {
    CInterrupts::SetStopAction(nullptr);
}

CJobResult CCliJobRunner::RunJob(const CJobRequest& request) {
    const CJobResult result = m_runner.Run(request);
    m_host.FinishLine();
    return result;
}

CJobResult CCliJobRunner::RunSequence(CWorker::JobSequence sequence) {
    const CJobResult result = m_runner.RunSequence(std::move(sequence));
    m_host.FinishLine();
    return result;
}

void CCliJobRunner::Say(const std::string& text) {
    m_host.FinishLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

int CCliJobRunner::ExitStatus(const CJobResult& result) {
    switch (result.GetOutcome()) {
    case EJobOutcome::Done:
        return 0;
    case EJobOutcome::Stopped:
        return EXIT_STOPPED;
    case EJobOutcome::Failed:
        break;
    }
    return 1;
}

int CCliJobRunner::Refuse(const PrepareResult& result, const std::string& command) {
    if (result.state == PrepareResult::EState::Refused) {
        m_host.FinishLine();
        return UsageError(command, result.text);
    }
    if (!result.text.empty())
        Say(result.text);
    return 1;
}
