#include "jobs/CAssembleJob.h"

#include "encoding/CEncodingList.h"
#include "jobs/CProgressTimer.h"
#include "jobs/CWorker.h"
#include "jobs/DiscardOutput.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {
int32_t ClampInt(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
} // namespace

CAssembleJob::CAssembleJob(CWorker& worker, const CEncodingList& list, CAVIFile& low, CAVIFile& fast)
    : m_worker(worker), m_list(list), m_low(low), m_fast(fast) {}

void CAssembleJob::Register() {
    m_registration =
        m_worker.RegisterJob(JobKind::JOB_ASSEMBLE, [this](CWorker&, const CJobRequest&) { return Run(); });
}

void CAssembleJob::ShowProgress(double done, double total) {
    IHost& host = m_worker.GetHost();
    const double p = total > 0 ? done * 1000.0 / total : 0;
    host.SetProgressPos(static_cast<int>(p));
    host.SetPercent(static_cast<int>(p * 0.1));
}

int CAssembleJob::MakeStreamLike(CAVIFile& from, int index, std::string& error) {
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    CAVIStream* stream = from.CreateStreamLike(output, index, nullptr, -1);
    if (!stream) {
        error = "Cannot create a stream like the one of " + from.GetPath() + " in " + output.GetPath();
        return -1;
    }
    return output.AddStream(stream);
}

CJobResult CAssembleJob::Fail(const std::string& message) {
    m_worker.GetHost().ShowError(message);
    return End(CJobResult::Failed(message));
}

CJobResult CAssembleJob::End(const CJobResult& result) {
    if (CProgressTimer* timer = m_worker.GetProgressTimer())
        timer->Stop();
    DiscardOutput(m_worker.GetFile(CWorker::FILE_OUTPUT));
    m_worker.SetNotify(true);
    return result;
}

CJobResult CAssembleJob::Run() {
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    m_bSucceeded = false;
    int64_t total = 0;
    const std::vector<Part> parts = ListParts(total);
    StartProgress(total);
    if (!output.GetHandle()) {
        const std::string& reason = output.GetLastError();
        return Fail("Cannot create the final AVI file " + m_worker.GetOutputPath() +
                    (reason.empty() ? std::string() : ": " + reason));
    }
    CJobResult result = CopyParts(parts, total, true);
    if (result.IsDone())
        result = CopyParts(parts, total, false);
    if (!result.IsDone())
        return End(result);
    return Finish();
}

std::vector<CAssembleJob::Part> CAssembleJob::ListParts(int64_t& total) const {
    // The rows as the list shows them (in start-frame order).
    std::vector<Part> parts;
    total = 0;
    for (const EncodingPart& row : m_list.Rows()) {
        Part part{row.GetStart(), row.GetEnd(), row.IsLow(), row.cells[COLUMN_TIME]};
        total += static_cast<int64_t>(part.end) - part.start;
        parts.push_back(std::move(part));
    }
    return parts;
}

void CAssembleJob::StartProgress(int64_t total) {
    IHost& host = m_worker.GetHost();
    host.SetProgressRange(0, 1000);
    host.SetProgressPos(0);
    host.SetPercent(0);
    if (CProgressTimer* timer = m_worker.GetProgressTimer()) {
        // Every frame is passed twice: once for its video, once for its audio.
        timer->SetTotal(ClampInt(2 * total));
        timer->SetCurrent(0);
        timer->Start();
    }
}

CJobResult CAssembleJob::Finish() {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    if (CProgressTimer* timer = m_worker.GetProgressTimer())
        timer->Stop();
    // A file that could not be finished is no success (Close says why).
    if (!output.Close())
        return m_worker.IsAbortSet()
                   ? End(CJobResult::Stopped())
                   : CJobResult::Failed("the final AVI file cannot be finished: " + output.GetLastError());
    host.SetStatusText("Writing Sucessfull!");
    host.SetProgressPos(1000);
    host.SetPercent(100);
    m_bSucceeded = true;
    m_worker.SetNotify(true);
    return CJobResult::Done();
}

CJobResult CAssembleJob::CopyParts(const std::vector<Part>& parts, int64_t total, bool video) {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    CProgressTimer* timer = m_worker.GetProgressTimer();
    const double work = 2.0 * static_cast<double>(total);
    // The audio pass follows the whole video pass.
    double done = video ? 0 : static_cast<double>(total);
    int outputStream = -1;
    for (const Part& part : parts) {
        if (!m_worker.PassPauseGate())
            return CJobResult::Stopped();
        ShowProgress(done, work);
        done += static_cast<double>(part.end) - part.start;
        host.SetStatusText((video ? "Writing Video: " : "Writing Audio: ") + part.time +
                           (part.low ? " (Low)" : " (Fast)"));
        CAVIFile& source = part.low ? m_low : m_fast;
        CAVIStream* stream = source.GetStream(video ? source.GetVideoIndex() : source.GetAudioIndex());
        // The part's audio is found through the times of its video frames.
        const CAVIStream* frames = source.GetStream(source.GetVideoIndex());
        if (!stream || !frames)
            continue;
        if (outputStream < 0) {
            std::string error;
            outputStream =
                MakeStreamLike(source, video ? source.GetVideoIndex() : source.GetAudioIndex(), error);
            if (outputStream < 0) {
                host.ShowError(error);
                return CJobResult::Failed(error);
            }
        }
        // Frame numbers before the first name no frame.
        const int32_t first = video ? std::max(part.start, 0) : stream->MapSample(*frames, part.start);
        const int32_t end = video ? part.end : stream->MapSample(*frames, part.end);
        if (timer)
            timer->SetCurrent(video ? part.start : ClampInt(static_cast<int64_t>(part.start) + total));
        CJobResult pasted = output.Paste(stream, outputStream, first, end);
        if (!pasted.IsDone())
            return pasted;
    }
    return CJobResult::Done();
}
