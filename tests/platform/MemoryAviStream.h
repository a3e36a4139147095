#pragma once
// A video stream held in memory, for codec tests: chunks with key flags and a
// format, and the read/write/search calls of IAviStream over them.

#include "platform/IAviFile.h"

#include <cstring>
#include <vector>

class CMemoryAviStream : public IAviStream {
public:
    struct Chunk {
        std::vector<uint8_t> data;
        bool key = false;
    };

    explicit CMemoryAviStream(uint32_t rate = 25, uint32_t scale = 1) {
        m_info.fccType = streamtypeVIDEO;
        m_info.dwRate = rate;
        m_info.dwScale = scale;
    }

    AviStreamInfo Info() const override {
        AviStreamInfo info = m_info;
        info.dwLength = static_cast<uint32_t>(m_chunks.size());
        return info;
    }
    const std::vector<uint8_t>& Format() const override { return m_format; }
    int SetFormat(const void* data, size_t size) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        m_format.assign(p, p + size);
        return AVIERR_OK;
    }
    int SetHandler(FOURCC fcc) override {
        m_info.fccHandler = fcc;
        return AVIERR_OK;
    }
    int32_t Start() const override { return 0; }
    int32_t Length() const override { return static_cast<int32_t>(m_chunks.size()); }

    int Read(int32_t start, int32_t, void* buffer, int32_t bufferSize, int32_t* bytes,
             int32_t* samples) override {
        ++m_reads;
        if (start < 0 || start >= Length()) {
            if (bytes)
                *bytes = 0;
            if (samples)
                *samples = 0;
            return AVIERR_OK;
        }
        const Chunk& c = m_chunks[static_cast<size_t>(start)];
        const int32_t size = static_cast<int32_t>(c.data.size());
        if (buffer) {
            if (bufferSize < size)
                return AVIERR_BUFFERTOOSMALL;
            if (size)
                std::memcpy(buffer, c.data.data(), static_cast<size_t>(size));
        }
        if (bytes)
            *bytes = size;
        if (samples)
            *samples = 1;
        return AVIERR_OK;
    }

    int Write(int32_t start, int32_t, const void* buffer, int32_t size, uint32_t flags,
              int32_t* samplesWritten, int32_t* bytesWritten) override {
        if (start < Length())
            return AVIERR_BADPARAM;
        m_chunks.resize(static_cast<size_t>(start)); // skipped positions: dropped frames
        const uint8_t* p = static_cast<const uint8_t*>(buffer);
        m_chunks.push_back({std::vector<uint8_t>(p, p + size), (flags & AVIIF_KEYFRAME) != 0});
        if (samplesWritten)
            *samplesWritten = 1;
        if (bytesWritten)
            *bytesWritten = size;
        return AVIERR_OK;
    }

    int32_t FindSample(int32_t pos, uint32_t flags) const override {
        const bool next = (flags & FIND_NEXT) != 0;
        for (int32_t i = pos; i >= 0 && i < Length(); i += next ? 1 : -1)
            if (!(flags & FIND_KEY) || i == 0 || m_chunks[static_cast<size_t>(i)].key)
                return i;
        return -1;
    }
    int32_t SampleToTime(int32_t sample) const override {
        return static_cast<int32_t>(int64_t{sample} * m_info.dwScale * 1000 / m_info.dwRate);
    }
    int32_t TimeToSample(int32_t ms) const override {
        return static_cast<int32_t>(int64_t{ms} * m_info.dwRate / (int64_t{m_info.dwScale} * 1000));
    }

    std::vector<Chunk>& Chunks() { return m_chunks; }
    int Reads() const { return m_reads; }

private:
    AviStreamInfo m_info;
    std::vector<uint8_t> m_format;
    std::vector<Chunk> m_chunks;
    int m_reads = 0;
};
