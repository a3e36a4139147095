#pragma once
// The "Thread Priority:" choice: six priorities for the worker thread and
// "Pause". The entries are recognised by their texts. A priority is a nice
// value of the worker's own Linux thread, relative to the nice value of the
// thread that made this control (normally the UI thread, so "Normal" keeps
// the worker level with the rest of the program, also when the whole program
// was started with `nice`). A raise the system refuses is ignored.

#include <string>

class CPauseGate;
class CWinBaseThread;

class CPriorityControl {
public:
    static constexpr int ENTRY_COUNT = 7;
    static const char* const ENTRIES[ENTRY_COUNT];
    static constexpr const char* INITIAL_ENTRY = "Normal";

    CPriorityControl(CWinBaseThread& worker, CPauseGate& gate);

    // The user closed the list on `entry` (also when it did not change): the
    // entry is applied again. "Pause" closes the gate; any other entry sets
    // its priority and then opens the gate. False for an unknown text.
    bool Choose(const std::string& entry);

    bool IsPaused() const { return m_bPaused; }
    const std::string& GetSelection() const { return m_strSelection; }

    // The nice value for a priority entry (not "Pause") relative to `base`,
    // within -20 .. 19; false for other texts.
    static bool NiceFor(const std::string& entry, int base, int* nice);

private:
    // False when the system refused (or the thread is not started yet).
    bool ApplyNice(int nice);

    CWinBaseThread& m_worker;
    CPauseGate& m_gate;
    int m_nBaseNice;
    bool m_bPaused = false;
    std::string m_strSelection = INITIAL_ENTRY;
};
