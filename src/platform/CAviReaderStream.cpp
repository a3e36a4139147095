#include "platform/CAviReaderStream.h"

#include "platform/AviTime.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <climits>

namespace {
// A fixed sample size beyond this is no real audio block (PCM blocks are at
// most 64 KiB); such a stream is read chunk by chunk instead.
constexpr uint32_t kMaxSampleSize = 1u << 20;

constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// Video and variable-size audio: one chunk per sample. Fixed-size PCM: one
// sample is one block of the format, whatever the header says (a few writers
// put 1 there), so lengths and byte counts agree with nBlockAlign.
uint32_t IndexSampleSize(const AviStreamInfo& info, const std::vector<uint8_t>& format) {
    if (info.fccType != streamtypeAUDIO || info.dwSampleSize == 0 || info.dwSampleSize > kMaxSampleSize)
        return 0;
    WaveFormatEx wfx;
    if (ParseWaveFormatEx(format.data(), format.size(), wfx) && wfx.nBlockAlign > 0 &&
        (wfx.wFormatTag == WAVE_FORMAT_PCM || wfx.wFormatTag == kWaveFormatExtensible))
        return wfx.nBlockAlign;
    return info.dwSampleSize;
}
} // namespace

CAviReaderStream::CAviReaderStream(std::shared_ptr<const CReadOnlyFile> file, const AviStreamHeaders& headers)
    : m_file(std::move(file)), m_info(headers.info), m_format(headers.format),
      m_index(IndexSampleSize(headers.info, headers.format)) {}

void CAviReaderStream::TakeChunks(std::vector<AviPackedEntry>&& chunks) {
    const bool audio = m_info.fccType == streamtypeAUDIO;
    for (AviPackedEntry& c : chunks) {
        // Every audio sample can start playback.
        if (audio)
            c.SetKey(true);
        m_largestChunk = std::max(m_largestChunk, c.Size());
    }
    m_index.Assign(std::move(chunks));
}

std::string CAviReaderStream::Finish() {
    const int64_t count = m_index.SampleCount();
    m_length = static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
    // Sample numbers run from dwStart; keep start + length inside int32.
    m_start =
        static_cast<int32_t>(std::min<int64_t>(m_info.dwStart, INT32_MAX - static_cast<int64_t>(m_length)));
    std::string note;
    if (count != static_cast<int64_t>(m_info.dwLength))
        note = "the header gives " + std::to_string(m_info.dwLength) + " samples, the index " +
               std::to_string(count);
    if (m_info.fccType == streamtypeAUDIO && m_info.dwSampleSize > kMaxSampleSize)
        note += std::string(note.empty() ? "" : "; ") + "the sample size " +
                std::to_string(m_info.dwSampleSize) + " is not believable; one chunk is read as one sample";
    if (m_index.SampleSize() > 0 && m_index.SampleSize() != m_info.dwSampleSize) {
        note += std::string(note.empty() ? "" : "; ") + "samples of " + std::to_string(m_index.SampleSize()) +
                " bytes (the block of the format), not " + std::to_string(m_info.dwSampleSize);
        m_info.dwSampleSize = m_index.SampleSize();
    }
    m_info.dwLength = static_cast<uint32_t>(m_length);
    m_info.dwStart = static_cast<uint32_t>(m_start);
    // Callers size their buffers from this; make sure any chunk fits.
    m_info.dwSuggestedBufferSize = std::max(m_info.dwSuggestedBufferSize, m_largestChunk);
    return note;
}

AviStreamInfo CAviReaderStream::Info() const {
    return m_info;
}

int CAviReaderStream::SetFormat(const void*, size_t) {
    return AVIERR_READONLY;
}

int CAviReaderStream::Write(int32_t, int32_t, const void*, int32_t, uint32_t, int32_t* samplesWritten,
                            int32_t* bytesWritten) {
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    return AVIERR_READONLY;
}

int CAviReaderStream::Read(int32_t start, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
                           int32_t* samples) {
    if (bytes)
        *bytes = 0;
    if (samples)
        *samples = 0;
    if (start < m_start || (buffer && bufferSize < 0))
        return AVIERR_BADPARAM;
    const int64_t sample = static_cast<int64_t>(start) - m_start;
    if (sample >= m_length)
        return AVIERR_OK; // at or past the end: no samples
    if (m_index.SampleSize() == 0)
        return ReadChunkSample(sample, buffer, bufferSize, bytes, samples);
    return ReadFixedSamples(sample, n, buffer, bufferSize, bytes, samples);
}

