#include "jobs/CTaskTeam.h"

CTaskTeam::CTaskTeam(int helpers) {
    for (int i = 0; i < helpers; ++i) {
        m_threads.emplace_back([this, i] { HelperLoop(size_t(i) + 1); });
    }
}

CTaskTeam::~CTaskTeam() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads) {
        t.join();
    }
}

void CTaskTeam::Run(const std::vector<std::function<void()>>& tasks) {
    const size_t helpers = m_threads.size();
    int pending = 0;
    for (size_t k = 1; k < tasks.size() && k <= helpers; ++k) {
        if (tasks[k]) {
            ++pending;
        }
    }
    if (pending > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks = &tasks;
        m_pending = pending;
        m_error = nullptr;
        ++m_generation;
    }
    if (pending > 0) {
        m_wake.notify_all();
    }

    std::exception_ptr ownError;
    try {
        if (!tasks.empty() && tasks[0]) {
            tasks[0]();
        }
        for (size_t k = helpers + 1; k < tasks.size(); ++k) {
            if (tasks[k]) {
                tasks[k]();
            }
        }
    } catch (...) {
        ownError = std::current_exception();
    }

    std::exception_ptr helperError;
    if (pending > 0) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_pending == 0; });
        m_tasks = nullptr;
        helperError = m_error;
        m_error = nullptr;
    }
    if (ownError) {
        std::rethrow_exception(ownError);
    }
    if (helperError) {
        std::rethrow_exception(helperError);
    }
}

void CTaskTeam::HelperLoop(size_t slot) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_quit || m_generation != seen; });
        if (m_quit) {
            return;
        }
        seen = m_generation;
        const std::function<void()>* task = nullptr;
        if (m_tasks != nullptr && slot < m_tasks->size() && (*m_tasks)[slot]) {
            task = &(*m_tasks)[slot];
        }
        if (task == nullptr) {
            continue;
        }
        lock.unlock();
        std::exception_ptr error;
        try {
            (*task)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !m_error) {
            m_error = error;
        }
        if (--m_pending == 0) {
            m_done.notify_one();
        }
    }
}
