#include "cli/CInterrupts.h"

#include <csignal>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::function<void()> g_stopAction;

void WaitForInterrupts(sigset_t set) {
    int count = 0;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0 || signal != SIGINT)
            continue;
        // Held while the action runs, so that the runner it stops cannot be
        // destroyed under it (SetStopAction waits).
        std::lock_guard<std::mutex> lock(g_mutex);
        if (++count > 1 || !g_stopAction)
            _exit(130);
        g_stopAction();
    }
}
} // namespace

void CInterrupts::Install() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForInterrupts, set).detach();
}

void CInterrupts::SetStopAction(std::function<void()> action) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stopAction = std::move(action);
}
