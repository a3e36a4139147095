#include "jobs/CWorker.h"

#include "jobs/CWinBaseThread.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"

CWorker::CWorker(IHost& host) : m_host(host) {
    for (auto& file : m_files)
        file = std::make_unique<CAVIFile>(host);
}

CWorker::~CWorker() = default;

CJobRegistration CWorker::RegisterJob(JobKind kind, JobWork work) {
    switch (kind) {
    case JobKind::JOB_ASSEMBLE:
    case JobKind::JOB_ENCODE:
    case JobKind::JOB_MERGE:
    case JobKind::JOB_ORACLE:
    case JobKind::JOB_DATABASE_PART:
        break;
    default:
        return {};
    }
    std::lock_guard<std::mutex> lock(m_workMutex);
    const uint64_t id = m_nNextWorkId++;
    m_work[kind] = RegisteredWork{id, std::make_shared<const JobWork>(std::move(work))};
    return CJobRegistration(this, kind, id);
}

void CWorker::Unregister(JobKind kind, uint64_t id) {
    std::unique_lock<std::mutex> lock(m_workMutex);
    // A run on the worker thread may unregister its own work; anyone else
    // waits until the run is over, since the work may use its owner.
    if (m_runningThread != std::this_thread::get_id())
        m_workIdle.wait(lock, [&] { return m_nRunningWorkId != id; });
    auto it = m_work.find(kind);
    if (it != m_work.end() && it->second.id == id)
        m_work.erase(it);
}

CJobRegistration& CJobRegistration::operator=(CJobRegistration&& other) noexcept {
    if (this != &other) {
        Reset();
        m_pWorker = other.m_pWorker;
        m_eKind = other.m_eKind;
        m_nId = other.m_nId;
        other.m_pWorker = nullptr;
    }
    return *this;
}

void CJobRegistration::Reset() {
    if (m_pWorker)
        m_pWorker->Unregister(m_eKind, m_nId);
    m_pWorker = nullptr;
}

void CWorker::Submit(const CJobRequest& request, JobDone done) {
    Enqueue(QueuedJob{request, nullptr, std::move(done)});
}

void CWorker::SubmitSequence(JobSequence sequence, JobDone done) {
    Enqueue(QueuedJob{CJobRequest(), std::move(sequence), std::move(done)});
}

void CWorker::Enqueue(QueuedJob job) {
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.push_back(std::move(job));
    }
    if (CWinBaseThread* thread = GetThread())
        thread->Signal();
}

bool CWorker::TakeNext(QueuedJob& job) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_queue.empty())
        return false;
    job = std::move(m_queue.front());
    m_queue.pop_front();
    return true;
}

void CWorker::Run() {
    QueuedJob job;
    while (TakeNext(job)) {
        const CJobResult result = job.sequence ? job.sequence(*this) : RunInline(job.request);
        // A stop ends the request that saw it, not the ones queued behind.
        m_bAbort.store(false);
        if (job.done)
            job.done(result);
        job = QueuedJob();
    }
}

CJobResult CWorker::RunInline(const CJobRequest& request) {
    // Every frame and audio block a job pastes passes the pause gate and
    // looks at the abort flag. The encoding sequences run kind 3 inside this
    // call: only the outermost call installs and removes the hook.
    const bool outermost = m_nRunDepth++ == 0;
    if (outermost)
        CAVIStream::SetPasteStepHook([this] { return PassPauseGate(); });
    CJobResult result;
    switch (request.kind) {
    case JobKind::JOB_ASSEMBLE:
    case JobKind::JOB_ENCODE:
    case JobKind::JOB_ORACLE:
        result = RunWork(request);
        break;
    case JobKind::JOB_MERGE:
        SetNotify(false);
        result = RunWork(request);
        break;
    case JobKind::JOB_ENCODE_KEEP_SOURCE:
    case JobKind::JOB_ENCODE_CLOSE_ALL:
        result = RunEncodeSequence(request);
        break;
    case JobKind::JOB_DATABASE_PART:
        SetNotify(false);
        result = RunWork(request);
        m_host.EndWaitBox(0);
        break;
    case JobKind::JOB_COPY:
        SetNotify(false);
        result = RunCopy();
        m_host.EndWaitBox(0);
        break;
    }
    if (--m_nRunDepth == 0) {
        CAVIStream::SetPasteStepHook(nullptr);
        if (GetNotify())
            m_host.JobFinished();
    }
    return result;
}

