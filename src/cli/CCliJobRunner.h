#pragma once
// The command line's side of running jobs: the terminal host and the job
// runner (worker and timer threads), with Ctrl-C bound to a stop of the
// running job while one runs. A command's exit status comes from its job's
// result: 0 done, 1 failed, 130 stopped by Ctrl-C.

#include "app/PrepareResult.h"
#include "cli/CTerminalHost.h"
#include "jobs/CJobRunner.h"

#include <string>

class CCliJobRunner {
public:
    static constexpr int EXIT_STOPPED = 130;

    CCliJobRunner();
    ~CCliJobRunner();
    CCliJobRunner(const CCliJobRunner&) = delete;
    CCliJobRunner& operator=(const CCliJobRunner&) = delete;

    CTerminalHost& GetHost() { return m_host; }
    CWorker& GetWorker() { return m_runner.GetWorker(); }

    // Runs the job (or sequence) on the worker thread and returns when it
    // has ended. Ctrl-C meanwhile stops it after the current frame or chunk.
    CJobResult RunJob(const CJobRequest& request);
    CJobResult RunSequence(CWorker::JobSequence sequence);

    bool SetPriority(const std::string& entry) { return m_runner.SetPriority(entry); }

    // A line on stderr that does not tear the progress line.
    void Say(const std::string& text);

    static int ExitStatus(const CJobResult& result);
    // A use case that is not ready: a refusal is bad usage of `command`
    // (status 2), said with its text; a failure (status 1) has been told by
    // a message, its text is said only when it adds to it.
    int Refuse(const PrepareResult& result, const std::string& command);

private:
    CTerminalHost m_host{stderr};
    CJobRunner m_runner{m_host, &m_host};
};
