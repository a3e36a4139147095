#pragma once
// Waiting for another thread in tests without betting on its speed: polls
// every millisecond, gives up after ten seconds (a failure, never a hang).

#include <chrono>
#include <functional>
#include <thread>

inline bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 10000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

#include "jobs/CWinBaseThread.h"
#include "jobs/CWorker.h"

#include <future>

// Runs `request` on a worker thread of its own, paused from the start: once
// the job waits at the gate, `whilePaused` looks at what it has done so far;
// then the user stops it. Returns the job's result.
inline CJobResult RunPausedThenStopped(CWorker& worker, const CJobRequest& request,
                                       const std::function<void()>& whilePaused) {
    CWinBaseThread thread;
    thread.SetJob(&worker);
    thread.Start();
    worker.GetPauseGate().Pause();
    std::promise<CJobResult> ended;
    worker.Submit(request, [&](const CJobResult& result) { ended.set_value(result); });
    if (WaitUntil([&] { return worker.GetPauseGate().GetWaitingCount() == 1; }))
        whilePaused();
    worker.RequestAbort();
    const CJobResult result = ended.get_future().get();
    thread.Stop();
    return result;
}
