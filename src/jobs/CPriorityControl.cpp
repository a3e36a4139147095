#include "jobs/CPriorityControl.h"

#include "jobs/CPauseGate.h"
#include "jobs/CWinBaseThread.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>

const char* const CPriorityControl::ENTRIES[ENTRY_COUNT] = {"Highest", "High", "Normal", "Low",
                                                            "Lowest",  "Idle", "Pause"};

namespace {

struct NiceStep {
    const char* entry;
    int offset;
    bool absolute;
};

constexpr NiceStep kSteps[] = {{"Highest", -10, false}, {"High", -5, false},   {"Normal", 0, false},
                               {"Low", 5, false},       {"Lowest", 10, false}, {"Idle", 19, true}};

int CurrentThreadNice() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0); // this thread on Linux
    return errno == 0 ? nice : 0;
}

} // namespace

CPriorityControl::CPriorityControl(CWinBaseThread& worker, CPauseGate& gate)
    : m_worker(worker), m_gate(gate), m_nBaseNice(CurrentThreadNice()) {}

bool CPriorityControl::NiceFor(const std::string& entry, int base, int* nice) {
    for (const NiceStep& step : kSteps) {
        if (entry == step.entry) {
            *nice = std::clamp(step.absolute ? step.offset : base + step.offset, -20, 19);
            return true;
        }
    }
    return false;
}

bool CPriorityControl::Choose(const std::string& entry) {
    if (entry == "Pause") {
        if (!m_bPaused) {
            m_gate.Pause();
            m_bPaused = true;
        }
        m_strSelection = entry;
        return true;
    }
    int nice = 0;
    if (!NiceFor(entry, m_nBaseNice, &nice))
        return false;
    ApplyNice(nice);
    if (m_bPaused) {
        m_gate.Resume();
        m_bPaused = false;
    }
    m_strSelection = entry;
    return true;
}

bool CPriorityControl::ApplyNice(int nice) {
    const pid_t tid = m_worker.GetThreadId();
    if (tid == 0)
        return false;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}
