#include "platform/CAviWriterStream.h"

#include "platform/AviTime.h"
#include "platform/CAviChunkSpool.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
// Two decimal digits of the stream number, then the type code.
uint32_t MakeChunkId(int number, char a, char b) {
    return MakeFourCC(static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10), a, b);
}
} // namespace

CAviWriterStream::CAviWriterStream(CAviChunkSpool& spool, int number, const AviStreamInfo& info)
    : m_spool(spool), m_number(number), m_info(info), m_index(info.dwSampleSize) {
    m_info.dwStart = 0;
    m_info.dwLength = 0;
    // Video and variable-size audio keep one sample per chunk.
    if (m_info.fccType == streamtypeVIDEO)
        m_index.Reset(0);
    m_chunkId = ComputeChunkId();
}

uint32_t CAviWriterStream::ComputeChunkId() const {
    if (IsAudio())
        return MakeChunkId(m_number, 'w', 'b');
    if (IsVideo()) {
        BitmapInfoHeader bih;
        const bool uncompressed =
            ParseBitmapInfoHeader(m_format.data(), m_format.size(), bih) && bih.biCompression == BI_RGB;
        return MakeChunkId(m_number, 'd', uncompressed ? 'b' : 'c');
    }
    return MakeChunkId(m_number, 'd', 'c');
}

AviStreamInfo CAviWriterStream::Info() const {
    AviStreamInfo info = m_info;
    info.dwLength = static_cast<uint32_t>(Length());
    if (m_largest > 0)
        info.dwSuggestedBufferSize = m_largest;
    return info;
}

int CAviWriterStream::SetFormat(const void* data, size_t size) {
    if ((!data && size > 0) || size > 1u << 20)
        return AVIERR_BADPARAM;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> previous = std::move(m_format);
    m_format.assign(p, p + size);
    // Chunks already in the spool carry their id; a format that changes it
    // (compressed <-> uncompressed) cannot apply to them.
    const uint32_t id = ComputeChunkId();
    if (id != m_chunkId && m_index.ChunkCount() > 0) {
        m_format = std::move(previous);
        return AVIERR_UNSUPPORTED;
    }
    m_chunkId = id;
    return AVIERR_OK;
}

int CAviWriterStream::SetHandler(FOURCC fccHandler) {
    m_info.fccHandler = fccHandler;
    return AVIERR_OK;
}

int32_t CAviWriterStream::Length() const {
    return static_cast<int32_t>(std::min<int64_t>(m_index.SampleCount(), INT32_MAX));
}

bool CAviWriterStream::AppendChunk(const void* data, uint32_t size, bool key) {
    const int64_t at = m_spool.AppendChunk(m_chunkId, data, size);
    if (at < 0)
        return false;
    NoteOrigin(m_index.ChunkCount(), 0);
    m_index.Add(static_cast<uint64_t>(at) + 8, size, key);
    m_largest = std::max(m_largest, size);
    return true;
}

void CAviWriterStream::NoteOrigin(size_t chunk, uint32_t origin) {
    const uint32_t current = m_origins.empty() ? 0 : m_origins.back().origin;
    if (origin != current)
        m_origins.push_back({chunk, origin});
}

uint32_t CAviWriterStream::Origin(size_t chunk) const {
    auto it = std::upper_bound(m_origins.begin(), m_origins.end(), chunk,
                               [](size_t c, const OriginRun& run) { return c < run.firstChunk; });
    return it == m_origins.begin() ? 0 : (it - 1)->origin;
}

int CAviWriterStream::ReachPosition(int32_t start) {
    const int64_t length = Length();
    if (start < length || static_cast<int64_t>(start) >= INT32_MAX)
        return AVIERR_BADPARAM; // only appending is possible
    for (int64_t i = length; i < start; ++i)
        if (!AppendChunk(nullptr, 0, false))
            return AVIERR_FILEWRITE;
    return AVIERR_OK;
}

bool CAviWriterStream::KeyFlag(uint32_t flags) const {
    // Audio chunks are all entry points, whatever the caller passed.
    return (flags & AVIIF_KEYFRAME) != 0 || IsAudio();
}

