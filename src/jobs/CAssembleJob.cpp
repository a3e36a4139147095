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
struct Part {
    int32_t start;
    int32_t end;
    bool low;
    std::string time;
};

int32_t ClampInt(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
} // namespace

CAssembleJob::CAssembleJob(CWorker& worker, const CEncodingList& list, CAVIFile& low, CAVIFile& fast)
    : m_worker(worker), m_list(list), m_low(low), m_fast(fast) {}

void CAssembleJob::Register() {
    m_worker.SetJobWork(JOB_ASSEMBLE, [this](CWorker&) { Run(); });
}

void CAssembleJob::ShowProgress(double done, double total) {
    IHost& host = m_worker.GetHost();
    const double p = total > 0 ? done * 1000.0 / total : 0;
    host.SetProgressPos(static_cast<int>(p));
    char text[32];
    std::snprintf(text, sizeof text, "%d %%", static_cast<int>(p * 0.1));
    host.SetPercentText(text);
}

int CAssembleJob::MakeStreamLike(CAVIFile& from, int index) {
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    CAVIStream* stream = from.CreateStreamLike(output, index, nullptr, -1);
    if (!stream) {
        Fail("Cannot create a stream like the one of " + from.GetPath() + " in " + output.GetPath());
        return -1;
    }
    return output.AddStream(stream);
}

void CAssembleJob::Fail(const std::string& message) {
    IHost& host = m_worker.GetHost();
    if (CProgressTimer* timer = m_worker.GetProgressTimer())
        timer->Stop();
    host.ShowError(message);
    DiscardOutput(m_worker.GetFile(CWorker::FILE_OUTPUT));
    m_worker.SetNotify(true);
}

void CAssembleJob::Run() {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_OUTPUT);
    CProgressTimer* timer = m_worker.GetProgressTimer();
    m_bSucceeded = false;

    // The rows as the list shows them (in start-frame order).
    std::vector<Part> parts;
    int64_t total = 0;
    for (const EncodingPart& row : m_list.Rows()) {
        Part part{row.GetStart(), row.GetEnd(), row.IsLow(), row.cells[COLUMN_TIME]};
        total += static_cast<int64_t>(part.end) - part.start;
        parts.push_back(std::move(part));
    }
    host.SetProgressRange(0, 1000);
    host.SetProgressPos(0);
    host.SetPercentText("0 %");
    if (timer) {
        timer->SetTotal(ClampInt(2 * total));
        timer->SetCurrent(0);
        timer->Start();
    }
    if (!output.GetHandle()) {
        const std::string& reason = output.GetLastError();
        Fail("Cannot create the final AVI file " + m_worker.GetOutputPath() +
             (reason.empty() ? std::string() : ": " + reason));
        return;
    }

    const double work = 2.0 * static_cast<double>(total);
    double done = 0;
    int outputVideo = -1;
    for (const Part& part : parts) {
        m_worker.PassPauseGate();
        ShowProgress(done, work);
        done += static_cast<double>(part.end) - part.start;
        host.SetStatusText("Writing Video: " + part.time + (part.low ? " (Low)" : " (Fast)"));
        CAVIFile& source = part.low ? m_low : m_fast;
        CAVIStream* video = source.GetStream(source.GetVideoIndex());
        if (!video)
            continue;
        if (outputVideo < 0 && (outputVideo = MakeStreamLike(source, source.GetVideoIndex())) < 0)
            return;
        if (timer)
            timer->SetCurrent(part.start);
        // Frame numbers before the first name no frame.
        output.Paste(video, outputVideo, std::max(part.start, 0), part.end);
    }

    int outputAudio = -1;
    for (const Part& part : parts) {
        m_worker.PassPauseGate();
        ShowProgress(done, work);
        done += static_cast<double>(part.end) - part.start;
        host.SetStatusText("Writing Audio: " + part.time + (part.low ? " (Low)" : " (Fast)"));
        CAVIFile& source = part.low ? m_low : m_fast;
        CAVIStream* audio = source.GetStream(source.GetAudioIndex());
        // The part's audio is found through the times of its video frames.
        const CAVIStream* video = source.GetStream(source.GetVideoIndex());
        if (!audio || !video)
            continue;
        if (outputAudio < 0 && (outputAudio = MakeStreamLike(source, source.GetAudioIndex())) < 0)
            return;
        const int32_t first = audio->MapSample(*video, part.start);
        const int32_t end = audio->MapSample(*video, part.end);
        if (timer)
            timer->SetCurrent(ClampInt(static_cast<int64_t>(part.start) + total));
        output.Paste(audio, outputAudio, first, end);
    }

    if (timer)
        timer->Stop();
    // A file that could not be finished is no success (Close says why).
    if (output.Close()) {
        host.SetStatusText("Writing Sucessfull!");
        host.SetProgressPos(1000);
        host.SetPercentText("100 %");
        m_bSucceeded = true;
    }
    m_worker.SetNotify(true);
}
