#pragma once
// The wait box's protocol without its window: the starting side waits for a
// result while a job runs; the job ends the wait with 0, the user's
// confirmed abort with -1. A result that arrives before anyone waits is kept
// for the next wait, so a job that finishes very fast cannot leave the
// starting side waiting for ever. The first result wins until it is taken.
// The Qt box and the terminal bind their keys and windows to this object.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

class IHost;

class CWaitBox {
public:
    static constexpr int RESULT_ABORT = -1;
    static constexpr const char* WAIT_TEXT = "Please wait until compression is done (ESC for Abort)...";
    static constexpr const char* ABORT_QUESTION = "Abort Compression! Are you sure?";

    // Any thread: latch `result` unless one is latched already.
    void End(int result);
    // The user asked to abort: asks "Abort Compression! Are you sure?" with
    // OK and Cancel through `host`; OK ends the wait with RESULT_ABORT.
    // Returns whether the abort was confirmed.
    bool RequestAbort(IHost& host);

    // Blocks until a result is latched, takes it and returns it.
    int Wait();
    // As Wait, but gives up after `timeout` (nothing is taken then).
    std::optional<int> WaitFor(std::chrono::milliseconds timeout);

private:
    int TakeLocked();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::optional<int> m_result;
};
