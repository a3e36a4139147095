#include "merge/CMergeJob.h"

#include "jobs/CWorker.h"
#include "jobs/DiscardOutput.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/AviTime.h"
#include "platform/COpenFileRegistry.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {
const char* const CANNOT_CREATE = "Error! Can´t create new file!";

CAVIStream* FirstVideo(const CAVIFile& file) {
    return file.GetStream(file.GetVideoIndex());
}

CAVIStream* FirstAudio(const CAVIFile& file) {
    return file.GetStream(file.GetAudioIndex());
}

// The excluded name and a merge input name the same file when their
// canonical paths are equal (on Linux, names that differ in case are two
// files).
bool IsExcluded(const CAVIFile& input, const std::string& excluded) {
    return !excluded.empty() &&
           COpenFileRegistry::Canonical(input.GetPath()) == COpenFileRegistry::Canonical(excluded);
}

// Milliseconds of `samples` samples of `stream`, rounded as the stream's own
// time mapping rounds, but without its clamping to the stream's length: the
// padding of a file with very short audio may be longer than that audio.
int64_t DurationOf(const CAVIStream& stream, int32_t samples) {
    const AviStreamInfo& info = stream.GetInfo();
    const int64_t length = std::max<int64_t>(stream.GetLength(), samples);
    return AviSampleToTime(info.dwRate, info.dwScale, 0, length, samples);
}
} // namespace

void CMergeJob::Register() {
    m_registration = m_worker.RegisterJob(
        JobKind::JOB_MERGE, [this](CWorker&, const CJobRequest& request) { return Run(request); });
}

bool CMergeJob::PrepareMerge(const std::string& path, CAVIFile* source, bool videoFromSource,
                             bool audioFromSource) {
    m_bPrepared = false;
    IHost& host = m_worker.GetHost();
    const auto& inputs = m_worker.GetMergeInputs();
    CAVIFile* first = inputs.empty() ? nullptr : inputs.front().get();
    CAVIFile* videoFrom = videoFromSource ? source : first;
    CAVIFile* audioFrom = audioFromSource ? source : first;
    // Without a file to take the formats from there is nothing to merge; an
    // existing file of that name is better left alone.
    if (!videoFrom && !audioFrom)
        return false;
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    if (!output.Create(path)) {
        host.ShowError(CANNOT_CREATE);
        return false;
    }
    const std::pair<CAVIFile*, int> wanted[] = {{videoFrom, videoFrom ? videoFrom->GetVideoIndex() : -1},
                                                {audioFrom, audioFrom ? audioFrom->GetAudioIndex() : -1}};
    for (const auto& [from, index] : wanted) {
        if (!from || index < 0)
            continue;
        CAVIStream* stream = from->CreateStreamLike(output, index, nullptr, -1);
        if (!stream) {
            host.ShowError("Cannot create a stream like the one of " + from->GetPath() + " in " + path);
            return false;
        }
        output.AddStream(stream);
    }
    m_bPrepared = true;
    return true;
}

void CMergeJob::ShowProgress(double done, double total) {
    if (total <= 0)
        return;
    IHost& host = m_worker.GetHost();
    host.SetProgressPos(static_cast<int>(10000.0 / total * done));
    host.SetPercent(static_cast<int>(100.0 / total * done));
}

CJobResult CMergeJob::PadAudio(CAVIFile& input, int outputAudio, int32_t& carryMs) {
    const CAVIStream* video = FirstVideo(input);
    const CAVIStream* audio = FirstAudio(input);
    // Without video there is no length to pad up to.
    if (!video || !audio)
        return CJobResult::Done();
    const int64_t videoMs = video->SampleToTime(video->GetLength());
    const int64_t audioMs = audio->SampleToTime(audio->GetLength());
    if (videoMs - audioMs < 0) {
        m_worker.GetHost().ShowWarning("Synchronization Warning: Audio Stream is longer than the Video "
                                       "Stream.\r\n\r\nSolution: Not supported yet.");
        return CJobResult::Done();
    }
    const int64_t wanted = std::clamp<int64_t>(videoMs - audioMs + carryMs, INT32_MIN, INT32_MAX);
    const int32_t samples = std::max(audio->TimeToSampleCeil(static_cast<int32_t>(wanted)), 0);
    // What the whole samples overshoot (negative) is taken off the next
    // file's padding.
    carryMs =
        static_cast<int32_t>(std::clamp<int64_t>(wanted - DurationOf(*audio, samples), INT32_MIN, INT32_MAX));
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    if (samples > 0 && outputAudio >= 0)
        return output.GetStream(outputAudio)->Paste(nullptr, 0, samples, true);
    return CJobResult::Done();
}

