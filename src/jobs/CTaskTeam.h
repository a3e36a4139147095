#pragma once
// A few long-lived threads that run one step's tasks side by side: decoding
// the LOW, FAST and source frame of one frame number, or feeding one decoded
// frame to the LOW and the FAST compressor at the same time. Slot k
// always runs on the same thread, so a decoder handed to one slot is only
// ever used by one thread.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CTaskTeam {
public:
    // `helpers` extra threads; 0 runs everything on the calling thread.
    explicit CTaskTeam(int helpers);
    ~CTaskTeam();
    CTaskTeam(const CTaskTeam&) = delete;
    CTaskTeam& operator=(const CTaskTeam&) = delete;

    // Runs tasks[0] on the calling thread and tasks[k] on helper k (tasks
    // beyond the helpers on the calling thread too); returns when all have
    // finished. An exception of a task is rethrown here.
    void Run(const std::vector<std::function<void()>>& tasks);

private:
    void HelperLoop(size_t slot);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<std::thread> m_threads;
    const std::vector<std::function<void()>>* m_tasks = nullptr;
    uint64_t m_generation = 0;
    int m_pending = 0;
    bool m_quit = false;
    std::exception_ptr m_error;
};
