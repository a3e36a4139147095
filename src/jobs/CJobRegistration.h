#pragma once
// The token RegisterJob hands out: while it lives the worker runs its work
// for the kind; destroying it (or Reset) unregisters the work, waiting for a
// run of it that is under way on another thread to end first. So an object
// that registers work capturing `this` keeps the token as a member, and the
// worker can never call into an object that is gone.

#include "jobs/JobKind.h"

#include <cstdint>

class CWorker;

class CJobRegistration {
public:
    CJobRegistration() = default;
    ~CJobRegistration() { Reset(); }
    CJobRegistration(CJobRegistration&& other) noexcept { *this = static_cast<CJobRegistration&&>(other); }
    CJobRegistration& operator=(CJobRegistration&& other) noexcept;
    CJobRegistration(const CJobRegistration&) = delete;
    CJobRegistration& operator=(const CJobRegistration&) = delete;

    // Unregisters the work (when this token still holds it).
    void Reset();
    bool IsRegistered() const { return m_pWorker != nullptr; }

private:
    friend class CWorker;
    CJobRegistration(CWorker* worker, JobKind kind, uint64_t id)
        : m_pWorker(worker), m_eKind(kind), m_nId(id) {}

    CWorker* m_pWorker = nullptr;
    JobKind m_eKind = JobKind::JOB_ASSEMBLE;
    uint64_t m_nId = 0;
};