CJobResult CWorker::RunWork(const CJobRequest& request) {
    std::shared_ptr<const JobWork> work;
    uint64_t outer = 0;
    {
        std::lock_guard<std::mutex> lock(m_workMutex);
        auto it = m_work.find(request.kind);
        if (it == m_work.end() || !it->second.work || !*it->second.work)
            return CJobResult::Done();
        work = it->second.work;
        outer = m_nRunningWorkId;
        m_nRunningWorkId = it->second.id;
        m_runningThread = std::this_thread::get_id();
    }
    CJobResult result = (*work)(*this, request);
    {
        std::lock_guard<std::mutex> lock(m_workMutex);
        // Back to the work this one ran inside (the encoding inside kind 4).
        m_nRunningWorkId = outer;
        if (outer == 0)
            m_runningThread = std::thread::id();
    }
    m_workIdle.notify_all();
    return result;
}

CJobResult CWorker::RunEncodeSequence(const CJobRequest& request) {
    SetNotify(false);
    // The encoding runs inline.
    CJobRequest encode = request;
    encode.kind = JobKind::JOB_ENCODE;
    const CJobResult result = RunInline(encode);
    CloseFile(FILE_LOW);
    CloseFile(FILE_FAST);
    m_host.EndWaitBox(0);
    if (IsAbortSet() || result.IsStopped()) {
        CloseFile(FILE_FAST);
        CloseFile(FILE_LOW);
        // A piece of the plain encoding keeps its source for the next piece.
        if (request.kind == JobKind::JOB_ENCODE_CLOSE_ALL || !request.bPieceMode)
            CloseFile(FILE_SOURCE);
        CloseFile(FILE_OUTPUT);
    }
    return result;
}

CJobResult CWorker::RunCopy() {
    CAVIFile& source = GetFile(FILE_COPY_SOURCE);
    CAVIFile& destination = GetFile(FILE_COPY_DESTINATION);
    const int pairs[2][2] = {{source.GetVideoIndex(), destination.GetVideoIndex()},
                             {source.GetAudioIndex(), destination.GetAudioIndex()}};
    for (const auto& pair : pairs) {
        if (pair[0] < 0 || pair[1] < 0)
            continue;
        CAVIStream* from = source.GetStream(pair[0]);
        const CJobResult pasted = destination.Paste(from, pair[1], 0, from->GetLength());
        if (!pasted.IsDone())
            return pasted;
    }
    return CJobResult::Done();
}

bool CWorker::SetOutput(const std::string& path, int32_t framesPerSecond) {
    m_strOutput = path;
    m_nFramesPerSecond = framesPerSecond;
    return GetFile(FILE_OUTPUT).Create(path);
}

bool CWorker::OpenInputs(const std::string& low, const std::string& fast, const std::string& source) {
    const std::pair<EFileSlot, const std::string*> inputs[] = {
        {FILE_LOW, &low}, {FILE_FAST, &fast}, {FILE_SOURCE, &source}};
    bool all = true;
    for (const auto& [slot, path] : inputs)
        if (!path->empty() && !GetFile(slot).Open(*path, true))
            all = false;
    return all;
}

bool CWorker::OpenCopySource(const std::string& path) {
    return GetFile(FILE_COPY_SOURCE).Open(path, true);
}

bool CWorker::PrepareCopy(const std::string& destination, const std::string& source) {
    if (!OpenCopySource(source))
        return false;
    CAVIFile& from = GetFile(FILE_COPY_SOURCE);
    CAVIFile& to = GetFile(FILE_COPY_DESTINATION);
    if (!to.Create(destination)) {
        m_host.ShowError("Error! Can´t create new file!");
        return false;
    }
    for (const int index : {from.GetVideoIndex(), from.GetAudioIndex()}) {
        if (index < 0)
            continue;
        CAVIStream* stream = from.CreateStreamLike(to, index, nullptr, -1);
        if (!stream) {
            m_host.ShowError("Error! Can´t create new file!");
            return false;
        }
        to.AddStream(stream);
    }
    return true;
}

void CWorker::ClearMergeInputs() {
    m_mergeInputs.clear();
}

bool CWorker::AddMergeInput(const std::string& path, bool showMessage) {
    auto file = std::make_unique<CAVIFile>(m_host);
    if (!file->Open(path, showMessage))
        return false;
    m_mergeInputs.push_back(std::move(file));
    return true;
}

void CWorker::CloseFile(EFileSlot slot) {
    if (GetFile(slot).IsOpen())
        GetFile(slot).Close();
}

void CWorker::RequestAbort() {
    m_bAbort.store(true);
    m_pauseGate.Resume();
}