bool CAviReaderStream::GetChunkSource(int32_t start, AviChunkSource* source) const {
    const int64_t sample = static_cast<int64_t>(start) - m_start;
    if (!source || m_index.SampleSize() != 0 || sample < 0 || sample >= m_length)
        return false;
    const AviIndexEntry& c = m_index.Chunk(static_cast<size_t>(sample));
    // A chunk the file does not hold completely is left to Read, which
    // reports it.
    if (!m_file->StillContains(c.offset, c.size))
        return false;
    source->file = m_file;
    source->offset = c.offset;
    source->size = c.size;
    return true;
}

int CAviReaderStream::ReadChunkSample(int64_t sample, void* buffer, int32_t bufferSize, int32_t* bytes,
                                      int32_t* samples) const {
    const AviIndexEntry& c = m_index.Chunk(static_cast<size_t>(sample));
    if (c.size > static_cast<uint32_t>(INT32_MAX))
        return AVIERR_FILEREAD;
    const int32_t size = static_cast<int32_t>(c.size);
    if (buffer) {
        if (bufferSize < size) {
            if (bytes)
                *bytes = size;
            return AVIERR_BUFFERTOOSMALL;
        }
        if (!m_file->ReadAt(c.offset, buffer, c.size))
            return AVIERR_FILEREAD;
    }
    if (bytes)
        *bytes = size;
    if (samples)
        *samples = 1;
    return AVIERR_OK;
}

// Fixed-size samples form one byte stream across chunks; a read takes as many
// whole samples as were asked for and fit the buffer, crossing chunks.
int CAviReaderStream::ReadFixedSamples(int64_t sample, int32_t n, void* buffer, int32_t bufferSize,
                                       int32_t* bytes, int32_t* samples) const {
    const int64_t sampleSize = m_index.SampleSize();
    size_t chunk = 0;
    uint32_t offset = 0;
    if (!m_index.Locate(sample, chunk, offset))
        return AVIERR_OK;
    int64_t want = n;
    if (want <= 0) // "whatever is convenient": the rest of this chunk, at least one sample
        want = std::max<int64_t>(1, (m_index.Chunk(chunk).size - offset) / sampleSize);
    want = std::min<int64_t>({want, m_length - sample, INT32_MAX / sampleSize});
    if (buffer) {
        const int64_t fit = bufferSize / sampleSize;
        if (fit == 0) {
            if (bytes)
                *bytes = static_cast<int32_t>(sampleSize);
            return AVIERR_BUFFERTOOSMALL;
        }
        want = std::min(want, fit);
        auto* dst = static_cast<uint8_t*>(buffer);
        int64_t remaining = want * sampleSize;
        while (remaining > 0 && chunk < m_index.ChunkCount()) {
            const AviIndexEntry& c = m_index.Chunk(chunk);
            const int64_t take = std::min<int64_t>(c.size - offset, remaining);
            if (take > 0 && !m_file->ReadAt(c.offset + offset, dst, static_cast<size_t>(take)))
                return AVIERR_FILEREAD;
            dst += take;
            remaining -= take;
            ++chunk;
            offset = 0;
        }
        if (remaining > 0)
            return AVIERR_FILEREAD;
    }
    if (bytes)
        *bytes = static_cast<int32_t>(want * sampleSize);
    if (samples)
        *samples = static_cast<int32_t>(want);
    return AVIERR_OK;
}

int32_t CAviReaderStream::FindSample(int32_t pos, uint32_t flags) const {
    const int64_t found = m_index.FindSample(static_cast<int64_t>(pos) - m_start, flags);
    return found < 0 ? -1 : static_cast<int32_t>(found + m_start);
}

int32_t CAviReaderStream::SampleToTime(int32_t sample) const {
    return AviSampleToTime(m_info.dwRate, m_info.dwScale, m_start, m_length, sample);
}

int32_t CAviReaderStream::TimeToSample(int32_t ms) const {
    return AviTimeToSample(m_info.dwRate, m_info.dwScale, m_start, m_length, ms);
}
