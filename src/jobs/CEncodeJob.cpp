#include "jobs/CEncodeJob.h"

#include "jobs/CProgressTimer.h"
#include "jobs/CWorker.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/CAviCompressedStream.h"
#include "platform/CodecOptions.h"
#include "platform/DibLayout.h"

#include <cstdio>

CEncodeJob::CEncodeJob(CWorker& worker) : m_worker(worker) {}

void CEncodeJob::Register() {
    m_registration = m_worker.RegisterJob(
        JobKind::JOB_ENCODE, [this](CWorker&, const CJobRequest& request) { return Run(request); });
}

bool CEncodeJob::PrepareEncoding(const std::string& path, int32_t framesPerSecond, bool withStream,
                                 bool fast) {
    IHost& host = m_worker.GetHost();
    m_worker.SetFramesPerSecond(framesPerSecond);
    if (!fast)
        m_worker.SetOutputPath(path);
    CAVIFile& target = m_worker.GetFile(fast ? CWorker::FILE_FAST : CWorker::FILE_LOW);
    auto& compressed = m_worker.GetCompressedStream(fast);
    compressed.reset();
    // A stopped encoding still finishes what it wrote: the files stay
    // readable (and complete piece pairs are kept for the next run).
    AviWriterOptions finishAlways;
    finishAlways.keepGoing = [] { return true; };
    target.SetWriterOptions(finishAlways);
    if (!target.Create(path))
        return false;
    if (!withStream)
        return true;

    const char* which = fast ? "FAST" : "LOW";
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    CAVIStream* sourceVideo = source.GetStream(source.GetVideoIndex());
    const uint8_t* frame = sourceVideo ? sourceVideo->GetFrame(0) : nullptr;
    BitmapInfoHeader header;
    if (!frame || !ParseBitmapInfoHeader(frame, kBitmapInfoHeaderSize, header)) {
        host.ShowError(std::string("Cannot encode the ") + which + " file: the first frame of the source " +
                       source.GetPath() + " cannot be decoded.");
        return false;
    }
    CAVIStream* video = target.CreateVideoStream(frame, framesPerSecond, sourceVideo);
    if (!video) {
        host.ShowError(std::string("Cannot create the video stream of ") + path);
        return false;
    }
    target.AddStream(video);

    const CodecOptions* options = m_worker.GetCodecOptions(fast);
    std::string error = "no compressor was chosen";
    std::unique_ptr<CAviCompressedStream> stream =
        options ? CAviCompressedStream::Create(video->GetHandle(), *options, &error) : nullptr;
    // The input format is the decoded frame's header with its whole colour
    // table (a palette frame that leaves biClrUsed at 0 still has one).
    const int64_t formatSize = DibPixelOffset(header);
    if (stream && (formatSize < 0 || stream->SetFormat(frame, static_cast<size_t>(formatSize)) != AVIERR_OK))
        error = stream->LastError().empty() ? "the frame format is not accepted" : stream->LastError();
    else if (stream)
        error.clear();
    if (!error.empty()) {
        host.ShowError(std::string("Cannot set up the ") + which + " compressor: " + error);
        return false;
    }
    compressed = std::move(stream);
    return true;
}

void CEncodeJob::ShowPosition(double position) {
    IHost& host = m_worker.GetHost();
    host.SetProgressPos(static_cast<int>(position));
    host.SetPercent(static_cast<int>(position * 0.01));
}

bool CEncodeJob::FetchFrame(int32_t frame, CSourceFrame& into) {
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    CAVIStream* video = source.GetStream(source.GetVideoIndex());
    return video && into.Fetch(*video, frame, m_bPlanes);
}

