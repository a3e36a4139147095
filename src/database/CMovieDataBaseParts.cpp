// The creation steps of CMovieDataBase: one temporary file per interval,
// compressed straight from the source movie.

#include "database/CMovieDataBase.h"

#include "jobs/CProgressTimer.h"
#include "jobs/CWorker.h"
#include "media/CAVIStream.h"
#include "media/CSourceFrame.h"
#include "media/IHost.h"
#include "platform/CAviCompressedStream.h"
#include "platform/CodecOptions.h"
#include "platform/DibLayout.h"

#include <algorithm>
#include <cstdio>

namespace {
// The sample at `ms` in `stream`, rounded up, inside [0, length]: times in a
// data base may lie anywhere, and an interval must never run past the movie.
int32_t ClampedSample(const CAVIStream& stream, int32_t ms) {
    const int32_t sample = stream.TimeToSampleCeil(ms);
    return std::clamp(sample, 0, std::max(stream.GetLength(), 0));
}
} // namespace

void CMovieDataBase::IntervalFrames(const CAVIStream& video, const Interval& interval, int32_t& first,
                                    int32_t& end) {
    first = ClampedSample(video, interval.startMs);
    end = std::max(first, ClampedSample(video, interval.endMs));
}

void CMovieDataBase::ResetParts() {
    CloseTemp();
    m_listTempFiles.clear();
    m_nPart = 0;
    m_nFramesDone = 0;
    m_bFailed = false;
}

int64_t CMovieDataBase::CoveredFrames(const CAVIStream& video) const {
    int64_t total = 0;
    Interval interval;
    for (int32_t n = 0; GetInterval(n, interval); ++n) {
        int32_t first = 0;
        int32_t end = 0;
        IntervalFrames(video, interval, first, end);
        total += end - first;
    }
    return total;
}

int32_t CMovieDataBase::CountFrames(CAVIFile& source) const {
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    return video ? static_cast<int32_t>(std::min<int64_t>(CoveredFrames(*video), INT32_MAX)) : 0;
}

bool CMovieDataBase::CoversTooMuch(CAVIFile& source, std::string& why) const {
    const CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video)
        return false;
    const int64_t length = std::max(video->GetLength(), 0);
    const int64_t covered = CoveredFrames(*video);
    if (covered <= 2 * length)
        return false;
    why = "The intervals of the data base cover " + std::to_string(covered) +
          " frames, more than twice the " + std::to_string(length) +
          " frames of the source movie: they overlap.";
    return true;
}

bool CMovieDataBase::HasDataBaseSections() const {
    for (const char* section :
         {SECTION_DATABASE, SECTION_MOVIE, SECTION_INTERVALS, SECTION_LOW_CODEC, SECTION_FAST_CODEC}) {
        if (m_store.FindSection(section))
            return true;
    }
    return false;
}

void CMovieDataBase::SetTotalFrames(int32_t total) {
    m_nTotalFrames = total;
    m_nFramesDone = 0;
}

std::string CMovieDataBase::TempFileName(int32_t n) const {
    const std::string name = std::to_string(n) + ".avi";
    return m_strTempDirectory.empty() ? name : m_strTempDirectory + "/" + name;
}

void CMovieDataBase::CloseTemp() {
    m_pCompressedStream.reset();
    if (m_aviTemp.IsOpen())
        m_aviTemp.Close();
}

bool CMovieDataBase::PrepareNextPart(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast) {
    Interval interval;
    if (!GetInterval(m_nPart, interval))
        return false;
    const std::string name = TempFileName(m_nPart);
    CloseTemp();
    // A stopped creation keeps the parts written so far, finished.
    AviWriterOptions options;
    options.keepGoing = [] { return true; };
    m_aviTemp.SetWriterOptions(options);
    if (!m_aviTemp.Create(name))
        return false;
    m_listTempFiles.push_back(name);

    auto fail = [&](const std::string& why) {
        m_host.ShowError("Cannot create the temporary file " + name + ": " + why);
        m_bFailed = true;
        CloseTemp();
        return false;
    };
    CAVIStream* video = source.GetStream(source.GetVideoIndex());
    // The decoded frame belongs to the source's decoder; it is only read here.
    const uint8_t* frame = video ? video->GetFrame(0) : nullptr;
    BitmapInfoHeader header;
    if (!frame || !ParseBitmapInfoHeader(frame, kBitmapInfoHeaderSize, header))
        return fail("the first frame of the source movie cannot be decoded.");
    CAVIStream* stream = m_aviTemp.CreateVideoStream(frame, video->GetFramesPerSecond(), video);
    if (!stream)
        return fail("no video stream can be made in it.");
    m_aviTemp.AddStream(stream);

    const char* which = interval.isLow ? "LOW" : "FAST";
    std::string error;
    m_pCompressedStream =
        CAviCompressedStream::Create(stream->GetHandle(), interval.isLow ? low : fast, &error);
    if (!m_pCompressedStream)
        return fail(std::string("the ") + which + " compressor cannot be used: " + error);
    // The input format is the decoded frame's header with its whole colour
    // table (a palette frame that leaves biClrUsed at 0 still has one).
    const int64_t formatSize = DibPixelOffset(header);
    if (formatSize < 0 ||
        m_pCompressedStream->SetFormat(frame, static_cast<size_t>(formatSize)) != AVIERR_OK) {
        const std::string why = m_pCompressedStream->LastError();
        return fail(std::string("the ") + which + " compressor does not take the frames of the source" +
                    (why.empty() ? "." : ": " + why));
    }

    const int audioIndex = source.GetAudioIndex();
    if (audioIndex >= 0) {
        CAVIStream* audio = source.CreateStreamLike(m_aviTemp, audioIndex, nullptr, -1);
        if (!audio)
            return fail("no audio stream can be made in it.");
        m_aviTemp.AddStream(audio);
    }
    return true;
}

