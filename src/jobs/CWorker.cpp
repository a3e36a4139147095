#include "jobs/CWorker.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"

CWorker::CWorker(IHost& host) : m_host(host) {
    for (auto& file : m_files)
        file = std::make_unique<CAVIFile>(host);
}

CWorker::~CWorker() = default;

bool CWorker::SetJobWork(int kind, JobWork work) {
    switch (kind) {
    case JOB_ASSEMBLE:
    case JOB_ENCODE:
    case JOB_MERGE:
    case JOB_ORACLE:
    case JOB_DATABASE_PART:
        m_work[kind] = std::move(work);
        return true;
    default:
        return false;
    }
}

void CWorker::Run() {
    // Every frame and audio block a job pastes passes the pause gate. The
    // encoding sequences run kind 3 inside this call: only the outermost
    // call installs and removes the hook.
    const bool outermost = m_nRunDepth++ == 0;
    if (outermost)
        CAVIStream::SetPasteStepHook([this] { PassPauseGate(); });
    const int kind = GetJobKind();
    switch (kind) {
    case JOB_ASSEMBLE:
    case JOB_ENCODE:
    case JOB_ORACLE:
        RunWork(kind);
        break;
    case JOB_MERGE:
        SetNotify(false);
        RunWork(kind);
        break;
    case JOB_ENCODE_KEEP_SOURCE:
    case JOB_ENCODE_CLOSE_ALL:
        RunEncodeSequence(kind);
        break;
    case JOB_DATABASE_PART:
        SetNotify(false);
        RunWork(kind);
        m_host.EndWaitBox(0);
        break;
    case JOB_COPY:
        SetNotify(false);
        RunCopy();
        m_host.EndWaitBox(0);
        break;
    default:
        break;
    }
    if (--m_nRunDepth == 0)
        CAVIStream::SetPasteStepHook(nullptr);
    if (GetNotify())
        m_host.JobFinished();
}

void CWorker::RunWork(int kind) {
    auto it = m_work.find(kind);
    if (it != m_work.end() && it->second)
        it->second(*this);
}

void CWorker::RunEncodeSequence(int kind) {
    SetNotify(false);
    // The encoding runs inline; the kind stays JOB_ENCODE afterwards.
    SetJobKind(JOB_ENCODE);
    Run();
    CloseFile(FILE_LOW);
    CloseFile(FILE_FAST);
    m_host.EndWaitBox(0);
    if (IsAbortSet()) {
        CloseFile(FILE_FAST);
        CloseFile(FILE_LOW);
        // A piece of the plain encoding keeps its source for the next piece.
        if (kind == JOB_ENCODE_CLOSE_ALL || !m_bPieceMode)
            CloseFile(FILE_SOURCE);
        CloseFile(FILE_SPARE_1);
        CloseFile(FILE_SPARE_2);
        CloseFile(FILE_SPARE_3);
        CloseFile(FILE_OUTPUT);
    }
    SetAbort(false);
}

void CWorker::RunCopy() {
    CAVIFile& source = GetFile(FILE_COPY_SOURCE);
    CAVIFile& destination = GetFile(FILE_COPY_DESTINATION);
    const int pairs[2][2] = {{source.GetVideoIndex(), destination.GetVideoIndex()},
                             {source.GetAudioIndex(), destination.GetAudioIndex()}};
    for (const auto& pair : pairs) {
        if (pair[0] < 0 || pair[1] < 0)
            continue;
        CAVIStream* from = source.GetStream(pair[0]);
        destination.Paste(from, pair[1], 0, from->GetLength());
    }
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
    SetAbort(true);
    m_pauseGate.Resume();
}
