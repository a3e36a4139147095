#include "AviTestRiff.h"

#include <cstring>

size_t CAviTestRiff::Begin(const char* id, const char* listType) {
    const size_t pos = m_bytes.size();
    Fcc(id);
    U32(0);
    if (listType)
        Fcc(listType);
    return pos;
}

void CAviTestRiff::End(size_t pos) {
    Patch32(pos + 4, static_cast<uint32_t>(m_bytes.size() - pos - 8));
    if (m_bytes.size() & 1)
        m_bytes.push_back(0);
}

size_t CAviTestRiff::Chunk(const char* id, const std::vector<uint8_t>& data) {
    const size_t pos = Begin(id);
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    End(pos);
    return pos;
}

void CAviTestRiff::U16(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void CAviTestRiff::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void CAviTestRiff::U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
}

void CAviTestRiff::Fcc(const char* id) {
    m_bytes.insert(m_bytes.end(), id, id + 4);
}

void CAviTestRiff::Patch32(size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_bytes[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void CAviTestRiff::Patch64(size_t pos, uint64_t v) {
    Patch32(pos, static_cast<uint32_t>(v));
    Patch32(pos + 4, static_cast<uint32_t>(v >> 32));
}

namespace {
void Put32(std::vector<uint8_t>& d, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        d[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
} // namespace

std::vector<uint8_t> TestStrh(const char* type, const char* handler, uint32_t scale, uint32_t rate,
                              uint32_t length, uint32_t sampleSize) {
    std::vector<uint8_t> d(56, 0);
    std::memcpy(d.data(), type, 4);
    std::memcpy(d.data() + 4, handler, 4);
    Put32(d, 20, scale);
    Put32(d, 24, rate);
    Put32(d, 32, length);
    Put32(d, 44, sampleSize);
    return d;
}

std::vector<uint8_t> TestAvih(uint32_t frames, uint32_t streams, uint32_t width, uint32_t height) {
    std::vector<uint8_t> d(56, 0);
    Put32(d, 0, 40000);
    Put32(d, 16, frames);
    Put32(d, 24, streams);
    Put32(d, 32, width);
    Put32(d, 36, height);
    return d;
}
