#pragma once
// The chunk index of one stream, shared by the reader and the writer: where
// each chunk's data lies, its size and key flag, and the sample arithmetic on
// top of it (which chunk holds a sample, key-frame search).
//
// Sample units: for video and for variable-size audio (dwSampleSize 0) one
// chunk is one sample, an empty chunk included (a dropped frame). For audio
// with a fixed sample size, a sample is that many bytes and a read may span
// chunks.
//
// A two-hour movie has hundreds of thousands of chunks per stream, so what is
// kept per chunk is 12 bytes: no byte position per chunk (a start every
// kBlockChunks chunks, the rest summed up on demand) and no key list while
// every chunk is a key.

#include "platform/AviIndexEntry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CAviStreamIndex {
public:
    // sampleSize 0: one chunk per sample; otherwise bytes per sample.
    explicit CAviStreamIndex(uint32_t sampleSize = 0) : m_sampleSize(sampleSize) {}

    void Reset(uint32_t sampleSize);
    void Add(uint64_t offset, uint32_t size, bool key);
    // Takes a whole index at once (what Add would have built, chunk by chunk).
    void Assign(std::vector<AviPackedEntry>&& entries);

    uint32_t SampleSize() const { return m_sampleSize; }
    size_t ChunkCount() const { return m_entries.size(); }
    AviIndexEntry Chunk(size_t i) const { return m_entries[i].Unpack(); }
    uint32_t ChunkSize(size_t i) const { return m_entries[i].Size(); }
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

    // Chunks per entry of the byte-start table of fixed-size streams.
    static constexpr size_t kBlockChunks = 32;

private:
    void Note(size_t i);

    uint32_t m_sampleSize = 0;
    uint64_t m_totalBytes = 0;
    std::vector<AviPackedEntry> m_entries;
    // Fixed-size streams: the first byte of chunks 0, kBlockChunks, 2 * kBlockChunks, ...
    std::vector<uint64_t> m_blockStart;
    // Chunk-per-sample streams: key sample numbers, ascending; empty while
    // every sample is a key (all-intra video, variable-size audio).
    std::vector<int64_t> m_keys;
    bool m_allKeys = true;
};
