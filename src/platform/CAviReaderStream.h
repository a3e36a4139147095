#pragma once
// One stream of an AVI file opened for reading: its header and format, its
// chunk index, and sample reads by positioned reads on the file.

#include "platform/AviLayout.h"
#include "platform/CAviStreamIndex.h"
#include "platform/IAviFile.h"

#include <memory>

class CReadOnlyFile;

class CAviReaderStream : public IAviStream {
public:
    CAviReaderStream(std::shared_ptr<const CReadOnlyFile> file, const AviStreamHeaders& headers);

    // Building the index (by CAviReader, before the stream is handed out).
    void TakeChunks(std::vector<AviPackedEntry>&& chunks);
    // Fixes length and start once every chunk is in; returns a note for the
    // report when the header disagreed with the index, else "".
    std::string Finish();
    size_t ChunkCount() const { return m_index.ChunkCount(); }
    bool IsVideo() const { return m_info.fccType == streamtypeVIDEO; }

    AviStreamInfo Info() const override;
    const std::vector<uint8_t>& Format() const override { return m_format; }
    int SetFormat(const void* data, size_t size) override;
    int32_t Start() const override { return m_start; }
    int32_t Length() const override { return m_length; }
    int Read(int32_t start, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
             int32_t* samples) override;
    int Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
              int32_t* samplesWritten, int32_t* bytesWritten) override;
    int32_t FindSample(int32_t pos, uint32_t flags) const override;
    int32_t SampleToTime(int32_t sample) const override;
    int32_t TimeToSample(int32_t ms) const override;
    bool GetChunkSource(int32_t sample, AviChunkSource* source) const override;

private:
    int ReadChunkSample(int64_t sample, void* buffer, int32_t bufferSize, int32_t* bytes,
                        int32_t* samples) const;
    int ReadFixedSamples(int64_t sample, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
                         int32_t* samples) const;

    std::shared_ptr<const CReadOnlyFile> m_file;
    AviStreamInfo m_info;
    std::vector<uint8_t> m_format;
    CAviStreamIndex m_index;
    int32_t m_start = 0;
    int32_t m_length = 0;
    uint32_t m_largestChunk = 0;
};