bool CEncodeJob::EncodeFrame(int32_t frame, int32_t first, const CSourceFrame& current, int32_t next,
                             CSourceFrame& nextFrame) {
    const int32_t fps = m_worker.GetFramesPerSecond();
    const uint32_t flags = fps > 0 && frame % fps == 0 ? AVIIF_KEYFRAME : 0;
    int results[2] = {AVIERR_OK, AVIERR_OK};
    auto encode = [&](bool fast) {
        if (!current.IsEmpty())
            results[fast ? 1 : 0] =
                current.WriteTo(*m_worker.GetCompressedStream(fast), frame - first, flags);
    };
    // Both compressors take this frame side by side while the next one is
    // decoded; each stream (and the source's decoder) always stays on the
    // same thread of the team.
    m_team.Run({[&] { encode(false); }, [&] { encode(true); },
                [&] {
                    if (next >= 0)
                        FetchFrame(next, nextFrame);
                }});
    return !current.IsEmpty() && results[0] == AVIERR_OK && results[1] == AVIERR_OK;
}

CJobResult CEncodeJob::Run(const CJobRequest& request) {
    m_bSucceeded = false;
    m_nFramesDone.store(0);
    IHost& host = m_worker.GetHost();
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    if (!m_worker.GetCompressedStream(false) || !m_worker.GetCompressedStream(true)) {
        // The preparation has said why; nothing can be encoded.
        host.SetStatusText("Encoding not started: the compressors are not set up.");
        return CJobResult::Failed("the compressors are not set up");
    }
    const int32_t length = source.GetLength();
    StartProgress(length);
    const EncodeRange range = RangeOf(request, length);
    PrepareStreams(range.end - range.first);
    CJobResult result = EncodeFrames(range.first, range.end, length);
    CProgressTimer* timer = m_worker.GetProgressTimer();
    if (timer && (!request.bPieceMode || range.lastPiece || !result.IsDone()))
        timer->Stop();
    result = FinishStreams(result);
    if (result.IsDone() && !request.bPieceMode)
        result = CopyAudio();
    m_worker.GetCompressedStream(false).reset();
    m_worker.GetCompressedStream(true).reset();
    result = CloseFiles(result);
    // Only an encoding that did all it had to is reported as a success.
    if (result.IsDone() && (!request.bPieceMode || range.lastPiece)) {
        host.SetStatusText("Writing Sucessfull!");
        host.SetProgressPos(10000);
        host.SetPercent(100);
    }
    m_bSucceeded = result.IsDone();
    return result;
}

void CEncodeJob::StartProgress(int32_t length) {
    IHost& host = m_worker.GetHost();
    host.SetProgressRange(0, 10000);
    host.SetProgressPos(0);
    host.SetPercent(0);
    if (CProgressTimer* timer = m_worker.GetProgressTimer()) {
        timer->SetTotal(length);
        timer->SetCurrent(0);
        timer->Start();
    }
}

CEncodeJob::EncodeRange CEncodeJob::RangeOf(const CJobRequest& request, int32_t length) {
    EncodeRange range{0, length, false};
    if (!request.bPieceMode)
        return range;
    range.first = request.nPieceFirst;
    range.end = request.nPieceEnd;
    if (length < range.end) {
        range.end = length;
        range.lastPiece = true;
        m_worker.GetHost().SetLastPiece(true);
    }
    return range;
}

void CEncodeJob::PrepareStreams(int32_t frames) {
    for (bool fast : {false, true})
        m_worker.GetCompressedStream(fast)->SetExpectedFrames(frames);
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    const CAVIStream* sourceVideo = source.GetStream(source.GetVideoIndex());
    m_bPlanes =
        sourceVideo && CSourceFrame::PlanesFit(*sourceVideo, {m_worker.GetCompressedStream(false).get(),
                                                              m_worker.GetCompressedStream(true).get()});
}

CJobResult CEncodeJob::FinishStreams(CJobResult result) {
    for (bool fast : {false, true}) {
        auto& stream = m_worker.GetCompressedStream(fast);
        if (!stream->Finish() && result.IsDone()) {
            const std::string reason = "Error while finishing the compressed stream: " + stream->LastError();
            m_worker.GetHost().ShowError(reason);
            result = CJobResult::Failed(reason);
        }
    }
    return result;
}

