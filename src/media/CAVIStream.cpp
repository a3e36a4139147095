#include "media/CAVIStream.h"

#include "media/CAVIFile.h"
#include "media/CSilenceMaker.h"
#include "media/IHost.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/IAviFile.h"

#include <algorithm>
#include <climits>
#include <functional>

namespace {
constexpr int32_t kAudioBlockBytes = 32768;
// Called before every frame or audio block a paste writes on this thread;
// false stops the paste.
thread_local std::function<bool()> t_pasteStepHook;

bool PasteStep() {
    return !t_pasteStepHook || t_pasteStepHook();
}
} // namespace

bool CAVIStream::TakePasteStep() {
    return PasteStep();
}

void CAVIStream::SetPasteStepHook(std::function<bool()> hook) {
    t_pasteStepHook = std::move(hook);
}

CAVIStream::CAVIStream(IHost& host) : m_host(host) {}

CAVIStream::~CAVIStream() {
    Release();
}

void CAVIStream::Attach(IAviStream* stream) {
    Release();
    m_stream = stream;
    if (!m_stream)
        return;
    m_info = m_stream->Info();
    if (m_info.fccType == streamtypeVIDEO)
        m_nType = TYPE_VIDEO;
    else if (m_info.fccType == streamtypeAUDIO)
        m_nType = TYPE_AUDIO;
    else
        m_nType = TYPE_OTHER;
    const std::vector<uint8_t>& format = m_stream->Format();
    m_nFormatSize = static_cast<int32_t>(format.size());
    // One spare zero byte: code that reads a format as a C structure may
    // look one byte past a truncated record.
    m_format.assign(format.begin(), format.end());
    m_format.push_back(0);
    if (m_nType == TYPE_VIDEO)
        m_decoder = CAviFrameDecoder::Open(m_stream);
}

const CCodecLog* CAVIStream::GetDecoderLog() const {
    return m_decoder ? &m_decoder->Log() : nullptr;
}

void CAVIStream::Release() {
    m_decoder.reset();
    m_stream = nullptr;
    m_format.clear();
    m_nFormatSize = 0;
    m_nLastDrawnFrame = -1;
    m_nConvertedSize = -1;
}

CAVIStream* CAVIStream::CreateCopyIn(CAVIFile& destination, const void* format, int32_t formatSize) {
    IAviFile* file = destination.GetHandle();
    if (!file || !m_stream)
        return nullptr;
    if (formatSize == -1) {
        format = GetFormat();
        formatSize = m_nFormatSize;
    }
    if (formatSize < 0 || (formatSize > 0 && !format))
        return nullptr;
    IAviStream* created = file->CreateStream(m_info);
    if (!created)
        return nullptr;
    if (created->SetFormat(format, static_cast<size_t>(formatSize)) != AVIERR_OK)
        return nullptr;
    auto* stream = new CAVIStream(destination.GetHost());
    stream->Attach(created);
    return stream;
}

int32_t CAVIStream::GetLength() const {
    return m_stream ? m_stream->Length() : 0;
}

int32_t CAVIStream::GetFramesPerSecond() const {
    if (m_info.dwScale == 0)
        return static_cast<int32_t>(std::min<uint32_t>(m_info.dwRate, INT32_MAX));
    return static_cast<int32_t>(std::min<uint32_t>(m_info.dwRate / m_info.dwScale, INT32_MAX));
}

// The searches start next to the sample, so a key frame never finds itself.
int32_t CAVIStream::NextKeyFrame(int32_t sample) const {
    if (!m_stream || sample == INT32_MAX)
        return -1;
    return m_stream->FindSample(sample + 1, FIND_NEXT | FIND_KEY);
}

int32_t CAVIStream::PrevKeyFrame(int32_t sample) const {
    if (!m_stream || sample == INT32_MIN)
        return -1;
    return m_stream->FindSample(sample - 1, FIND_PREV | FIND_KEY);
}

bool CAVIStream::IsKeyFrame(int32_t sample) const {
    // A failed search answers -1, which must not make sample -1 a key frame.
    return m_stream && sample >= 0 && m_stream->FindSample(sample, FIND_PREV | FIND_KEY) == sample;
}

int32_t CAVIStream::SampleToTime(int32_t sample) const {
    return m_stream ? m_stream->SampleToTime(sample) : -1;
}

int32_t CAVIStream::MapSample(const CAVIStream& other, int32_t otherSample) const {
    if (!m_stream)
        return -1;
    return m_stream->TimeToSample(other.SampleToTime(otherSample));
}