int CAviWriterStream::Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
                            int32_t* samplesWritten, int32_t* bytesWritten) {
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    if (size < 0 || n < 0 || (size > 0 && !buffer))
        return AVIERR_BADPARAM;
    const int64_t length = Length();
    if (start < length)
        return AVIERR_BADPARAM; // only appending is possible
    const uint32_t sampleSize = m_index.SampleSize();
    const uint32_t bytes = static_cast<uint32_t>(size);
    if (sampleSize > 0) {
        // Fixed-size samples cannot be skipped: an empty chunk holds none.
        if (start != length)
            return AVIERR_BADPARAM;
        if (static_cast<int64_t>((m_index.TotalBytes() + bytes) / sampleSize) > INT32_MAX)
            return AVIERR_BADPARAM;
        if (!AppendChunk(buffer, bytes, true))
            return AVIERR_FILEWRITE;
        if (samplesWritten)
            *samplesWritten = static_cast<int32_t>(bytes / sampleSize);
        if (bytesWritten)
            *bytesWritten = size;
        return AVIERR_OK;
    }
    // One chunk per sample; positions skipped become empty chunks.
    if (const int rc = ReachPosition(start); rc != AVIERR_OK)
        return rc;
    if (!AppendChunk(buffer, bytes, KeyFlag(flags)))
        return AVIERR_FILEWRITE;
    if (samplesWritten)
        *samplesWritten = 1;
    if (bytesWritten)
        *bytesWritten = size;
    return AVIERR_OK;
}

int CAviWriterStream::WriteChunkSource(int32_t start, const AviChunkSource& source, uint32_t flags) {
    if (m_index.SampleSize() != 0 || !m_spool.IsOpen() || m_spool.Failed())
        return AVIERR_UNSUPPORTED;
    if (!source.file || !source.file->IsOpen() || !source.file->Contains(source.offset, source.size))
        return AVIERR_BADPARAM;
    if (const int rc = ReachPosition(start); rc != AVIERR_OK)
        return rc;
    NoteOrigin(m_index.ChunkCount(), m_spool.AddSource(source.file));
    m_index.Add(source.offset, source.size, KeyFlag(flags));
    m_largest = std::max(m_largest, source.size);
    return AVIERR_OK;
}

int CAviWriterStream::Read(int32_t start, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
                           int32_t* samples) {
    if (bytes)
        *bytes = 0;
    if (samples)
        *samples = 0;
    if (start < 0 || n < 0 || bufferSize < 0)
        return AVIERR_BADPARAM;
    if (start >= Length() || n == 0)
        return AVIERR_OK;
    const uint32_t sampleSize = m_index.SampleSize();
    if (sampleSize == 0) {
        const AviIndexEntry& e = m_index.Chunk(static_cast<size_t>(start));
        if (buffer) {
            if (static_cast<uint32_t>(bufferSize) < e.size)
                return AVIERR_BUFFERTOOSMALL;
            if (e.size > 0 && !m_spool.Read(Origin(static_cast<size_t>(start)), e.offset, buffer, e.size))
                return AVIERR_FILEREAD;
        }
        if (bytes)
            *bytes = static_cast<int32_t>(e.size);
        if (samples)
            *samples = 1;
        return AVIERR_OK;
    }
    int64_t count = std::min<int64_t>(n, Length() - start);
    count = std::min<int64_t>(count, INT32_MAX / sampleSize);
    if (buffer)
        count = std::min<int64_t>(count, bufferSize / sampleSize);
    if (buffer && count == 0)
        return AVIERR_BUFFERTOOSMALL;
    uint64_t want = static_cast<uint64_t>(count) * sampleSize;
    if (buffer) {
        size_t chunk = 0;
        uint32_t inChunk = 0;
        if (!m_index.Locate(start, chunk, inChunk))
            return AVIERR_FILEREAD;
        uint8_t* out = static_cast<uint8_t*>(buffer);
        uint64_t left = want;
        for (; left > 0 && chunk < m_index.ChunkCount(); ++chunk, inChunk = 0) {
            const AviIndexEntry& e = m_index.Chunk(chunk);
            const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(left, e.size - inChunk));
            if (take > 0 && !m_spool.Read(Origin(chunk), e.offset + inChunk, out, take))
                return AVIERR_FILEREAD;
            out += take;
            left -= take;
        }
    }
    if (bytes)
        *bytes = static_cast<int32_t>(want);
    if (samples)
        *samples = static_cast<int32_t>(count);
    return AVIERR_OK;
}

int32_t CAviWriterStream::FindSample(int32_t pos, uint32_t flags) const {
    return static_cast<int32_t>(m_index.FindSample(pos, flags));
}

int32_t CAviWriterStream::SampleToTime(int32_t sample) const {
    return AviSampleToTime(m_info.dwRate, m_info.dwScale, 0, Length(), sample);
}

int32_t CAviWriterStream::TimeToSample(int32_t ms) const {
    return AviTimeToSample(m_info.dwRate, m_info.dwScale, 0, Length(), ms);
}
