#include "platform/CAviStreamIndex.h"

#include "platform/AviTypes.h"

#include <algorithm>

void CAviStreamIndex::Reset(uint32_t sampleSize) {
    m_sampleSize = sampleSize;
    m_totalBytes = 0;
    m_entries.clear();
    m_byteStart.clear();
    m_keys.clear();
}

void CAviStreamIndex::Add(uint64_t offset, uint32_t size, bool key) {
    if (m_sampleSize > 0) {
        m_byteStart.push_back(m_totalBytes);
    } else if (key || m_entries.empty()) {
        m_keys.push_back(static_cast<int64_t>(m_entries.size()));
    }
    m_entries.push_back({offset, size, key});
    m_totalBytes += size;
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
    // Last chunk whose first byte is <= byte; empty chunks are skipped by
    // taking the last of equal starts.
    auto it = std::upper_bound(m_byteStart.begin(), m_byteStart.end(), byte);
    if (it == m_byteStart.begin())
        return false;
    chunk = static_cast<size_t>(it - m_byteStart.begin()) - 1;
    offsetInChunk = static_cast<uint32_t>(byte - m_byteStart[chunk]);
    return true;
}

bool CAviStreamIndex::IsKey(int64_t sample) const {
    if (sample < 0 || sample >= SampleCount())
        return false;
    if (m_sampleSize > 0)
        return true;
    return std::binary_search(m_keys.begin(), m_keys.end(), sample);
}

int64_t CAviStreamIndex::FindSample(int64_t pos, uint32_t flags) const {
    const int64_t count = SampleCount();
    if (count <= 0)
        return -1;
    const bool next = (flags & FIND_NEXT) != 0;
    const bool anySample = (flags & FIND_KEY) == 0 || m_sampleSize > 0;
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