int32_t CAVIStream::TimeToSampleCeil(int32_t ms) const {
    if (!m_stream)
        return -1;
    int64_t sample = m_stream->TimeToSample(ms);
    if (m_nType == TYPE_VIDEO && m_info.dwScale > 0 && m_info.dwRate % m_info.dwScale != 0) {
        // A fractional rate (29.97): at the whole-number rate the frame found
        // would lie a few percent late, one more frame for every 30 or so.
        // The first frame whose real start is not before ms is the one the
        // time came from; a frame lasts over a millisecond, so it is at most
        // two steps away.
        const int64_t end = static_cast<int64_t>(m_stream->Start()) + m_stream->Length();
        for (int64_t s = sample; s <= end && s <= sample + 2; ++s)
            if (SampleToTime(static_cast<int32_t>(s)) >= ms)
                return static_cast<int32_t>(s);
    }
    const int32_t fps = GetFramesPerSecond();
    if (fps <= 0)
        return static_cast<int32_t>(sample);
    // The first sample whose start at the integral rate is not before ms.
    // Jump close to it first: counting up one by one from a clamped start
    // could take billions of steps.
    const double frameMs = 1000.0 / fps;
    sample = std::max<int64_t>(sample, static_cast<int64_t>(static_cast<double>(ms) * fps / 1000.0) - 2);
    while (static_cast<double>(sample) * frameMs < ms)
        ++sample;
    return static_cast<int32_t>(std::min<int64_t>(sample, INT32_MAX));
}

int64_t CAVIStream::ByteCount(int32_t first, int32_t end) const {
    if (!m_stream || end <= first)
        return 0;
    // Video and variable-size audio (one chunk per sample): the chunk sizes
    // from the index, no data read. The block size times the count would
    // be far off there (an MP3 frame "sized" 1152 bytes holds a few hundred).
    if (m_nType == TYPE_VIDEO || m_info.dwSampleSize == 0) {
        first = std::max(first, 0);
        end = std::min(end, GetLength());
        int64_t total = 0;
        for (int32_t i = first; i < end; ++i) {
            int32_t bytes = 0;
            if (m_stream->Read(i, 1, nullptr, 0, &bytes, nullptr) == AVIERR_OK && bytes > 0)
                total += bytes;
        }
        return total;
    }
    WaveFormatEx wf;
    if (!ParseWaveFormatEx(GetFormat(), static_cast<size_t>(m_nFormatSize), wf))
        return 0;
    return (static_cast<int64_t>(end) - first) * wf.nBlockAlign;
}

CJobResult CAVIStream::Paste(CAVIStream* source, int32_t first, int32_t end, bool silence) {
    if (!m_stream)
        return CJobResult::Done();
    if (silence)
        return PasteSilence(end - static_cast<int64_t>(first));
    if (!source || !source->m_stream)
        return CJobResult::Done();
    if (source->m_nType == TYPE_VIDEO)
        return PasteVideo(*source, first, end);
    if (source->m_nType == TYPE_AUDIO)
        return PasteAudio(*source, first, end);
    return CJobResult::Done();
}

CJobResult CAVIStream::PasteFailed(const char* message) {
    m_host.ShowError(message);
    return CJobResult::Failed(message);
}

CJobResult CAVIStream::PasteVideo(CAVIStream& source, int32_t first, int32_t end) {
    IAviStream* in = source.m_stream;
    const int32_t start = GetLength();
    end = std::min(end, in->Length());
    std::vector<uint8_t> buffer;
    for (int32_t i = first; i < end; ++i) {
        if (!PasteStep())
            return CJobResult::Stopped();
        const bool key = in->FindSample(i, FIND_PREV | FIND_KEY) == i;
        const int32_t at = start + (i - first);
        const EChunkSource bySource = PasteChunkSource(*in, i, at, key ? AVIIF_KEYFRAME : 0);
        if (bySource == EChunkSource::Failed)
            return PasteFailed("Error! Paste Streams! AVIStreamWrite!");
        if (bySource == EChunkSource::Pasted)
            continue;
        int32_t size = 0;
        int32_t bytes = 0;
        int32_t samples = 0;
        int rc = in->Read(i, 1, nullptr, 0, &size, nullptr);
        if (rc == AVIERR_OK && size >= 0) {
            if (buffer.size() < static_cast<size_t>(size) + 1)
                buffer.resize(static_cast<size_t>(size) + 1);
            rc = in->Read(i, 1, buffer.data(), size, &bytes, &samples);
        }
        if (rc != AVIERR_OK || size < 0)
            return PasteFailed("Error in Paste Streams! AVIStreamRead");
        rc = m_stream->Write(at, 1, buffer.data(), bytes, key ? AVIIF_KEYFRAME : 0, nullptr, nullptr);
        if (rc != AVIERR_OK)
            return PasteFailed("Error! Paste Streams! AVIStreamWrite!");
    }
    return CJobResult::Done();
}

