#pragma once
// One stream of a file being written: its header and format, and the index of
// the chunks written so far (their data waits in the writer's chunk spool, or
// in the input file it is copied from: the chunk's origin).
// Chunks are appended only; a frame position beyond the end is reached with
// empty chunks (dropped frames).

#include "platform/CAviStreamIndex.h"
#include "platform/IAviFile.h"

class CAviChunkSpool;

class CAviWriterStream : public IAviStream {
public:
    CAviWriterStream(CAviChunkSpool& spool, int number, const AviStreamInfo& info);

    AviStreamInfo Info() const override;
    const std::vector<uint8_t>& Format() const override { return m_format; }
    int SetFormat(const void* data, size_t size) override;
    int SetHandler(FOURCC fccHandler) override;

    int32_t Start() const override { return 0; }
    int32_t Length() const override;

    int Read(int32_t start, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
             int32_t* samples) override;
    int Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
              int32_t* samplesWritten, int32_t* bytesWritten) override;

    int32_t FindSample(int32_t pos, uint32_t flags) const override;
    int32_t SampleToTime(int32_t sample) const override;
    int32_t TimeToSample(int32_t ms) const override;
    int WriteChunkSource(int32_t start, const AviChunkSource& source, uint32_t flags) override;

    // For the final assembly.
    int Number() const { return m_number; }
    bool IsVideo() const { return m_info.fccType == streamtypeVIDEO; }
    bool IsAudio() const { return m_info.fccType == streamtypeAUDIO; }
    uint32_t ChunkId() const { return m_chunkId; }
    const CAviStreamIndex& Index() const { return m_index; }
    // Where chunk `chunk`'s offset points: 0 the spool's scratch file, else an input file.
    uint32_t Origin(size_t chunk) const;
    // The header as it goes into the file (length, buffer size filled in).
    const AviStreamInfo& RawInfo() const { return m_info; }

private:
    bool AppendChunk(const void* data, uint32_t size, bool key);
    // Checks a one-chunk-per-sample write at `start` and fills the positions
    // it skips with empty chunks.
    int ReachPosition(int32_t start);
    bool KeyFlag(uint32_t flags) const;
    uint32_t ComputeChunkId() const;

    CAviChunkSpool& m_spool;
    int m_number;
    AviStreamInfo m_info;
    std::vector<uint8_t> m_format;
    uint32_t m_chunkId;
    CAviStreamIndex m_index;
    void NoteOrigin(size_t chunk, uint32_t origin);

    // Chunks come from one origin in long runs (a part of the movie copied
    // from one input): the first chunk of each run and its origin. Empty
    // while every chunk is in the scratch file.
    struct OriginRun {
        size_t firstChunk;
        uint32_t origin;
    };
    std::vector<OriginRun> m_origins;
    uint32_t m_largest = 0;
};
