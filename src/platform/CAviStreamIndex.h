#pragma once
// The chunk index of one stream, shared by the reader and the writer: where
// each chunk's data lies, its size and key flag, and the sample arithmetic on
// top of it (which chunk holds a sample, key-frame search).
//
// Sample units: for video and for variable-size audio (dwSampleSize 0) one
// chunk is one sample, an empty chunk included (a dropped frame). For audio
// with a fixed sample size, a sample is that many bytes and a read may span
// chunks.

#include <cstddef>
#include <cstdint>
#include <vector>

struct AviIndexEntry {
    uint64_t offset = 0; // position of the chunk's data (not its header)
    uint32_t size = 0;   // bytes of data
    bool key = false;
};

class CAviStreamIndex {
public:
    // sampleSize 0: one chunk per sample; otherwise bytes per sample.
    explicit CAviStreamIndex(uint32_t sampleSize = 0) : m_sampleSize(sampleSize) {}

    void Reset(uint32_t sampleSize);
    void Add(uint64_t offset, uint32_t size, bool key);

    uint32_t SampleSize() const { return m_sampleSize; }
    size_t ChunkCount() const { return m_entries.size(); }
    const AviIndexEntry& Chunk(size_t i) const { return m_entries[i]; }
    const std::vector<AviIndexEntry>& Chunks() const { return m_entries; }
    uint64_t TotalBytes() const { return m_totalBytes; }

    // Samples in the stream: chunks, or whole samples of the fixed size.
    int64_t SampleCount() const;

    // Fixed-size samples: the chunk holding the first byte of `sample` and the
    // byte offset inside it. Chunk-per-sample streams: chunk = sample, 0.
    // False when the sample lies outside the stream.
    bool Locate(int64_t sample, size_t& chunk, uint32_t& offsetInChunk) const;

    // AVIStreamFindSample over this index (FIND_PREV/FIND_NEXT with FIND_KEY or
    // FIND_ANY). The search includes pos; -1 when it runs off either end. The
    // first sample always counts as key; every fixed-size audio sample is key.
    int64_t FindSample(int64_t pos, uint32_t flags) const;

    bool IsKey(int64_t sample) const;

private:
    uint32_t m_sampleSize = 0;
    uint64_t m_totalBytes = 0;
    std::vector<AviIndexEntry> m_entries;
    std::vector<uint64_t> m_byteStart; // fixed-size streams: first byte of each chunk
    std::vector<int64_t> m_keys;       // chunk-per-sample streams: key sample numbers, ascending
};