CJobResult CAVIStream::PasteAudio(CAVIStream& source, int32_t first, int32_t end) {
    IAviStream* in = source.m_stream;
    // Variable-size audio has no block size: one sample (chunk) per read.
    const int32_t sampleSize = source.GetSampleSize();
    const int32_t perBlock = sampleSize > 0 ? std::max(1, kAudioBlockBytes / sampleSize) : 1;
    const int32_t start = GetLength();
    std::vector<uint8_t> buffer(kAudioBlockBytes + 1);
    int64_t s = first;
    int64_t remaining = static_cast<int64_t>(end) - first;
    bool holeTold = false;
    while (remaining > 0) {
        if (!PasteStep())
            return CJobResult::Stopped();
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(perBlock, remaining));
        if (sampleSize == 0 && s < in->Length()) {
            const int64_t pos = std::max<int64_t>(start + (s - first), GetLength());
            const EChunkSource bySource = pos > INT32_MAX
                                              ? EChunkSource::NotPossible
                                              : PasteChunkSource(*in, static_cast<int32_t>(s),
                                                                 static_cast<int32_t>(pos), AVIIF_KEYFRAME);
            if (bySource == EChunkSource::Failed)
                return PasteFailed("Error! AVIStreamWrite! Audio!");
            if (bySource == EChunkSource::Pasted) {
                ++s;
                remaining = static_cast<int64_t>(end) - s;
                continue;
            }
        }
        int32_t size = 0;
        int32_t bytes = 0;
        int32_t samplesRead = 0;
        // A chunk of variable-size audio may be larger than one block.
        int rc = in->Read(static_cast<int32_t>(s), n, nullptr, 0, &size, nullptr);
        if (rc == AVIERR_OK && size >= 0) {
            if (buffer.size() < static_cast<size_t>(size) + 1)
                buffer.resize(static_cast<size_t>(size) + 1);
            rc = in->Read(static_cast<int32_t>(s), n, buffer.data(), static_cast<int32_t>(buffer.size() - 1),
                          &bytes, &samplesRead);
        }
        if (rc != AVIERR_OK || size < 0) {
            // The block that cannot be read becomes silence of its length, so
            // the audio behind it stays in time (a gap cannot be left in
            // audio of fixed-size samples) and the copy goes on: a mended
            // damage, told once per paste, not a failure.
            if (!holeTold)
                m_host.ShowError("Error in Paste Streams! AVIStreamRead");
            holeTold = true;
            const CJobResult filled = PasteSilence(n);
            if (!filled.IsDone())
                return filled;
            s += n;
            remaining = static_cast<int64_t>(end) - s;
            continue;
        }
        if (samplesRead <= 0)
            break; // past the end of the source: nothing more to copy
        // Silence made of whole MPEG frames may have run a little ahead.
        const int64_t pos = std::max<int64_t>(start + (s - first), GetLength());
        rc = m_stream->Write(static_cast<int32_t>(pos), samplesRead, buffer.data(), bytes, AVIIF_KEYFRAME,
                             nullptr, nullptr);
        if (rc != AVIERR_OK)
            return PasteFailed("Error! AVIStreamWrite! Audio!");
        s += samplesRead;
        remaining = static_cast<int64_t>(end) - s;
    }
    return CJobResult::Done();
}

CAVIStream::EChunkSource CAVIStream::PasteChunkSource(IAviStream& in, int32_t sample, int32_t at,
                                                      uint32_t flags) {
    // Chunks copied unchanged are not read here at all: the written file
    // takes them straight from the source file when it is finished.
    AviChunkSource chunk;
    if (!in.GetChunkSource(sample, &chunk))
        return EChunkSource::NotPossible;
    const int rc = m_stream->WriteChunkSource(at, chunk, flags);
    if (rc == AVIERR_UNSUPPORTED)
        return EChunkSource::NotPossible;
    return rc == AVIERR_OK ? EChunkSource::Pasted : EChunkSource::Failed;
}

CJobResult CAVIStream::PasteSilence(int64_t samples) {
    if (samples <= 0)
        return CJobResult::Done();
    CSilenceMaker maker;
    std::string reason;
    if (!maker.Init(m_info, GetFormat(), static_cast<size_t>(m_nFormatSize), &reason)) {
        m_host.SetStatusText(reason);
        return CJobResult::Done();
    }
    std::vector<uint8_t> chunk;
    int64_t written = 0;
    const int64_t start = GetLength();
    while (written < samples) {
        if (!PasteStep())
            return CJobResult::Stopped();
        const int32_t covered = maker.NextChunk(samples - written, chunk);
        const int64_t pos = start + written;
        if (pos > INT32_MAX)
            break;
        const int rc = m_stream->Write(static_cast<int32_t>(pos), covered, chunk.data(),
                                       static_cast<int32_t>(chunk.size()), AVIIF_KEYFRAME, nullptr, nullptr);
        if (rc != AVIERR_OK)
            return PasteFailed("Error! AVIStreamWrite! Audio!");
        written += std::max(covered, 1);
    }
    return CJobResult::Done();
}