// The files are finished here, so that a write error met while finishing
// them is this job's failure. Files that lack frames are of no use, and
// finishing them would only meet the same error again.
CJobResult CEncodeJob::CloseFiles(CJobResult result) {
    for (auto slot : {CWorker::FILE_LOW, CWorker::FILE_FAST}) {
        CAVIFile& file = m_worker.GetFile(slot);
        if (result.IsFailed())
            file.Discard();
        else if (file.IsOpen() && !file.Close())
            result = m_worker.IsAbortSet()
                         ? CJobResult::Stopped()
                         : CJobResult::Failed("Failed to finish AVI File: " + file.GetLastError());
    }
    return result;
}

CJobResult CEncodeJob::EncodeFrames(int32_t first, int32_t end, int32_t length) {
    IHost& host = m_worker.GetHost();
    CProgressTimer* timer = m_worker.GetProgressTimer();
    char status[96];
    // Two passes when a compressor asks for them: the first measures both
    // encodings from one decode, the second writes both.
    const bool twoPasses = m_worker.GetCompressedStream(false)->WantsTwoPasses() ||
                           m_worker.GetCompressedStream(true)->WantsTwoPasses();
    for (int pass = twoPasses ? 0 : 1; pass < 2; ++pass) {
        const bool analysis = pass == 0;
        for (bool fast : {false, true})
            if (analysis && m_worker.GetCompressedStream(fast)->WantsTwoPasses())
                m_worker.GetCompressedStream(fast)->StartAnalysis();
        CSourceFrame current, next;
        if (first < end)
            FetchFrame(first, current);
        for (int32_t i = first; i < end; ++i) {
            if (!m_worker.PassPauseGate())
                return CJobResult::Stopped();
            std::snprintf(status, sizeof status,
                          analysis ? "Analysing Frame %d of %d ..." : "Creating Frame %d of %d ...", i,
                          length);
            host.SetStatusText(std::string(status) + " (Low and Fast)");
            ShowPosition(10000.0 / length * i);
            // A frame that cannot be decoded or written ends the encoding: the
            // files would miss a frame and lose step with each other.
            if (!EncodeFrame(i, first, current, i + 1 < end ? i + 1 : -1, next)) {
                const std::string reason =
                    "Error while compressing frame " + std::to_string(i) + ": " +
                    (current.IsEmpty() ? std::string("the source frame cannot be decoded") : EncodeError());
                host.ShowError(reason);
                return CJobResult::Failed(reason);
            }
            current.Swap(next);
            if (!analysis)
                m_nFramesDone.store(i - first + 1);
            if (timer)
                timer->SetCurrent(i);
        }
        for (bool fast : {false, true})
            m_worker.GetCompressedStream(fast)->EndAnalysis();
    }
    return CJobResult::Done();
}

// The compressors' own reasons, each named after its encoding.
std::string CEncodeJob::EncodeError() {
    std::string reasons;
    for (bool fast : {false, true}) {
        const std::string why = m_worker.GetCompressedStream(fast)->LastError();
        if (!why.empty())
            reasons += std::string(reasons.empty() ? "" : "; ") + (fast ? "FAST: " : "LOW: ") + why;
    }
    return reasons.empty() ? "the compressed stream cannot be written" : reasons;
}

CJobResult CEncodeJob::CopyAudio() {
    IHost& host = m_worker.GetHost();
    host.SetStatusText("Writing Audio...");
    host.SetProgressPos(0);
    host.SetPercent(0);
    CAVIFile& source = m_worker.GetFile(CWorker::FILE_SOURCE);
    const int audioIndex = source.GetAudioIndex();
    CAVIStream* audio = source.GetStream(audioIndex);
    if (!audio)
        return CJobResult::Done();
    for (auto slot : {CWorker::FILE_LOW, CWorker::FILE_FAST}) {
        CAVIFile& target = m_worker.GetFile(slot);
        CAVIStream* copy = source.CreateStreamLike(target, audioIndex, nullptr, -1);
        if (!copy) {
            const std::string reason = "Cannot create the audio stream of " + target.GetPath();
            host.ShowError(reason);
            return CJobResult::Failed(reason);
        }
        const int number = target.AddStream(copy);
        CJobResult pasted = target.Paste(audio, number, 0, audio->GetLength());
        if (!pasted.IsDone())
            return pasted;
    }
    return CJobResult::Done();
}
