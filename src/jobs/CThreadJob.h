#pragma once
// The work a CWinBaseThread runs each time it is signalled.

class CWinBaseThread;

class CThreadJob {
public:
    virtual void Run() = 0;
    virtual ~CThreadJob() = default;

    void SetThread(CWinBaseThread* thread) { m_pThread = thread; }
    CWinBaseThread* GetThread() const { return m_pThread; }

private:
    CWinBaseThread* m_pThread = nullptr; // the thread this job is attached to
};