void CMovieDataBase::ShowPosition() {
    // Without frames to make (a source that did not open when the frames
    // were counted) the bar stays at its start instead of dividing by 0.
    const double position =
        m_nTotalFrames > 0 ? 10000.0 / m_nTotalFrames * std::min(m_nFramesDone, m_nTotalFrames) : 0.0;
    m_host.SetProgressPos(static_cast<int>(position));
    m_host.SetPercent(static_cast<int>(position * 0.01));
    char text[96];
    std::snprintf(text, sizeof text, "Creating Frame %d of %d ...", m_nFramesDone, m_nTotalFrames);
    m_host.SetStatusText(text);
}

bool CMovieDataBase::CompressPart(CAVIFile& source, CWorker& worker) {
    Interval interval;
    if (!GetInterval(m_nPart, interval)) {
        ++m_nPart;
        return false;
    }
    CAVIStream* video = source.GetStream(source.GetVideoIndex());
    CProgressTimer* timer = worker.GetProgressTimer();
    bool aborted = false;
    if (video && m_pCompressedStream && m_aviTemp.IsOpen()) {
        const int32_t fps = video->GetFramesPerSecond();
        int32_t first = 0;
        int32_t end = 0;
        IntervalFrames(*video, interval, first, end);
        m_pCompressedStream->SetExpectedFrames(end - first);
        // The same pixels as the LOW and FAST files were made from.
        const bool planes = CSourceFrame::PlanesFit(*video, {m_pCompressedStream.get()});
        CSourceFrame frame;
        for (int32_t f = first; f < end; ++f) {
            if (!worker.PassPauseGate()) {
                aborted = true;
                break;
            }
            ShowPosition();
            if (!frame.Fetch(*video, f, planes)) {
                m_host.ShowError("Frame " + std::to_string(f) + " of the source movie cannot be decoded.");
                m_bFailed = true;
                break;
            }
            // Key frames at the same source frames as in the LOW and FAST
            // files, so the intervals can be cut and joined there.
            const uint32_t flags = fps > 0 && f % fps == 0 ? AVIIF_KEYFRAME : 0;
            if (frame.WriteTo(*m_pCompressedStream, f - first, flags) != AVIERR_OK) {
                m_host.ShowError("Error while compressing frame " + std::to_string(f) + ": " +
                                 m_pCompressedStream->LastError());
                m_bFailed = true;
                break;
            }
            ++m_nFramesDone;
            if (timer)
                timer->SetCurrent(m_nFramesDone);
        }
        // After a failed frame the stream's own failure is no news.
        if (!m_pCompressedStream->Finish() && !m_bFailed) {
            m_host.ShowError("Error while finishing the compressed stream: " +
                             m_pCompressedStream->LastError());
            m_bFailed = true;
        }
    }
    m_pCompressedStream.reset();
    if (!aborted && !m_bFailed && !CopyPartAudio(source, interval))
        m_bFailed = true;
    // A part that failed is not finished (it would tell its failure again).
    if (m_bFailed)
        m_aviTemp.Discard();
    else if (m_aviTemp.IsOpen() && !m_aviTemp.Close())
        m_bFailed = true;
    ++m_nPart;
    return true;
}

bool CMovieDataBase::CopyPartAudio(CAVIFile& source, const Interval& interval) {
    const int tempAudio = m_aviTemp.GetAudioIndex();
    CAVIStream* audio = source.GetStream(source.GetAudioIndex());
    if (tempAudio < 0 || !audio)
        return true;
    const int32_t first = ClampedSample(*audio, interval.startMs);
    const int32_t end = std::max(first, ClampedSample(*audio, interval.endMs));
    return end <= first || m_aviTemp.Paste(audio, tempAudio, first, end).IsDone();
}
