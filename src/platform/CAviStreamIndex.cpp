#include "platform/CAviStreamIndex.h"

#include "platform/AviTypes.h"

#include <algorithm>

void CAviStreamIndex::Reset(uint32_t sampleSize) {
    m_sampleSize = sampleSize;
    m_totalBytes = 0;
    m_entries.clear();
    m_blockStart.clear();
    m_keys.clear();
    m_allKeys = true;
}

// The bookkeeping for entry i, once every entry before it is noted.
void CAviStreamIndex::Note(size_t i) {
    const AviPackedEntry& e = m_entries[i];
    if (m_sampleSize > 0) {
        if (i % kBlockChunks == 0)
            m_blockStart.push_back(m_totalBytes);
    } else if (e.Key() || i == 0) {
        if (!m_allKeys)
            m_keys.push_back(static_cast<int64_t>(i));
    } else if (m_allKeys) {
        // The first delta frame: from here on the keys are listed.
        m_allKeys = false;
        for (size_t k = 0; k < i; ++k)
            m_keys.push_back(static_cast<int64_t>(k));
    }
    m_totalBytes += e.Size();
}

void CAviStreamIndex::Add(uint64_t offset, uint32_t size, bool key) {
    m_entries.emplace_back(offset, size, key);
    Note(m_entries.size() - 1);
}

void CAviStreamIndex::Assign(std::vector<AviPackedEntry>&& entries) {
    Reset(m_sampleSize);
    m_entries = std::move(entries);
    // Room left over from growing the vector would stay for the file's lifetime.
    if (m_entries.capacity() - m_entries.size() > m_entries.size() / 8)
        m_entries.shrink_to_fit();
    if (m_sampleSize > 0)
        m_blockStart.reserve((m_entries.size() + kBlockChunks - 1) / kBlockChunks);
    for (size_t i = 0; i < m_entries.size(); ++i)
        Note(i);
}

int64_t CAviStreamIndex::SampleCount() const {
    if (m_sampleSize > 0)
        return static_cast<int64_t>(m_totalBytes / m_sampleSize);
    return static_cast<int64_t>(m_entries.size());
}

bool CAviStreamIndex::Locate(int64_t sample, size_t& chunk, uint32_t& offsetInChunk) const {
    if (sample < 0 || sample >= SampleCount())
        return false;
    if (m_sampleSize == 0) {
        chunk = static_cast<size_t>(sample);
        offsetInChunk = 0;
        return true;
    }
    const uint64_t byte = static_cast<uint64_t>(sample) * m_sampleSize;
    // The last chunk whose first byte is <= byte (of several empty chunks at
    // one place, the last): first the block, then the chunks inside it.
    auto it = std::upper_bound(m_blockStart.begin(), m_blockStart.end(), byte);
    if (it == m_blockStart.begin())
        return false;
    size_t i = static_cast<size_t>(it - m_blockStart.begin() - 1) * kBlockChunks;
    uint64_t start = *(it - 1);
    while (i + 1 < m_entries.size() && start + m_entries[i].Size() <= byte) {
        start += m_entries[i].Size();
        ++i;
    }
    chunk = i;
    offsetInChunk = static_cast<uint32_t>(byte - start);
    return true;
}

bool CAviStreamIndex::IsKey(int64_t sample) const {
    if (sample < 0 || sample >= SampleCount())
        return false;
    if (m_sampleSize > 0 || m_allKeys)
        return true;
    return std::binary_search(m_keys.begin(), m_keys.end(), sample);
}

int64_t CAviStreamIndex::FindSample(int64_t pos, uint32_t flags) const {
    const int64_t count = SampleCount();
    if (count <= 0)
        return -1;
    const bool next = (flags & FIND_NEXT) != 0;
    const bool anySample = (flags & FIND_KEY) == 0 || m_sampleSize > 0 || m_allKeys;
    if (next) {
        if (pos >= count)
            return -1;
        pos = std::max<int64_t>(pos, 0);
        if (anySample)
            return pos;
        auto it = std::lower_bound(m_keys.begin(), m_keys.end(), pos);
        return it == m_keys.end() ? -1 : *it;
    }
    // Previous (the default direction).
    if (pos < 0)
        return -1;
    pos = std::min(pos, count - 1);
    if (anySample)
        return pos;
    auto it = std::upper_bound(m_keys.begin(), m_keys.end(), pos);
    if (it == m_keys.begin())
        return -1;
    return *(it - 1);
}