CJobResult CMergeJob::Run(const CJobRequest& request) {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    const auto& inputs = m_worker.GetMergeInputs();
    // In piece mode the full creation appends one input per run to the
    // output it prepared for the first one and keeps open in between.
    const bool pieceMode = request.bPieceMode;
    const bool prepared = m_bPrepared || (pieceMode && output.IsOpen());
    m_bPrepared = false;
    m_bSucceeded = false;
    m_worker.SetNotify(false);
    host.SetProgressRange(0, 10000);
    host.SetProgressPos(0);
    host.SetPercent(0);

    // Nothing to take or nowhere to put it: the messages have been shown.
    CJobResult result = CJobResult::Failed("nothing to merge, or no output to merge into");
    if (!inputs.empty() && prepared) {
        result = Append(request);
        for (const auto& input : inputs)
            input->Close();
    }
    if (pieceMode) {
        // The full creation goes on writing into the output and closes it.
        m_bSucceeded = result.IsDone();
        host.EndWaitBox(0);
        return result;
    }
    return Finish(result);
}

CJobResult CMergeJob::Finish(const CJobResult& appended) {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    if (!appended.IsDone()) {
        DiscardOutput(output);
        m_worker.SetNotify(true);
        return appended;
    }
    // A file that could not be finished is no success.
    if (!output.Close()) {
        m_worker.SetNotify(true);
        if (m_worker.IsAbortSet())
            return CJobResult::Stopped();
        return CJobResult::Failed("the merge output cannot be finished: " + output.GetLastError());
    }
    host.SetStatusText("Writing Sucessfull!");
    host.SetProgressPos(10000);
    host.SetPercent(100);
    m_bSucceeded = true;
    m_worker.SetNotify(true);
    return appended;
}

CJobResult CMergeJob::Append(const CJobRequest& request) {
    IHost& host = m_worker.GetHost();
    CAVIFile& output = m_worker.GetFile(CWorker::FILE_MERGE_OUTPUT);
    const auto& inputs = m_worker.GetMergeInputs();
    const std::string& excluded = request.strExcludedMergeName;
    int64_t videoTotal = 0;
    int64_t audioTotal = 0;
    for (const auto& input : inputs) {
        if (const CAVIStream* audio = FirstAudio(*input))
            audioTotal += audio->GetLength();
        if (const CAVIStream* video = FirstVideo(*input); video && !IsExcluded(*input, excluded))
            videoTotal += video->GetLength();
    }
    const double total = static_cast<double>(videoTotal + audioTotal);
    const int outputVideo = output.GetVideoIndex();
    const int outputAudio = output.GetAudioIndex();
    double done = 0;

    for (const auto& input : inputs) {
        if (IsExcluded(*input, excluded))
            continue;
        if (!m_worker.PassPauseGate())
            return CJobResult::Stopped();
        host.SetStatusText("Writing Video ... (Reading " + input->GetPath() + ")");
        CAVIStream* video = FirstVideo(*input);
        if (video && outputVideo >= 0)
            if (CJobResult pasted = output.Paste(video, outputVideo, 0, video->GetLength()); !pasted.IsDone())
                return pasted;
        done += video ? video->GetLength() : 0;
        ShowProgress(done, total);
    }

    int32_t carryMs = 0;
    for (const auto& input : inputs) {
        if (!m_worker.PassPauseGate())
            return CJobResult::Stopped();
        if (CAVIStream* audio = FirstAudio(*input)) {
            host.SetStatusText("Writing Audio ... (Reading " + input->GetPath() + ")");
            CJobResult pasted = CJobResult::Done();
            if (outputAudio >= 0)
                pasted = output.Paste(audio, outputAudio, 0, audio->GetLength());
            if (pasted.IsDone() && request.bTrySynchronization)
                pasted = PadAudio(*input, outputAudio, carryMs);
            if (!pasted.IsDone())
                return pasted;
            done += audio->GetLength();
        }
        ShowProgress(done, total);
        input->Close();
    }
    return CJobResult::Done();
}
